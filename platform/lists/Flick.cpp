#include "platform/lists/Flick.h"

#include <QInputDevice>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kavio::platform {

namespace {
const double kLogDecay = std::log(FlickMotion::kDecayPerMs);
} // namespace

bool fromTouch(const QMouseEvent& event)
{
    return event.source() != Qt::MouseEventNotSynthesized
           || (event.device() && event.device()->type() == QInputDevice::DeviceType::TouchScreen);
}

double FlickMotion::velocityAt(double ms) const
{
    return velocity_ * std::pow(kDecayPerMs, ms);
}

double FlickMotion::positionAt(double ms) const
{
    // The integral of the decaying speed; points a second, so a thousandth per millisecond.
    return from_ + velocity_ / 1000.0 * (std::pow(kDecayPerMs, ms) - 1.0) / kLogDecay;
}

double FlickMotion::duration() const
{
    const double speed = std::abs(velocity_);
    if (speed <= kStopSpeed)
        return 0;
    return std::log(kStopSpeed / speed) / kLogDecay;
}

void VelocityTracker::add(qint64 ms, double position)
{
    samples_.emplace_back(ms, position);
    while (samples_.size() > 2 && samples_.front().first < ms - kWindowMs)
        samples_.pop_front();
}

double VelocityTracker::velocity(qint64 liftedMs) const
{
    if (samples_.size() < 2 || liftedMs - samples_.back().first > kStillMs)
        return 0;
    const auto& [firstMs, firstPosition] = samples_.front();
    const auto& [lastMs, lastPosition] = samples_.back();
    const qint64 span = std::max<qint64>(lastMs - firstMs, 1);
    const double speed = (lastPosition - firstPosition) * 1000.0 / static_cast<double>(span);
    return std::clamp(speed, -kMaximumSpeed, kMaximumSpeed);
}

Flick::Flick(ScrollTo scrollTo, QObject* parent) : QObject(parent), scrollTo_(std::move(scrollTo))
{
    frames_ = new QTimer(this);
    frames_->setTimerType(Qt::PreciseTimer);
    frames_->setInterval(kFrameMs);
    connect(frames_, &QTimer::timeout, this, &Flick::step);
}

void Flick::fingerDown(qint64 ms, int y)
{
    tracker_.reset();
    tracker_.add(ms, y);
}

void Flick::fingerMoved(qint64 ms, int y)
{
    tracker_.add(ms, y);
}

double Flick::liftVelocity(qint64 ms) const
{
    return -tracker_.velocity(ms); // the finger going up carries the content down
}

bool Flick::start(int offset, double velocity)
{
    stop();
    if (std::abs(velocity) < kMinimumSpeed)
        return false;
    motion_ = FlickMotion(offset, velocity);
    clock_.start();
    frames_->start();
    return true;
}

void Flick::stop()
{
    frames_->stop();
}

bool Flick::isMoving() const
{
    return frames_->isActive();
}

void Flick::step()
{
    const double ms = static_cast<double>(clock_.elapsed());
    const bool last = ms >= motion_.duration();
    const int wanted = static_cast<int>(std::lround(last ? motion_.restingPosition() : motion_.positionAt(ms)));
    // Held at an end: the list has nowhere left to go.
    if (scrollTo_(wanted) != wanted || last)
        stop();
}

} // namespace kavio::platform
