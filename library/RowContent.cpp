#include "RowContent.h"

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
    row.sizeText = fileSizeText(entry.path);
    row.recordIndex = findRecord(records, entry.baseName());
    if (!row.recordIndex)
        return row;
    const MovieInfo& r = *records[*row.recordIndex];
    row.title = fromUtf8(*r.FILENAME);
    if (r.ARTIST)
        row.detail = fromUtf8(*r.ARTIST);
    row.image = RowContent::Image::Thumbnail;
    row.thumbnail = r.imgData.value_or(plist::Bytes());
    return row;
}

} // namespace kavio
