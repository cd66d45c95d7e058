#pragma once
// What a folder browser row shows for one entry, decided without any widget.

#include "library/FolderListing.h"
#include "library/SavedVideosStore.h"

#include <QImage>
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

class Avatar;
// The row's image, side points square at the given pixel scale: the folder or video icon,
// or the thumbnail decoded and redrawn to that size (transparent when it does not decode).
QImage rowImage(const RowContent& row, Avatar& avatar, int side, qreal scale);

} // namespace kavio
