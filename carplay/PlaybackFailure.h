#pragma once
// What the player does with an entry that cannot play: the reason it shows, and when it
// gives up. It goes on to the next entry after a pause, and stops once every entry of the
// queue has failed one after another, rather than going round for ever.

#include "carplay/PlayQueue.h"

#include <QString>

#include <chrono>
#include <set>

namespace kavio::carplay {

inline constexpr std::chrono::milliseconds kSkipFailedEntryAfter{3000};

// A source the media stack cannot even be given: a link that is no web address.
bool canBeGivenToPlayer(const PlaySource& source);

// Why entry cannot play, in words for the screen: what Kavio can tell for itself (a file
// gone or empty, a link that is no address), else what the media stack said.
QString failureReason(const MovieInfo& entry, const PlaySource& source, const QString& backendMessage);

// The entries that failed one after another since something last played.
class FailureRun {
public:
    // True once every one of count entries has failed in this run: stop there.
    bool add(std::size_t index, std::size_t count);
    void reset() { failed_.clear(); }
    bool isEmpty() const { return failed_.empty(); }

private:
    std::set<std::size_t> failed_;
};

} // namespace kavio::carplay
