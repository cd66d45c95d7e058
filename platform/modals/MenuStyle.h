#pragma once
// Internal to menus: how a QMenu shows our rows. A QMenu cannot colour single actions
// through a style sheet, so a proxy over the application's style draws each row by its
// role: title rows grey and small, destructive rows red, symbols at the trailing edge.

#include <QProxyStyle>

class QAction;
class QMenu;

namespace kavio::platform {

enum class MenuRowRole { Action, Title, Destructive };

void setMenuRowRole(QAction* action, MenuRowRole role);
MenuRowRole menuRowRole(const QAction* action);

class MenuStyle final : public QProxyStyle {
public:
    static constexpr int kSymbolSize = 20;

    // A fresh instance of the application's style as the base, owned by this.
    MenuStyle();
    // Installs a MenuStyle (owned by the menu) and the light palette the rows assume.
    static void apply(QMenu* menu);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
};

} // namespace kavio::platform
