#include "platform/modals/Menu.h"

#include "platform/base/Dispatch.h"
#include "platform/modals/MenuStyle.h"
#include "platform/views/Colors.h"
#include "platform/views/Symbols.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kavio::platform {

namespace {

constexpr int kMinimumWidth = 220;
constexpr qreal kTitleScale = 0.85;

enum class HandlerDispatch {
    Direct,     // inside QAction::triggered: the caller manages the menu itself
    AfterClose, // queued: the menu has closed and is on its way out
};

void addTitleRow(QMenu* qmenu, const QString& title)
{
    if (title.isEmpty())
        return;
    QFont font = qmenu->font();
    font.setPointSizeF(font.pointSizeF() * kTitleScale);
    // One row for all its lines; MenuStyle sizes and draws it.
    QAction* row = qmenu->addAction(title);
    row->setEnabled(false);
    row->setFont(font);
    setMenuRowRole(row, MenuRowRole::Title);
    qmenu->addSeparator();
}

QMenu* buildMenu(const Menu& menu, QWidget* parent, HandlerDispatch dispatch)
{
    auto* qmenu = new QMenu(parent);
    MenuStyle::apply(qmenu);
    qmenu->setMinimumWidth(kMinimumWidth);
    addTitleRow(qmenu, menu.title);
    for (const MenuAction& child : menu.children) {
        const bool destructive = child.attributes == MenuElementAttributes::Destructive;
        QAction* action = qmenu->addAction(child.title);
        setMenuRowRole(action, destructive ? MenuRowRole::Destructive : MenuRowRole::Action);
        if (!child.symbolName.isEmpty())
            action->setIcon(symbolIcon(child.symbolName, destructive ? colors::destructiveOnLight : colors::label));
        if (!child.handler)
            continue;
        QObject::connect(action, &QAction::triggered, qmenu, [handler = child.handler, dispatch, parent] {
            if (dispatch == HandlerDispatch::Direct)
                handler();
            else
                dispatchAfter(parent, std::chrono::milliseconds(0), handler);
        });
    }
    return qmenu;
}

void popUpBuilt(QMenu* qmenu, const QPoint& globalPos)
{
    // A QMenu hides rather than closes when an action is chosen or it is dismissed.
    QObject::connect(qmenu, &QMenu::aboutToHide, qmenu, &QObject::deleteLater);
    qmenu->popup(globalPos);
}

} // namespace

const MenuAction* Menu::action(const QString& actionTitle) const
{
    const auto it = std::find_if(children.begin(), children.end(),
                                 [&](const MenuAction& a) { return a.title == actionTitle; });
    return it == children.end() ? nullptr : &*it;
}

bool Menu::trigger(const QString& actionTitle) const
{
    const MenuAction* found = action(actionTitle);
    if (!found || !found->handler)
        return false;
    found->handler();
    return true;
}

QMenu* makeQMenu(const Menu& menu, QWidget* parent)
{
    return buildMenu(menu, parent, HandlerDispatch::Direct);
}

void popUpMenu(const Menu& menu, const QPoint& globalPos, QWidget* parent)
{
    popUpBuilt(buildMenu(menu, parent, HandlerDispatch::AfterClose), globalPos);
}

// --- button --------------------------------------------------------------------------

MenuButton::MenuButton(const QString& symbolName, QWidget* parent)
    : QToolButton(parent), symbolName_(symbolName)
{
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setIconSize({kSymbolSize, kSymbolSize});
    setAccessibleName(symbolName);
    setTintColor(colors::systemBlue);
    connect(this, &QToolButton::clicked, this, &MenuButton::showMenu);
}

void MenuButton::setMenuProvider(std::function<Menu()> provider)
{
    provider_ = std::move(provider);
}

Menu MenuButton::currentMenu() const
{
    return provider_ ? provider_() : Menu{};
}

void MenuButton::setTintColor(const QColor& tint)
{
    tint_ = tint;
    setIcon(symbolIcon(symbolName_, tint));
    update();
}

// Drawn by hand: the style's raised panel is a light box that glares on a dark bar. A wash
// of the tint shows hover, press and keyboard focus on any background.
void MenuButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool pressed = isDown() || open_;
    if (pressed || underMouse() || hasFocus()) {
        QColor wash = tint_;
        wash.setAlphaF(pressed ? 0.28 : 0.14);
        p.setPen(hasFocus() ? QPen(tint_, 1.5) : Qt::NoPen);
        p.setBrush(wash);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
    }
    const QSize size = iconSize();
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    icon().paint(&p, target, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
}

void MenuButton::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && !event->isAutoRepeat()) {
        click();
        event->accept();
        return;
    }
    QToolButton::keyPressEvent(event);
}

void MenuButton::showMenu()
{
    if (open_)
        return;
    const Menu menu = currentMenu();
    if (menu.title.isEmpty() && menu.children.empty())
        return;
    QMenu* qmenu = buildMenu(menu, this, HandlerDispatch::AfterClose);
    // Below the button; its trailing edge lines up when the button sits on the right.
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (mapTo(window(), QPoint(width() / 2, 0)).x() > window()->width() / 2)
        at.rx() = mapToGlobal(QPoint(width(), 0)).x() - qmenu->sizeHint().width();
    open_ = qmenu;
    qmenu->installEventFilter(this);
    popUpBuilt(qmenu, at);
}

bool MenuButton::eventFilter(QObject* watched, QEvent* event)
{
    // A press on this button closes the open menu; it must not open it again at once.
    if (watched == open_ && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (rect().contains(mapFromGlobal(mouse->globalPosition().toPoint())))
            open_->setAttribute(Qt::WA_NoMouseReplay);
    }
    return QToolButton::eventFilter(watched, event);
}

} // namespace kavio::platform
