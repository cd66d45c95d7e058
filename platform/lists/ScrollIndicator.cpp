#include "platform/lists/ScrollIndicator.h"

#include "platform/lists/Flick.h"

#include "platform/base/Animated.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QVariantAnimation>

#include <algorithm>

namespace kavio::platform {

namespace {
constexpr int kIdleMs = 1200;
constexpr int kFadeMs = 300;
constexpr int kMargin = 3;
constexpr int kMinHandle = 36;
} // namespace

ScrollIndicator::ScrollIndicator(QAbstractScrollArea* area)
    : QWidget(area->viewport()), area_(area), bar_(area->verticalScrollBar())
{
    idle_ = new QTimer(this);
    idle_->setSingleShot(true);
    idle_->setInterval(kIdleMs);
    connect(idle_, &QTimer::timeout, this, &ScrollIndicator::fadeOut);
    fade_ = new QVariantAnimation(this);
    fade_->setDuration(kFadeMs);
    connect(fade_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { setOpacity(v.toReal()); });
    connect(bar_, &QScrollBar::valueChanged, this, [this] {
        if (!dragging_)
            flash();
        update();
    });
    connect(bar_, &QScrollBar::rangeChanged, this, [this] {
        if (bar_->maximum() <= 0)
            setOpacity(0);
        update();
    });
    area_->installEventFilter(this);
    area_->viewport()->installEventFilter(this);
    hide();
}

void ScrollIndicator::setIndicatorEnabled(bool enabled)
{
    enabled_ = enabled;
    if (!enabled_)
        setOpacity(0);
}

void ScrollIndicator::setColor(const QColor& color)
{
    color_ = color;
    update();
}

void ScrollIndicator::flash()
{
    if (!enabled_ || bar_->maximum() <= 0 || !area_->isVisible())
        return;
    fade_->stop();
    setOpacity(1);
    place();
    keepOnTop();
    idle_->start();
}

void ScrollIndicator::keepOnTop()
{
    if (isVisible())
        raise();
}

void ScrollIndicator::fadeOut()
{
    if (hovered_ || dragging_) {
        idle_->start();
        return;
    }
    if (!animationsEnabled()) {
        setOpacity(0);
        return;
    }
    fade_->setStartValue(opacity_);
    fade_->setEndValue(0.0);
    fade_->start();
}

void ScrollIndicator::setOpacity(qreal opacity)
{
    opacity_ = opacity;
    // Hidden when faded, so it never takes clicks meant for the rows beneath.
    setVisible(opacity_ > 0);
    update();
}

void ScrollIndicator::place()
{
    const QRect vp = area_->viewport()->rect();
    setGeometry(vp.right() + 1 - kWidth, vp.top(), kWidth, vp.height());
}

QRect ScrollIndicator::handleRect() const
{
    const int track = height() - 2 * kMargin;
    const int page = bar_->pageStep();
    const int total = bar_->maximum() - bar_->minimum() + page;
    if (total <= 0 || track <= 0)
        return {};
    const int length = std::clamp(track * page / std::max(1, total), kMinHandle, track);
    const int range = bar_->maximum() - bar_->minimum();
    const int top = range > 0 ? (track - length) * (bar_->value() - bar_->minimum()) / range : 0;
    const int thickness = hovered_ || dragging_ ? 7 : 4;
    return QRect(width() - kMargin - thickness, kMargin + top, thickness, length);
}

bool ScrollIndicator::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == area_->viewport() && event->type() == QEvent::Resize)
        place();
    else if (watched == area_ && event->type() == QEvent::Enter)
        flash();
    return QWidget::eventFilter(watched, event);
}

void ScrollIndicator::paintEvent(QPaintEvent*)
{
    const QRect handle = handleRect();
    if (handle.isEmpty())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(opacity_);
    p.setPen(Qt::NoPen);
    p.setBrush(color_);
    const qreal radius = handle.width() / 2.0;
    p.drawRoundedRect(QRectF(handle), radius, radius);
}

void ScrollIndicator::mousePressEvent(QMouseEvent* event)
{
    // Under a finger it only shows where the list is: the touch belongs to the row below.
    if (fromTouch(*event)) {
        event->ignore();
        return;
    }
    const QPoint pos = event->position().toPoint();
    const QRect handle = handleRect();
    if (pos.y() < handle.top()) {
        bar_->triggerAction(QAbstractSlider::SliderPageStepSub);
    } else if (pos.y() > handle.bottom()) {
        bar_->triggerAction(QAbstractSlider::SliderPageStepAdd);
    } else {
        dragging_ = true;
        dragStartY_ = pos.y();
        dragStartValue_ = bar_->value();
    }
    update();
    event->accept();
}

void ScrollIndicator::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragging_) {
        event->ignore();
        return;
    }
    const int free = height() - 2 * kMargin - handleRect().height();
    const int range = bar_->maximum() - bar_->minimum();
    if (free <= 0)
        return;
    const int dy = event->position().toPoint().y() - dragStartY_;
    bar_->setValue(dragStartValue_ + static_cast<int>(static_cast<qint64>(dy) * range / free));
    Q_EMIT bar_->sliderMoved(bar_->value());
}

void ScrollIndicator::mouseReleaseEvent(QMouseEvent* event)
{
    if (dragging_) {
        dragging_ = false;
        Q_EMIT bar_->sliderReleased();
    } else {
        event->ignore(); // the end of a touch it let through
    }
    idle_->start();
    update();
}

void ScrollIndicator::enterEvent(QEnterEvent*)
{
    hovered_ = true;
    update();
}

void ScrollIndicator::leaveEvent(QEvent*)
{
    hovered_ = false;
    idle_->start();
    update();
}

} // namespace kavio::platform
