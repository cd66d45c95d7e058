#include "platform/screens/ContainerKeys.h"

#include <QKeyEvent>
#include <QWidget>

namespace kavio::platform {

ContainerKeys::ContainerKeys(QWidget* view, Action act) : QObject(view), act_(std::move(act))
{
    view->installEventFilter(this);
}

bool ContainerKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != parent())
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        swallow_ = 0;
        auto* key = static_cast<QKeyEvent*>(event);
        if (act_(*key)) {
            event->accept(); // claimed: no window shortcut takes it as well
            swallow_ = key->key();
            return true;
        }
    } else if (event->type() == QEvent::KeyPress) {
        const bool ours = static_cast<QKeyEvent*>(event)->key() == swallow_;
        swallow_ = 0;
        if (ours)
            return true;
    }
    return false;
}

} // namespace kavio::platform
