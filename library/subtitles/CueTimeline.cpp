#include "library/subtitles/CueTimeline.h"

#include <algorithm>

namespace kavio::subtitles {

CueTimeline::CueTimeline(std::vector<Cue> cues) : cues_(std::move(cues))
{
    std::stable_sort(cues_.begin(), cues_.end(), [](const Cue& a, const Cue& b) { return a.start < b.start; });
    starts_.reserve(cues_.size());
    changes_.reserve(2 * cues_.size());
    for (const Cue& cue : cues_) {
        starts_.push_back(cue.start);
        changes_.push_back(cue.start);
        changes_.push_back(cue.end);
    }
    std::sort(changes_.begin(), changes_.end());
    changes_.erase(std::unique(changes_.begin(), changes_.end()), changes_.end());

    leaves_ = 1;
    while (leaves_ < cues_.size()) leaves_ *= 2;
    latestEnd_.assign(2 * leaves_, Milliseconds::min());
    for (std::size_t i = 0; i < cues_.size(); ++i) latestEnd_[leaves_ + i] = cues_[i].end;
    for (std::size_t node = leaves_ - 1; node >= 1; --node)
        latestEnd_[node] = std::max(latestEnd_[2 * node], latestEnd_[2 * node + 1]);
}

// Left to right, so the indices come out in start order; a subtree whose cues all ended
// by t, or that holds only cues not yet started, is never entered.
void CueTimeline::collect(std::size_t node, std::size_t low, std::size_t high, std::size_t started, Milliseconds t,
                          std::size_t max, std::vector<std::size_t>& out) const
{
    if (low >= started || latestEnd_[node] <= t || out.size() >= max) return;
    if (high - low == 1) {
        out.push_back(low);
        return;
    }
    const std::size_t middle = low + (high - low) / 2;
    collect(2 * node, low, middle, started, t, max, out);
    collect(2 * node + 1, middle, high, started, t, max, out);
}

std::vector<std::size_t> CueTimeline::activeAt(Milliseconds t, std::size_t max) const
{
    std::vector<std::size_t> active;
    if (cues_.empty() || max == 0) return active;
    const auto started = static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), t) - starts_.begin());
    collect(1, 0, leaves_, started, t, max, active);
    return active;
}

std::optional<Milliseconds> CueTimeline::nextChange(Milliseconds t) const
{
    const auto next = std::upper_bound(changes_.begin(), changes_.end(), t);
    if (next == changes_.end()) return std::nullopt;
    return *next;
}

} // namespace kavio::subtitles
