#pragma once
// The removals a window made, newest last, for Undo: Ctrl+Z takes the newest one not yet
// undone, a notice's Undo takes its own. Each is held until it is undone or falls off the
// end; one that the folder was too busy to put back is held again.

#include "phone/FileOperations.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <utility>

namespace kavio::phone {

class RemovalHistory {
public:
    static constexpr std::size_t kKept = 50;

    std::uint64_t push(Removal removal)
    {
        entries_.emplace_back(++lastId_, std::move(removal));
        if (entries_.size() > kKept)
            entries_.pop_front();
        return lastId_;
    }
    // Held again where it was, in order.
    void putBack(std::uint64_t id, Removal removal)
    {
        auto at = entries_.begin();
        while (at != entries_.end() && at->first < id)
            ++at;
        entries_.emplace(at, id, std::move(removal));
    }
    std::optional<Removal> take(std::uint64_t id)
    {
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->first == id) {
                Removal removal = std::move(it->second);
                entries_.erase(it);
                return removal;
            }
        }
        return std::nullopt;
    }
    std::optional<std::uint64_t> newest() const
    {
        return entries_.empty() ? std::nullopt : std::optional(entries_.back().first);
    }

    // The removal the window's notice offers to undo, if any.
    std::uint64_t noticed = 0;

private:
    std::deque<std::pair<std::uint64_t, Removal>> entries_;
    std::uint64_t lastId_ = 0;
};

} // namespace kavio::phone
