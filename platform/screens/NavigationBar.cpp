#include "platform/screens/NavigationBar.h"

#include "platform/screens/NavigationItem.h"
#include "platform/views/Colors.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kavio::platform {
namespace {

constexpr int kEdgeMargin = 16;
constexpr int kItemSpacing = 8;
constexpr int kTitleGap = 8;
constexpr int kFontPixels = 17;
constexpr float kTranslucentAlpha = 0.85f;

// Rounded up, so eliding to exactly this width keeps the whole text.
int textAdvance(const QFont& font, const QString& text)
{
    return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
}

// "‹" and the previous screen's title, in the bar's tint.
class BackButton final : public QAbstractButton {
public:
    static constexpr int kLeading = 8;
    static constexpr int kChevronWidth = 12;
    static constexpr int kChevronHeight = 20;
    static constexpr int kGap = 6;
    static constexpr int kTrailing = 8;
    static constexpr int kChevronOnly = kLeading + kChevronWidth + kTrailing;
    // Fewer letters than this before the ellipsis say nothing; the chevron alone is clearer.
    static constexpr int kFewestLetters = 3;

    explicit BackButton(QWidget* parent) : QAbstractButton(parent)
    {
        setObjectName(QStringLiteral("kavio-navigation-back"));
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
        QFont f = font();
        f.setPixelSize(kFontPixels);
        setFont(f);
    }

    void setTint(const QColor& tint)
    {
        tint_ = tint;
        update();
    }

    QSize sizeHint() const override
    {
        const int textWidth = text().isEmpty() ? 0 : kGap + textAdvance(font(), text());
        return {kLeading + kChevronWidth + textWidth + kTrailing, NavigationBar::kHeight};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor colour = tint_;
        if (isDown())
            colour.setAlphaF(colour.alphaF() * 0.3f); // the platform dims a touched bar button
        if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
            QColor ring = tint_;
            ring.setAlphaF(0.5f);
            painter.setPen(QPen(ring, 2));
            painter.drawRoundedRect(QRectF(rect()).adjusted(2, 6, -2, -6), 6, 6);
        }
        const qreal mid = height() / 2.0;
        QPainterPath chevron;
        chevron.moveTo(kLeading + kChevronWidth - 2, mid - kChevronHeight / 2.0);
        chevron.lineTo(kLeading + 2, mid);
        chevron.lineTo(kLeading + kChevronWidth - 2, mid + kChevronHeight / 2.0);
        painter.setPen(QPen(colour, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(chevron);

        const int textLeft = kLeading + kChevronWidth + kGap;
        const QRect textRect(textLeft, 0, std::max(0, width() - textLeft - kTrailing), height());
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, textRect.width());
        if (shown != text() && shown.size() <= kFewestLetters)
            return;
        painter.setPen(colour);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, shown);
    }

private:
    QColor tint_;
};

} // namespace

NavigationBar::NavigationBar(QWidget* parent)
    : QWidget(parent), barTint_(colors::systemGroupedBackground), tint_(colors::systemBlue),
      titleColor_(colors::label)
{
    setObjectName(QStringLiteral("kavio-navigation-bar"));
    setFixedHeight(kHeight);
    setupTitle();
    setupBackButton();
    applyTint();
}

NavigationBar::~NavigationBar()
{
    // The views belong to their screens' items, not to the bar.
    returnItemViews({});
}

void NavigationBar::setupTitle()
{
    titleLabel_ = new QLabel(this);
    titleLabel_->setObjectName(QStringLiteral("kavio-navigation-title"));
    titleLabel_->setAlignment(Qt::AlignCenter);
    QFont f = titleLabel_->font();
    f.setPixelSize(kFontPixels);
    f.setBold(true);
    titleLabel_->setFont(f);
}

void NavigationBar::setupBackButton()
{
    backButton_ = new BackButton(this);
    backButton_->hide();
    connect(backButton_, &QAbstractButton::clicked, this, &NavigationBar::backRequested);
}

void NavigationBar::setBarTintColor(const QColor& color)
{
    barTint_ = color;
    update();
}

void NavigationBar::setTintColor(const QColor& color)
{
    tint_ = color;
    applyTint();
}

void NavigationBar::setTitleTextColor(const QColor& color)
{
    titleColor_ = color;
    applyTint();
}

void NavigationBar::setTranslucent(bool translucent)
{
    translucent_ = translucent;
    update();
}

void NavigationBar::applyTint()
{
    static_cast<BackButton*>(backButton_)->setTint(tint_);
    // Custom item views take the tint through the palette they inherit from the bar.
    QPalette items = palette();
    for (auto role : {QPalette::ButtonText, QPalette::WindowText, QPalette::Text})
        items.setColor(role, tint_);
    setPalette(items);
    QPalette title = titleLabel_->palette();
    title.setColor(QPalette::WindowText, titleColor_);
    titleLabel_->setPalette(title);
}

void NavigationBar::showItems(NavigationItem* top, NavigationItem* previous)
{
    for (NavigationItem* old : {top_.data(), previous_.data()}) {
        if (old)
            disconnect(old, &NavigationItem::changed, this, &NavigationBar::refresh);
    }
    top_ = top;
    previous_ = previous;
    for (NavigationItem* item : {top, previous}) {
        if (item)
            connect(item, &NavigationItem::changed, this, &NavigationBar::refresh);
    }
    refresh();
}

void NavigationBar::refresh()
{
    fullTitle_ = top_ ? top_->title() : QString();
    titleLabel_->setAccessibleName(fullTitle_);
    if (previous_) {
        const QString back = previous_->backButtonTitle();
        backButton_->setText(back);
        backButton_->setAccessibleName(back.isEmpty() ? tr("Back") : tr("Back to %1").arg(back));
        backButton_->show();
    } else {
        backButton_->hide();
    }
    adoptItemViews();
    layoutContents();
}

void NavigationBar::adoptItemViews()
{
    std::vector<QWidget*> wanted;
    if (top_) {
        for (const BarButtonItem& item : top_->rightBarButtonItems()) {
            if (item.view())
                wanted.push_back(item.view());
        }
    }
    returnItemViews(wanted);
    for (QWidget* view : wanted) {
        if (view->parentWidget() == this)
            continue;
        // A view its screen hid stays hidden in the bar.
        const bool hiddenByScreen = view->isHidden() && view->testAttribute(Qt::WA_WState_ExplicitShowHide);
        view->setParent(this);
        view->installEventFilter(this);
        if (!hiddenByScreen)
            view->show();
        borrowed_.emplace_back(view, top_->holder());
    }
}

void NavigationBar::returnItemViews(const std::vector<QWidget*>& keep)
{
    auto stays = [&keep](QWidget* view) {
        return view && std::find(keep.begin(), keep.end(), view) != keep.end();
    };
    for (auto& [view, home] : borrowed_) {
        if (!view || stays(view))
            continue;
        view->removeEventFilter(this);
        const bool hiddenByScreen = view->isHidden();
        view->setParent(home); // a view whose item is gone dies with it; home is then null too
        if (hiddenByScreen)
            view->hide(); // remembered as the screen's choice for the next time it is shown
    }
    std::erase_if(borrowed_, [&](const auto& entry) { return !stays(entry.first); });
}

bool NavigationBar::event(QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest) // a borrowed view's size hint changed
        layoutContents();
    return QWidget::event(event);
}

bool NavigationBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent)
        layoutContents();
    return QWidget::eventFilter(watched, event);
}

void NavigationBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutContents();
}

int NavigationBar::layoutRightItems()
{
    int x = width() - kEdgeMargin;
    bool placed = false;
    if (!top_)
        return width();
    for (const BarButtonItem& item : top_->rightBarButtonItems()) {
        if (item.kind() == BarButtonItem::Kind::FixedSpace) {
            x -= item.width();
            continue;
        }
        QWidget* view = item.view();
        if (!view || view->isHidden() || view->parentWidget() != this)
            continue;
        if (placed)
            x -= kItemSpacing;
        const QSize hint = view->sizeHint().expandedTo(view->minimumSize()).boundedTo(QSize(width(), kHeight));
        x -= hint.width();
        view->setGeometry(x, (kHeight - hint.height()) / 2, hint.width(), hint.height());
        placed = true;
    }
    return placed ? x : width();
}

void NavigationBar::layoutContents()
{
    const int rightStart = layoutRightItems();
    const int right = rightStart < width() ? rightStart - kTitleGap : width() - kEdgeMargin;
    const int wanted = textAdvance(titleLabel_->font(), fullTitle_);
    int left = kEdgeMargin;
    if (!backButton_->isHidden()) {
        // The back title gives way to the screen's own title, down to the chevron alone.
        const int titleLeft = std::min((width() - wanted) / 2, right - wanted);
        const int longest = std::max(BackButton::kChevronOnly, backButton_->sizeHint().width());
        const int backWidth = std::clamp(titleLeft - kTitleGap, BackButton::kChevronOnly, longest);
        backButton_->setGeometry(0, 0, backWidth, kHeight);
        left = backWidth + kTitleGap;
    }
    const int room = std::max(0, right - left);
    const int titleWidth = std::min(wanted, room);
    // Centred in the whole bar when that leaves the sides clear, else pushed inside them.
    const int x = std::clamp((width() - titleWidth) / 2, left, std::max(left, right - titleWidth));
    titleLabel_->setText(titleLabel_->fontMetrics().elidedText(fullTitle_, Qt::ElideRight, titleWidth));
    titleLabel_->setGeometry(x, 0, titleWidth, kHeight);
}

void NavigationBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor fill = barTint_;
    if (translucent_)
        fill.setAlphaF(fill.alphaF() * kTranslucentAlpha);
    painter.fillRect(rect(), fill);
    const bool dark = barTint_.lightnessF() < 0.5f;
    painter.fillRect(QRect(0, height() - 1, width(), 1), dark ? colors::separatorOnDark : colors::separatorOnLight);
}

} // namespace kavio::platform
