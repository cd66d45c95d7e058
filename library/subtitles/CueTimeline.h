#pragma once
// The cues of one subtitle track, ordered for the player, which asks several times a
// second what shows now: a lookup costs O(log n) per cue it returns, whatever overlaps
// (a cue spanning the whole film among 100,000 others included).

#include "library/subtitles/Cue.h"

#include <optional>
#include <vector>

namespace kavio::subtitles {

class CueTimeline {
public:
    // More cues at once than fit on a picture are not drawn.
    static constexpr std::size_t kMaxShown = 8;

    CueTimeline() = default;
    explicit CueTimeline(std::vector<Cue> cues);

    // By start time; cues starting together keep the file's order.
    const std::vector<Cue>& cues() const { return cues_; }
    bool empty() const { return cues_.empty(); }

    // Indices into cues() of those showing at t (start <= t < end), earliest start first,
    // at most max of them.
    std::vector<std::size_t> activeAt(Milliseconds t, std::size_t max = kMaxShown) const;
    // The first time after t at which a cue starts or ends: what shows cannot change
    // before it. None after the last cue has ended.
    std::optional<Milliseconds> nextChange(Milliseconds t) const;

private:
    void collect(std::size_t node, std::size_t low, std::size_t high, std::size_t started, Milliseconds t,
                 std::size_t max, std::vector<std::size_t>& out) const;

    std::vector<Cue> cues_;
    std::vector<Milliseconds> starts_;  // cues_[i].start, for the binary search
    std::size_t leaves_ = 0;            // a power of two >= cues_.size()
    std::vector<Milliseconds> latestEnd_; // a tree over cues_: the latest end below each node
    std::vector<Milliseconds> changes_;   // every start and end, sorted, unique
};

} // namespace kavio::subtitles
