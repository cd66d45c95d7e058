#include "platform/media/TrackButton.h"

#include "platform/views/Colors.h"
#include "platform/views/Symbols.h"

#include <QMenu>

namespace kavio::platform {

namespace {

constexpr int kIconPoints = 22;
constexpr int kTapTarget = 40;
constexpr int kRowPadding = 11;  // above and below a row's text: rows of about 44 points
constexpr int kMenuTextPixels = 17;

QString menuStyleSheet()
{
    return QStringLiteral("QMenu { background: %1; color: %2; font-size: %3px; padding: 4px 0; border-radius: 10px; }"
                          "QMenu::item { padding: %4px 28px %4px 34px; }"
                          "QMenu::item:selected { background: %5; }"
                          "QMenu::item:disabled { color: %6; font-size: %7px; }"
                          "QMenu::indicator { left: 10px; }")
        .arg(colors::menuBackground.name(), colors::label.name())
        .arg(kMenuTextPixels)
        .arg(kRowPadding)
        .arg(colors::highlightOnLight.name(), colors::sectionTitleOnLight.name())
        .arg(kMenuTextPixels - 3);
}

} // namespace

TrackButton::TrackButton(const QString& symbolName, const QString& title, QWidget* parent)
    : QToolButton(parent), title_(title)
{
    setAutoRaise(true);
    setIcon(symbolIcon(symbolName, Qt::white));
    setIconSize(QSize(kIconPoints, kIconPoints));
    setMinimumSize(kTapTarget, kTapTarget);
    setFocusPolicy(Qt::NoFocus);
    setToolTip(title);
    setAccessibleName(title);
    menu_ = new QMenu(this);
    menu_->setStyleSheet(menuStyleSheet());
    setMenu(menu_);
    setPopupMode(QToolButton::InstantPopup);
    // No arrow beside the symbol: the whole button opens the menu.
    setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; width: 0; }"));
    hide();
}

void TrackButton::setRows(const QStringList& rows, int current)
{
    if (rows == rows_ && current == current_)
        return;
    rows_ = rows;
    current_ = current;
    rebuildMenu();
    setVisible(!rows_.isEmpty());
}

void TrackButton::rebuildMenu()
{
    menu_->clear();
    QAction* heading = menu_->addAction(title_);
    heading->setEnabled(false);
    for (qsizetype i = 0; i < rows_.size(); ++i) {
        QAction* action = menu_->addAction(rows_[i]);
        action->setCheckable(true);
        action->setChecked(i == current_);
        connect(action, &QAction::triggered, this, [this, row = static_cast<int>(i)] { Q_EMIT rowChosen(row); });
    }
}

} // namespace kavio::platform
