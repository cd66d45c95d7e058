#include "platform/screens/TabBar.h"

#include "platform/screens/TabBarItem.h"
#include "platform/views/Colors.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>
#include <QPointer>

namespace kavio::platform {
namespace {

constexpr int kImageTop = 4;
constexpr int kTitlePixels = 10;
constexpr int kTitleBottom = 3;

class TabButton final : public QAbstractButton {
public:
    TabButton(TabBarItem* item, const TabBar& bar, QWidget* parent) : QAbstractButton(parent), item_(item), bar_(bar)
    {
        setObjectName(QStringLiteral("kavio-tab"));
        setCheckable(true);
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        QFont f = font();
        f.setPixelSize(kTitlePixels);
        f.setWeight(QFont::Medium);
        setFont(f);
        connect(item, &TabBarItem::changed, this, &TabButton::refresh);
        refresh();
    }

    QSize sizeHint() const override
    {
        return {std::max(TabBar::kImageSize, fontMetrics().horizontalAdvance(text())) + 8, TabBar::kHeight};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor colour = isChecked() ? bar_.tintColor() : bar_.unselectedItemTintColor();
        if (isDown())
            colour.setAlphaF(colour.alphaF() * 0.5f);
        if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
            QColor ring = bar_.tintColor();
            ring.setAlphaF(0.5f);
            painter.setPen(QPen(ring, 2));
            painter.drawRoundedRect(QRectF(rect()).adjusted(3, 2, -3, -2), 6, 6);
        }
        const QImage image = templateImage(colour);
        QRect titleRect(0, 0, width(), height() - kTitleBottom);
        Qt::Alignment alignment = Qt::AlignHCenter | Qt::AlignBottom;
        if (image.isNull()) {
            alignment = Qt::AlignCenter;
        } else {
            const QSizeF drawn = image.deviceIndependentSize();
            const QPointF origin((width() - drawn.width()) / 2.0, kImageTop + (TabBar::kImageSize - drawn.height()) / 2.0);
            painter.drawImage(QRectF(origin, drawn), image);
        }
        painter.setPen(colour);
        painter.drawText(titleRect, alignment, fontMetrics().elidedText(text(), Qt::ElideRight, titleRect.width()));
    }

private:
    void refresh()
    {
        if (!item_)
            return;
        setText(item_->title());
        setAccessibleName(item_->title());
        cacheKey_.clear();
        updateGeometry();
        update();
    }

    // The item's image fitted into 30x30 points, its alpha filled with colour.
    QImage templateImage(const QColor& colour) const
    {
        if (!item_ || item_->image().isNull())
            return {};
        const qreal ratio = devicePixelRatioF();
        const QString key = QString::number(item_->image().cacheKey()) + u'|' + colour.name(QColor::HexArgb) +
                            u'|' + QString::number(ratio);
        if (key == cacheKey_)
            return cache_;
        const int pixels = qRound(TabBar::kImageSize * ratio);
        QImage image = item_->image()
                           .scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                           .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), colour);
        painter.end();
        image.setDevicePixelRatio(ratio);
        cache_ = image;
        cacheKey_ = key;
        return cache_;
    }

    QPointer<TabBarItem> item_;
    const TabBar& bar_;
    mutable QImage cache_;
    mutable QString cacheKey_;
};

} // namespace

TabBar::TabBar(QWidget* parent)
    : QWidget(parent), barTint_(colors::systemGroupedBackground), tint_(colors::systemBlue),
      unselectedTint_(colors::systemGray)
{
    setObjectName(QStringLiteral("kavio-tab-bar"));
    setFixedHeight(kHeight);
    setupLayout();
}

TabBar::~TabBar() = default;

void TabBar::setupLayout()
{
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(0, 1, 0, 0); // below the hairline
    layout_->setSpacing(0);
}

void TabBar::setBarTintColor(const QColor& color)
{
    barTint_ = color;
    update();
}

void TabBar::setTintColor(const QColor& color)
{
    tint_ = color;
    for (QAbstractButton* button : buttons_)
        button->update();
}

void TabBar::setUnselectedItemTintColor(const QColor& color)
{
    unselectedTint_ = color;
    for (QAbstractButton* button : buttons_)
        button->update();
}

void TabBar::setItems(const std::vector<TabBarItem*>& items)
{
    for (QAbstractButton* old : buttons_) {
        old->hide();
        old->deleteLater(); // the click that led here may still be on its way out of it
    }
    buttons_.clear();
    for (TabBarItem* item : items) {
        auto* button = new TabButton(item, *this, this);
        const int index = static_cast<int>(buttons_.size());
        connect(button, &QAbstractButton::clicked, this, [this, index] {
            Q_EMIT tabClicked(index);
            applySelection(); // a click toggles the button; the selection decides
        });
        layout_->addWidget(button, 1);
        buttons_.push_back(button);
    }
    if (selected_ >= count())
        selected_ = count() - 1;
    applySelection();
}

void TabBar::setSelectedIndex(int index)
{
    selected_ = index;
    applySelection();
}

QAbstractButton* TabBar::button(int index) const
{
    return index >= 0 && index < count() ? buttons_[static_cast<size_t>(index)] : nullptr;
}

void TabBar::applySelection()
{
    for (int i = 0; i < count(); ++i)
        buttons_[static_cast<size_t>(i)]->setChecked(i == selected_);
}

void TabBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), barTint_);
    const bool dark = barTint_.lightnessF() < 0.5f;
    painter.fillRect(QRect(0, 0, width(), 1), dark ? colors::separatorOnDark : colors::separatorOnLight);
}

} // namespace kavio::platform
