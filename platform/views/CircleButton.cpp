#include "platform/views/CircleButton.h"

#include "platform/views/Symbols.h"

#include <QPainter>

namespace kavio::platform {

CircleButton::CircleButton(const QString& symbolName, QWidget* parent)
    : QAbstractButton(parent), symbolName_(symbolName)
{
    resize(kDiameter, kDiameter);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(symbolName);
}

void CircleButton::setSymbolName(const QString& name)
{
    symbolName_ = name;
    update();
}

void CircleButton::setTintColor(const QColor& tint)
{
    tint_ = tint;
    update();
}

void CircleButton::setBorderColor(const QColor& border)
{
    border_ = border;
    update();
}

void CircleButton::setFillColor(const QColor& fill)
{
    fill_ = fill;
    update();
}

bool CircleButton::hitButton(const QPoint& pos) const
{
    if (width() > kDiameter || height() > kDiameter)
        return rect().contains(pos);
    const QPointF centre = QRectF(rect()).center();
    const QPointF d = QPointF(pos) - centre;
    const qreal radius = kDiameter / 2.0 + 4.0; // a little slack around the ring
    return d.x() * d.x() + d.y() * d.y() <= radius * radius;
}

QImage CircleButton::symbolFor(const QColor& tint, qreal ratio) const
{
    const QString key = symbolName_ + u'|' + tint.name(QColor::HexArgb) + u'|' + QString::number(ratio);
    if (key != symbolCacheKey_) {
        symbolCache_ = symbolImage(symbolName_, {kSymbolSize, kSymbolSize}, tint, ratio);
        symbolCacheKey_ = key;
    }
    return symbolCache_;
}

void CircleButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The ring stays its own size in the middle of a larger tap target.
    painter.translate((width() - kDiameter) / 2.0, (height() - kDiameter) / 2.0);
    const QRectF ring = QRectF(0, 0, kDiameter, kDiameter).adjusted(0.5, 0.5, -0.5, -0.5);

    QColor fill = fill_;
    if (isDown()) {
        // Pressed: a wash of the tint so the touch is visible on any background.
        fill = tint_;
        fill.setAlphaF(0.25f);
    }
    painter.setPen(QPen(border_, 1.0));
    painter.setBrush(fill);
    painter.drawEllipse(ring);
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        // Reached by the keyboard: a second ring just outside the first.
        QColor focusRing = tint_;
        focusRing.setAlphaF(0.7f);
        painter.setPen(QPen(focusRing, 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(ring.adjusted(-2.5, -2.5, 2.5, 2.5));
    }

    const QImage symbol = symbolFor(isEnabled() ? tint_ : tint_.darker(200), devicePixelRatioF());
    if (!symbol.isNull()) {
        const QPointF origin((kDiameter - kSymbolSize) / 2.0, (kDiameter - kSymbolSize) / 2.0);
        painter.drawImage(QRectF(origin, QSizeF(kSymbolSize, kSymbolSize)), symbol);
    }
}

} // namespace kavio::platform
