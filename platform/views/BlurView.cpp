#include "platform/views/BlurView.h"

#include <QPainter>

namespace kavio::platform {

BlurView::BlurView(QWidget* parent) : QWidget(parent)
{
    // Translucent on purpose: Qt paints whatever lies beneath first.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setAutoFillBackground(false);
}

void BlurView::setFillColor(const QColor& fill)
{
    fill_ = fill;
    update();
}

void BlurView::setCornerRadius(qreal radius)
{
    cornerRadius_ = radius;
    update();
}

void BlurView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (cornerRadius_ <= 0) {
        painter.fillRect(rect(), fill_);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill_);
    painter.drawRoundedRect(QRectF(rect()), cornerRadius_, cornerRadius_);
}

} // namespace kavio::platform
