#pragma once
// Momentum for a list under a finger. While the finger drags, the list remembers where the
// finger was over the last moments; when it lets go fast enough, the list goes on at that
// speed and slows as on a phone (the speed falls by a fixed share each millisecond) until
// it is too slow to see or reaches an end. Lists feed it touches only: a mouse drag stops
// where the mouse lets go, since a desktop pointer is expected to move content only while
// it holds it.

#include <QElapsedTimer>
#include <QObject>

#include <deque>
#include <functional>
#include <utility>

class QMouseEvent;
class QTimer;

namespace kavio::platform {

// Touches reach the lists as the mouse events Qt makes of them (buttons inside a list get
// theirs the same way); only these flick.
bool fromTouch(const QMouseEvent& event);

// The motion alone, in points and milliseconds: from a position at a velocity (points a
// second), decaying until the speed drops under kStopSpeed.
class FlickMotion {
public:
    static constexpr double kDecayPerMs = 0.998; // a phone's normal deceleration
    static constexpr double kStopSpeed = 20;     // points a second: to the eye, stopped

    FlickMotion(double from, double velocity) : from_(from), velocity_(velocity) {}

    double positionAt(double ms) const;
    double velocityAt(double ms) const;
    // When the speed falls under kStopSpeed, and where the list is then.
    double duration() const;
    double restingPosition() const { return positionAt(duration()); }

private:
    double from_;
    double velocity_;
};

// The finger's velocity at the moment it lifts, from its last moments on the glass.
class VelocityTracker {
public:
    static constexpr qint64 kWindowMs = 100;   // how far back the speed is taken
    static constexpr qint64 kStillMs = 60;     // held still this long before lifting: no speed
    static constexpr double kMaximumSpeed = 8000;

    void reset() { samples_.clear(); }
    void add(qint64 ms, double position);
    // Points a second, in the direction the position grew.
    double velocity(qint64 liftedMs) const;

private:
    std::deque<std::pair<qint64, double>> samples_;
};

class Flick : public QObject {
    Q_OBJECT
public:
    static constexpr double kMinimumSpeed = 200; // slower lifts are a drag that ends
    static constexpr int kFrameMs = 16;

    // Moves the list to an offset and answers where it went (held at its ends).
    using ScrollTo = std::function<int(int offset)>;

    Flick(ScrollTo scrollTo, QObject* parent);

    // The finger: down, moving, lifted (event time stamps, finger positions).
    void fingerDown(qint64 ms, int y);
    void fingerMoved(qint64 ms, int y);
    // How fast the content moves as the finger lifts: points a second, positive downward
    // through the content (the finger moving up).
    double liftVelocity(qint64 ms) const;

    // Goes on from offset at velocity; nothing when slower than kMinimumSpeed.
    bool start(int offset, double velocity);
    void stop();
    bool isMoving() const;

private:
    void step();

    ScrollTo scrollTo_;
    VelocityTracker tracker_;
    FlickMotion motion_{0, 0};
    QElapsedTimer clock_;
    QTimer* frames_ = nullptr; // child
};

} // namespace kavio::platform
