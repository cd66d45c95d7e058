#pragma once
// How a chosen video becomes the player's queue: the folder's videos in the order its list
// shows them, each with its record, starting at the chosen one.

#include "carplay/PlayQueue.h"
#include "library/LastSession.h"

#include <QUrl>

#include <filesystem>
#include <optional>

namespace kavio::carplay {

// fileName is the chosen entry's name in folder. The queue is every video the folder
// lists, in list order: a file with a record plays as that record (the first whose title
// is the name without its last extension; its own file, FILENAME.EXTENSION, or its
// stream), one without a record under its file name. A chosen file the folder does not
// list (hidden, vanished) plays alone.
PlayQueue::Opening openingForFile(const std::filesystem::path& folder,
                                  std::shared_ptr<const RecordList> records,
                                  const std::string& fileName);

// A stream opened from outside: a queue of one entry titled after the URL.
PlayQueue::Opening openingForStream(const QUrl& url);

// What plays, as the car remembers it to go on with it later: the opening's folder with
// the entry's file name and record key, or a stream opened alone.
PlayerSession playingSession(const PlayQueue::Opening& opening, const MovieInfo& entry, const PlaySource& source);

// The queue a remembered session goes on with: its folder's records at its entry, as a
// tap on the entry would open it; when several records share the entry's title, the one
// with the remembered key.
PlayQueue::Opening openingToContinue(const PlayerSession& session, std::shared_ptr<const RecordList> records);

} // namespace kavio::carplay
