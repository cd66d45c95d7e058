#pragma once
// Which converted frame goes on screen next. A frame is shown once its time has come on
// the playback clock, and dropped only when the frame after it is due as well: a window
// that keeps up shows every frame, one that falls behind catches up with the newest due
// frame instead of showing stale ones, and none is ever shown early.
//
// Plain rules with times passed in (microseconds), so tests drive them with a scripted
// clock; the surface owns the locking.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>

namespace kavio::platform {

// Playback position from the frames themselves: the sink hands each frame over when it is
// due, so the newest frame's time plus the time since it came is where playback stands.
class PlaybackClock {
public:
    // A frame of presentation time ptsUs arrived at steady time steadyUs.
    void frameArrived(std::int64_t ptsUs, std::int64_t steadyUs)
    {
        ptsUs_ = ptsUs;
        steadyUs_ = steadyUs;
        running_ = true;
    }
    // Where playback stands at steadyUs; nothing before the first frame.
    std::optional<std::int64_t> now(std::int64_t steadyUs) const
    {
        if (!running_)
            return std::nullopt;
        return ptsUs_ + (steadyUs - steadyUs_);
    }
    void reset() { running_ = false; }

private:
    std::int64_t ptsUs_ = 0;
    std::int64_t steadyUs_ = 0;
    bool running_ = false;
};

template <typename Frame>
class FramePacer {
public:
    // At most capacity frames wait: a window stalled that long has every one of them due,
    // so the oldest goes.
    explicit FramePacer(std::size_t capacity = 4) : capacity_(capacity) {}

    // Frames come in presentation order. One due before the last waiting frame starts a new
    // run (a seek, the next video): what waits belongs to the old one and is discarded
    // without counting as dropped.
    void offer(std::int64_t dueUs, Frame frame)
    {
        if (!waiting_.empty() && dueUs < waiting_.back().dueUs)
            waiting_.clear();
        waiting_.push_back({dueUs, std::move(frame)});
        while (waiting_.size() > capacity_) {
            waiting_.pop_front();
            ++dropped_;
        }
    }

    // The frame to show at nowUs: the oldest due one, after dropping every frame whose
    // successor is due too. Nothing when no frame is due yet.
    std::optional<Frame> take(std::int64_t nowUs)
    {
        while (waiting_.size() > 1 && waiting_[1].dueUs <= nowUs) {
            waiting_.pop_front();
            ++dropped_;
        }
        if (waiting_.empty() || waiting_.front().dueUs > nowUs)
            return std::nullopt;
        Frame frame = std::move(waiting_.front().frame);
        waiting_.pop_front();
        ++shown_;
        return frame;
    }

    // When the next waiting frame falls due, to look again then.
    std::optional<std::int64_t> nextDue() const
    {
        if (waiting_.empty())
            return std::nullopt;
        return waiting_.front().dueUs;
    }

    void clear() { waiting_.clear(); }
    bool empty() const { return waiting_.empty(); }
    int shown() const { return shown_; }
    int dropped() const { return dropped_; }

private:
    struct Waiting {
        std::int64_t dueUs;
        Frame frame;
    };
    std::size_t capacity_;
    std::deque<Waiting> waiting_;
    int shown_ = 0;
    int dropped_ = 0;
};

} // namespace kavio::platform
