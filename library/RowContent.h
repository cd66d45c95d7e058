#pragma once
// What a folder browser row shows for one entry, decided without any widget.

#include "library/FolderListing.h"
#include "library/SavedVideosStore.h"

#include <QString>

#include <optional>

namespace kavio {

struct RowContent {
    enum class Image { FolderIcon, VideoIcon, Thumbnail };

    QString title;
    std::optional<QString> detail; // second line; absent for folders and unknown videos
    Image image = Image::FolderIcon;
    plist::Bytes thumbnail;        // with Image::Thumbnail; empty draws a transparent square
    bool disclosure = false;       // folders open another browser
    std::optional<QString> sizeText;
    std::optional<std::size_t> recordIndex;
};

// Folder: its name, folder icon, disclosure. Video with a record: FILENAME, ARTIST,
// thumbnail, size. Video without one: full file name, video icon, size.
RowContent rowContent(const FolderEntry& entry, const RecordList& records);

} // namespace kavio
