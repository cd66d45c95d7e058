#pragma once
// Internal to the containers: keys a container acts on when the focused widget inside its
// view leaves them alone. The decision is taken when the key's shortcut override reaches
// the view unclaimed (a text field claims its Backspace there, a plain button claims
// nothing); the key press that follows is then swallowed, so a button cannot also use
// the arrow as a focus move.

#include <QObject>

#include <functional>

class QKeyEvent;
class QWidget;

namespace kavio::platform {

class ContainerKeys final : public QObject {
public:
    // act returns whether it did something with the key.
    using Action = std::function<bool(const QKeyEvent&)>;

    // Lives as a child of view.
    ContainerKeys(QWidget* view, Action act);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Action act_;
    int swallow_ = 0; // the key whose press is still to come, or 0
};

} // namespace kavio::platform
