#include "platform/lists/TableViewCell.h"

#include "platform/lists/CellImageView.h"
#include "platform/lists/TableViewCellLabel.h"
#include "platform/views/Colors.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>

#include <algorithm>

namespace kavio::platform {

namespace {

constexpr int kMargin = 16;
constexpr int kImageTextGap = 16;
constexpr int kAccessoryGap = 8;
constexpr int kLineGap = 2;
constexpr int kTitlePixels = 17;
constexpr int kDetailPixels = 12;
constexpr QSize kChevron{8, 13};
constexpr QSize kCheckmark{14, 11};
constexpr int kDeselectMs = 300;

QPainterPath roundedPath(const QRectF& r, qreal radius, bool top, bool bottom)
{
    QPainterPath path;
    const qreal rt = top ? radius : 0;
    const qreal rb = bottom ? radius : 0;
    path.moveTo(r.left() + rt, r.top());
    path.lineTo(r.right() - rt, r.top());
    if (rt > 0)
        path.quadTo(r.right(), r.top(), r.right(), r.top() + rt);
    path.lineTo(r.right(), r.bottom() - rb);
    if (rb > 0)
        path.quadTo(r.right(), r.bottom(), r.right() - rb, r.bottom());
    path.lineTo(r.left() + rb, r.bottom());
    if (rb > 0)
        path.quadTo(r.left(), r.bottom(), r.left(), r.bottom() - rb);
    path.lineTo(r.left(), r.top() + rt);
    if (rt > 0)
        path.quadTo(r.left(), r.top(), r.left() + rt, r.top());
    path.closeSubpath();
    return path;
}

} // namespace

TableViewCell::TableViewCell(TableViewCellStyle style, const QString& reuseIdentifier,
                             QWidget* parent)
    : QWidget(parent), style_(style), reuseIdentifier_(reuseIdentifier)
{
    content_ = new QWidget(this);
    content_->installEventFilter(this);
}

TableViewCell::~TableViewCell() = default;

CellImageView* TableViewCell::imageView()
{
    if (!image_) {
        image_ = new CellImageView(content_);
        image_->setContentMode(ImageContentMode::AspectFit);
        image_->show();
        setNeedsLayout();
    }
    return image_;
}

TableViewCellLabel* TableViewCell::textLabel()
{
    if (!title_) {
        title_ = new TableViewCellLabel(content_);
        title_->setPixelSize(kTitlePixels);
        title_->setTextColor(isDark() ? Qt::white : Qt::black);
        title_->setAttribute(Qt::WA_TransparentForMouseEvents);
        title_->show();
        setNeedsLayout();
    }
    return title_;
}

TableViewCellLabel* TableViewCell::detailTextLabel()
{
    if (style_ != TableViewCellStyle::Subtitle)
        return nullptr;
    if (!detail_) {
        detail_ = new TableViewCellLabel(content_);
        detail_->setPixelSize(kDetailPixels);
        detail_->setTextColor(colors::secondaryLabelOnLight);
        detail_->setAttribute(Qt::WA_TransparentForMouseEvents);
        detail_->show();
        setNeedsLayout();
    }
    return detail_;
}

void TableViewCell::setAccessoryType(TableViewCellAccessory type)
{
    accessoryType_ = type;
    setNeedsLayout();
    update();
}

void TableViewCell::setAccessoryView(QWidget* view)
{
    if (view == accessoryView_)
        return;
    if (accessoryView_) {
        // Later, not now: the old view may be the sender of whatever led here.
        accessoryView_->hide();
        accessoryView_->deleteLater();
    }
    accessoryView_ = view;
    if (view) {
        view->setParent(this);
        view->show();
    }
    setNeedsLayout();
    update();
}

void TableViewCell::setBackgroundColor(const QColor& color)
{
    background_ = color;
    // Accessory views read the row's colour from their palette to pick readable text.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, color);
    setPalette(palette);
    update();
}

void TableViewCell::setSelected(bool selected, Animated animated)
{
    selected_ = selected;
    if (fade_)
        fade_->stop();
    const qreal target = (selected_ || highlighted_) ? 1.0 : 0.0;
    if (animated == Animated::No || target > highlightLevel_ || !animationsEnabled()
        || !isVisible() || selectionStyle_ == TableViewCellSelectionStyle::None) {
        setHighlightLevel(target);
        return;
    }
    if (!fade_) {
        fade_ = new QVariantAnimation(this);
        fade_->setDuration(kDeselectMs);
        connect(fade_, &QVariantAnimation::valueChanged, this,
                [this](const QVariant& v) { setHighlightLevel(v.toReal()); });
    }
    fade_->setStartValue(highlightLevel_);
    fade_->setEndValue(target);
    fade_->start();
}

void TableViewCell::setHighlighted(bool highlighted)
{
    highlighted_ = highlighted;
    if (fade_)
        fade_->stop();
    setHighlightLevel((selected_ || highlighted_) ? 1.0 : 0.0);
}

void TableViewCell::setHighlightLevel(qreal level)
{
    if (highlightLevel_ != level) {
        highlightLevel_ = level;
        update();
    }
}

void TableViewCell::prepareForReuse()
{
    setSelected(false, Animated::No);
    setHighlighted(false);
    if (title_)
        title_->clear();
    if (detail_)
        detail_->clear();
    if (image_)
        image_->setImage(QPixmap());
    setAccessoryView(nullptr);
    setAccessoryType(TableViewCellAccessory::None);
}

void TableViewCell::setDecoration(const TableViewCellDecoration& decoration)
{
    decoration_ = decoration;
    update();
}

void TableViewCell::setFocusIndicator(bool shown)
{
    if (focusIndicator_ != shown) {
        focusIndicator_ = shown;
        update();
    }
}

void TableViewCell::setSwipeOffset(int offset)
{
    offset = std::min(0, offset);
    if (swipeOffset_ == offset)
        return;
    swipeOffset_ = offset;
    needsLayout_ = true;
    layoutIfNeeded();
    update();
}

void TableViewCell::setNeedsLayout()
{
    if (needsLayout_)
        return;
    needsLayout_ = true;
    if (isVisible())
        QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
}

void TableViewCell::layoutIfNeeded()
{
    if (!needsLayout_)
        return;
    needsLayout_ = false;
    int contentRight = width();
    layoutAccessory(contentRight);
    content_->setGeometry(swipeOffset_, 0, std::max(0, contentRight), height());
    layoutContent();
}

void TableViewCell::layoutAccessory(int& contentRight)
{
    if (accessoryView_) {
        QSize size = accessoryView_->testAttribute(Qt::WA_Resized)
                         ? accessoryView_->size()
                         : accessoryView_->sizeHint()
                               .expandedTo(accessoryView_->minimumSize())
                               .boundedTo(accessoryView_->maximumSize());
        size = size.boundedTo(QSize(width() / 2, height()));
        const int x = width() - kMargin - size.width();
        accessoryView_->setGeometry(x + swipeOffset_, (height() - size.height()) / 2,
                                    size.width(), size.height());
        contentRight = x - kAccessoryGap;
    } else if (accessoryType_ == TableViewCellAccessory::DisclosureIndicator) {
        contentRight = width() - kMargin - kChevron.width() - kAccessoryGap;
    } else if (accessoryType_ == TableViewCellAccessory::Checkmark) {
        contentRight = width() - kMargin - kCheckmark.width() - kAccessoryGap;
    }
}

void TableViewCell::layoutContent()
{
    const int h = content_->height();
    int textLeft = kMargin;
    if (image_ && image_->hasImage()) {
        const QSize size = image_->imageSize().scaled(
            image_->imageSize().boundedTo(QSize(h * 2, h - 4)), Qt::KeepAspectRatio);
        image_->setGeometry(kMargin, (h - size.height()) / 2, size.width(), size.height());
        textLeft = kMargin + size.width() + kImageTextGap;
    } else if (image_) {
        image_->setGeometry(0, 0, 0, 0);
    }
    separatorInset_ = textLeft;
    const int rightMargin = accessoryView_ ? 0 : kMargin;
    const int textWidth = std::max(0, content_->width() - textLeft - rightMargin);
    const bool hasDetail = detail_ && !detail_->text().isEmpty();
    const int titleHeight = title_ ? title_->fontMetrics().height() : 0;
    if (!hasDetail) {
        if (title_)
            title_->setGeometry(textLeft, 0, textWidth, h);
        if (detail_)
            detail_->setGeometry(textLeft, h, textWidth, 0);
        return;
    }
    const int detailHeight = detail_->fontMetrics().height();
    const int block = titleHeight + kLineGap + detailHeight;
    const int top = (h - block) / 2;
    if (title_)
        title_->setGeometry(textLeft, top, textWidth, titleHeight);
    detail_->setGeometry(textLeft, top + (title_ ? titleHeight + kLineGap : 0), textWidth,
                         detailHeight);
}

bool TableViewCell::isDark() const { return background_.lightnessF() < 0.5; }

QColor TableViewCell::secondaryColor() const
{
    return isDark() ? colors::chevronOnDark : colors::chevronOnLight;
}

QColor TableViewCell::highlightColor() const
{
    return isDark() ? colors::highlightOnDark : colors::highlightOnLight;
}

void TableViewCell::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    const QPainterPath shape = roundedPath(r, decoration_.cornerRadius, decoration_.roundTop,
                                           decoration_.roundBottom);
    p.fillPath(shape, background_);
    if (highlightLevel_ > 0 && selectionStyle_ != TableViewCellSelectionStyle::None) {
        QColor c = highlightColor();
        c.setAlphaF(static_cast<float>(highlightLevel_));
        p.fillPath(shape, c);
    }
    if (decoration_.separator) {
        p.setRenderHint(QPainter::Antialiasing, false);
        const int left = std::max(0, separatorInset_ + swipeOffset_);
        p.fillRect(QRect(left, height() - 1, width() - left, 1), decoration_.separatorColor);
        p.setRenderHint(QPainter::Antialiasing);
    }
    if (!accessoryView_) {
        p.save();
        p.translate(swipeOffset_, 0);
        paintAccessory(p);
        p.restore();
    }
    if (swipeOffset_ < 0)
        paintDeleteButton(p, shape);
    if (focusIndicator_) {
        p.setPen(QPen(colors::systemBlue, 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(roundedPath(r.adjusted(1, 1, -1, -1), decoration_.cornerRadius,
                               decoration_.roundTop, decoration_.roundBottom));
    }
}

void TableViewCell::paintAccessory(QPainter& p) const
{
    if (accessoryType_ == TableViewCellAccessory::None)
        return;
    const bool chevron = accessoryType_ == TableViewCellAccessory::DisclosureIndicator;
    const QSize size = chevron ? kChevron : kCheckmark;
    const QRectF box(width() - kMargin - size.width(), (height() - size.height()) / 2.0,
                     size.width(), size.height());
    QPainterPath path;
    if (chevron) {
        path.moveTo(box.topLeft());
        path.lineTo(box.right(), box.center().y());
        path.lineTo(box.bottomLeft());
    } else {
        path.moveTo(box.left(), box.center().y());
        path.lineTo(box.left() + box.width() * 0.35, box.bottom());
        path.lineTo(box.topRight());
    }
    const QColor color = chevron ? secondaryColor() : colors::systemBlue;
    p.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void TableViewCell::paintDeleteButton(QPainter& p, const QPainterPath& shape) const
{
    const QRect button(width() + swipeOffset_, 0, -swipeOffset_, height());
    p.save();
    p.setClipPath(shape);
    p.fillRect(button, colors::destructiveOnLight); // under white words
    QFont f = font();
    f.setPixelSize(15);
    p.setFont(f);
    p.setPen(Qt::white);
    // The label stays at the button's left edge while a long swipe widens it.
    const QRect label(button.left(), 0, std::min(button.width(), 80), height());
    p.drawText(label, Qt::AlignCenter, tr("Delete"));
    p.restore();
}

void TableViewCell::resizeEvent(QResizeEvent*)
{
    needsLayout_ = true;
    layoutIfNeeded();
}

void TableViewCell::showEvent(QShowEvent*)
{
    needsLayout_ = true;
    layoutIfNeeded();
}

bool TableViewCell::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == content_ && event->type() == QEvent::LayoutRequest)
        setNeedsLayout();
    return QWidget::eventFilter(watched, event);
}

bool TableViewCell::event(QEvent* event)
{
    if (event->type() == QEvent::LayoutRequest)
        layoutIfNeeded();
    return QWidget::event(event);
}

} // namespace kavio::platform
