#include "platform/views/Switch.h"

#include "platform/views/Colors.h"

#include <QPainter>

namespace kavio::platform {

Switch::Switch(QWidget* parent) : QAbstractButton(parent), onTint_(colors::systemGreen)
{
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(kSize);
}

void Switch::setOnTintColor(const QColor& color)
{
    onTint_ = color;
    update();
}

void Switch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal radius = track.height() / 2;
    p.setPen(hasFocus() ? QPen(colors::systemBlue, 1.5) : Qt::NoPen);
    p.setBrush(isChecked() ? onTint_ : colors::switchTrackOff);
    p.drawRoundedRect(track, radius, radius);
    const qreal knob = track.height() - 4;
    const qreal x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    p.setPen(QPen(colors::switchKnobEdge, 0.5));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}

} // namespace kavio::platform
