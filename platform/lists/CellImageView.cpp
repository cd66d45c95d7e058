#include "platform/lists/CellImageView.h"

#include <QPainter>
#include <QPainterPath>

namespace kavio::platform {

CellImageView::CellImageView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CellImageView::setImage(const QPixmap& image)
{
    const bool sizeChanged = image.deviceIndependentSize() != image_.deviceIndependentSize();
    image_ = image;
    if (sizeChanged)
        updateGeometry();
    update();
}

void CellImageView::setImage(const QImage& image) { setImage(QPixmap::fromImage(image)); }

QSize CellImageView::imageSize() const
{
    return image_.deviceIndependentSize().toSize();
}

void CellImageView::setContentMode(ImageContentMode mode)
{
    mode_ = mode;
    update();
}

void CellImageView::setCornerRadius(qreal radius)
{
    cornerRadius_ = radius;
    update();
}

void CellImageView::setBorderWidth(qreal width)
{
    borderWidth_ = width;
    update();
}

void CellImageView::setBorderColor(const QColor& color)
{
    borderColor_ = color;
    update();
}

void CellImageView::setBackgroundColor(const QColor& color)
{
    background_ = color;
    update();
}

QSize CellImageView::sizeHint() const
{
    return hasImage() ? imageSize() : QSize(0, 0);
}

QRectF CellImageView::targetRect() const
{
    const QRectF bounds = rect();
    const QSizeF source = image_.deviceIndependentSize();
    if (mode_ == ImageContentMode::ScaleToFill || source.isEmpty())
        return bounds;
    QSizeF fitted = source.scaled(bounds.size(), mode_ == ImageContentMode::AspectFit
                                                     ? Qt::KeepAspectRatio
                                                     : Qt::KeepAspectRatioByExpanding);
    QRectF r(QPointF(), fitted);
    r.moveCenter(bounds.center());
    return r;
}

void CellImageView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds = rect();
    QPainterPath clip;
    clip.addRoundedRect(bounds, cornerRadius_, cornerRadius_);
    if (cornerRadius_ > 0)
        p.setClipPath(clip);
    if (background_.alpha() > 0)
        p.fillRect(bounds, background_);
    if (hasImage())
        p.drawPixmap(targetRect(), image_, QRectF(image_.rect()));
    if (borderWidth_ > 0) {
        // The border lies inside the bounds and over the image, as a layer border does.
        p.setClipping(false);
        const qreal half = borderWidth_ / 2;
        const QRectF inner = bounds.adjusted(half, half, -half, -half);
        const qreal radius = std::max<qreal>(0, cornerRadius_ - half);
        p.setPen(QPen(borderColor_, borderWidth_));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(inner, radius, radius);
    }
}

} // namespace kavio::platform
