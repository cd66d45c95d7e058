#include "RowContent.h"

#include "library/Avatar.h"
#include "library/ImageHelper.h"
#include "library/SizeText.h"
#include "library/Utf8.h"

namespace kavio {

RowContent rowContent(const FolderEntry& entry, const RecordList& records)
{
    RowContent row;
    row.title = entry.displayName();
    if (entry.kind == EntryKind::Folder) {
        row.image = RowContent::Image::FolderIcon;
        row.disclosure = true;
        return row;
    }
    row.image = RowContent::Image::VideoIcon;
    row.recordIndex = findRecord(records, entry.baseName());
    if (!row.recordIndex) {
        row.sizeText = fileSizeText(entry.path);
        return row;
    }
    const MovieInfo& r = *records[*row.recordIndex];
    // A link's placeholder file is empty: its size says nothing about the stream.
    row.sizeText = r.playsStream() ? QStringLiteral("Stream") : fileSizeText(entry.path);
    row.title = fromUtf8(*r.FILENAME);
    if (r.ARTIST)
        row.detail = fromUtf8(*r.ARTIST);
    row.image = RowContent::Image::Thumbnail;
    row.thumbnail = r.imgData.value_or(plist::Bytes());
    return row;
}

namespace {

// Icons are drawn at twice the row's size; shown at side points they stay sharp.
QImage iconImage(QImage icon, int side)
{
    if (!icon.isNull())
        icon.setDevicePixelRatio(icon.width() / static_cast<qreal>(side));
    return icon;
}

} // namespace

QImage rowImage(const RowContent& row, Avatar& avatar, int side, qreal scale)
{
    switch (row.image) {
    case RowContent::Image::FolderIcon: return iconImage(avatar.folderIcon(), side);
    case RowContent::Image::VideoIcon: return iconImage(avatar.mp4Icon(), side);
    case RowContent::Image::Thumbnail: break;
    }
    return rescaleImage(decodeImage(row.thumbnail.view()), side, side, scale);
}

} // namespace kavio
