#pragma once
// The one order of a folder: both browsers list it so and the player's queue follows it.
// Folders first, then by the title a row shows, in natural order ("Episode 2" before
// "Episode 10", case and accents ignored, by the user's language); the file name breaks
// ties, so a renamed video always lands on the same row.

#include "library/FolderListing.h"
#include "library/SavedVideosStore.h"

#include <QString>

#include <vector>

namespace kavio {

// The title a row shows: a video's record title when the folder's store has one, else
// the entry's whole name.
QString shownTitle(const FolderEntry& entry, const RecordList& records);

// Puts entries in the folder's order, with the titles records give them.
void sortListing(std::vector<FolderEntry>& entries, const RecordList& records);

} // namespace kavio
