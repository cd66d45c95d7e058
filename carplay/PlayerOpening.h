#pragma once
// How a chosen video becomes the player's queue: the folder's records with the chosen
// one's position, or, for a file no record describes, a queue of that file alone.

#include "carplay/PlayQueue.h"

#include <QUrl>

#include <filesystem>
#include <optional>

namespace kavio::carplay {

// fileName is the chosen entry's name in folder. The record is the first whose title is
// the name without its last extension; the player then plays that record's own file,
// FILENAME.EXTENSION, whatever the chosen entry's extension.
PlayQueue::Opening openingForFile(const std::filesystem::path& folder,
                                  std::shared_ptr<const RecordList> records,
                                  const std::string& fileName);

// A stream opened from outside: a queue of one entry titled after the URL.
PlayQueue::Opening openingForStream(const QUrl& url);

} // namespace kavio::carplay
