#pragma once
// Menus as plain data first, so tests and screens work without popping anything up; then
// shown as a QMenu: grey title row(s) that cannot be chosen, actions with their tinted
// symbols at the trailing edge, destructive actions in red.

#include <QColor>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QToolButton>

#include <functional>
#include <vector>

namespace kavio::platform {

enum class MenuElementAttributes { None, Destructive };

struct MenuAction {
    QString title;
    QString symbolName; // empty: no image
    MenuElementAttributes attributes = MenuElementAttributes::None;
    std::function<void()> handler;
};

struct Menu {
    QString title; // may hold "\n" for two lines; empty: no title row
    std::vector<MenuAction> children;

    // By title, or null.
    const MenuAction* action(const QString& actionTitle) const;
    // Runs its handler; false if there is no such action.
    bool trigger(const QString& actionTitle) const;
};

// A QMenu showing the title row(s) (grey, small, not selectable) and the actions with
// their tinted symbol images; destructive actions drawn in system red (text and image).
// Choosing an action runs its handler. The caller owns it (parented).
QMenu* makeQMenu(const Menu& menu, QWidget* parent);

// Pops the menu up at a global position without blocking; it deletes itself when closed
// and runs the chosen action's handler after it has closed (never once parent is gone).
void popUpMenu(const Menu& menu, const QPoint& globalPos, QWidget* parent);

// A symbol button whose menu is its primary action: a click, Space or Enter opens the menu
// that the provider builds at that moment (so it reflects current state).
class MenuButton : public QToolButton {
    Q_OBJECT
public:
    static constexpr int kSymbolSize = 22;

    explicit MenuButton(const QString& symbolName, QWidget* parent = nullptr);

    void setMenuProvider(std::function<Menu()> provider);
    // What a click would show (tests).
    Menu currentMenu() const;
    void setTintColor(const QColor& tint);
    // The menu on screen now, or null.
    QMenu* openMenu() const { return open_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showMenu();

    QString symbolName_;
    std::function<Menu()> provider_;
    QColor tint_;
    QPointer<QMenu> open_; // deletes itself when closed
};

} // namespace kavio::platform
