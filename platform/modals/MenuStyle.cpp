#include "platform/modals/MenuStyle.h"

#include "platform/views/Colors.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace kavio::platform {

namespace {

const char* const kRoleProperty = "kavioMenuRowRole";
constexpr int kRowMinHeight = 32;
constexpr int kTrailingMargin = 12;
constexpr int kSymbolGap = 16; // between the text and the symbol
constexpr int kTitlePadding = 5;

QStyle* baseStyleInstance()
{
    // The menu's own copy: a proxy owns its base, and the application keeps its style.
    QStyle* app = QApplication::style();
    return app ? QStyleFactory::create(app->name()) : nullptr;
}

} // namespace

void setMenuRowRole(QAction* action, MenuRowRole role)
{
    action->setProperty(kRoleProperty, static_cast<int>(role));
}

MenuRowRole menuRowRole(const QAction* action)
{
    if (!action)
        return MenuRowRole::Action;
    const QVariant role = action->property(kRoleProperty);
    return role.isValid() ? static_cast<MenuRowRole>(role.toInt()) : MenuRowRole::Action;
}

MenuStyle::MenuStyle() : QProxyStyle(baseStyleInstance()) {}

void MenuStyle::apply(QMenu* menu)
{
    auto* style = new MenuStyle;
    style->setParent(menu);
    menu->setStyle(style);
    // Rows are drawn light whatever the desktop's theme, as the rest of the phone face.
    QPalette palette = menu->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button})
        palette.setColor(role, colors::menuBackground);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                                     QPalette::HighlightedText})
        palette.setColor(role, colors::label);
    palette.setColor(QPalette::Highlight, colors::highlightOnLight);
    palette.setColor(QPalette::Disabled, QPalette::Text, colors::systemGray);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, colors::systemGray);
    menu->setPalette(palette);
}

void MenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || !item || item->menuItemType == QStyleOptionMenuItem::Separator) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const auto* menu = qobject_cast<const QMenu*>(widget);
    const MenuRowRole role = menuRowRole(menu ? menu->actionAt(item->rect.center()) : nullptr);

    QStyleOptionMenuItem row = *item;
    row.icon = QIcon(); // drawn at the trailing edge below
    row.maxIconWidth = 0;
    if (role == MenuRowRole::Title) {
        row.text.clear();
        row.state &= ~State_Selected;
        QProxyStyle::drawControl(element, &row, painter, widget); // the background only
        painter->save();
        painter->setFont(item->font);
        painter->setPen(colors::systemGray);
        painter->drawText(item->rect.adjusted(kTrailingMargin, 0, -kTrailingMargin, 0), Qt::AlignCenter,
                          item->text);
        painter->restore();
        return;
    }
    if (role == MenuRowRole::Destructive) {
        for (QPalette::ColorRole textRole : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                                             QPalette::HighlightedText})
            row.palette.setColor(textRole, colors::destructiveOnLight);
    }
    QProxyStyle::drawControl(element, &row, painter, widget);

    if (!item->icon.isNull()) {
        const QRect& r = item->rect;
        const QRect symbol(r.right() - kTrailingMargin - kSymbolSize + 1, r.center().y() - kSymbolSize / 2 + 1,
                           kSymbolSize, kSymbolSize);
        const bool enabled = item->state & State_Enabled;
        item->icon.paint(painter, symbol, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
    }
}

QSize MenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || !item || item->menuItemType == QStyleOptionMenuItem::Separator)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    QStyleOptionMenuItem row = *item;
    row.icon = QIcon();
    row.maxIconWidth = 0;
    QSize result = QProxyStyle::sizeFromContents(type, &row, size, widget);
    if (!item->icon.isNull())
        result.rwidth() += kSymbolSize + kSymbolGap;
    if (item->state & State_Enabled) {
        result.setHeight(std::max(result.height(), kRowMinHeight));
    } else {
        // Only title rows are disabled: as many lines as the title has, no taller.
        const QFontMetrics metrics(item->font);
        const QSize text = metrics.size(0, item->text);
        result.setWidth(std::max(result.width(), text.width() + 2 * kTrailingMargin));
        result.setHeight(text.height() + 2 * kTitlePadding);
    }
    return result;
}

int MenuStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* returnData) const
{
    // Title rows are disabled actions: never highlighted, never chosen.
    if (hint == SH_Menu_AllowActiveAndDisabled)
        return 0;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

} // namespace kavio::platform
