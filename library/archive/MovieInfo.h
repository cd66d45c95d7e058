#pragma once
// The video record: a title, an artist, a thumbnail and, for streams, the URL. Stored as
// a keyed archive of class "MovieInfo" so stores move between devices intact.

#include "library/Status.h"
#include "library/plist/Value.h"

#include <optional>
#include <string>
#include <string_view>

namespace kavio {

struct MovieInfo {
    std::optional<std::string> FILENAME;  // title, also the file's base name
    std::optional<std::string> ARTIST;    // second line of a row; may be empty
    std::optional<std::string> EXTENSION; // the file's extension, case kept, no dot
    std::optional<plist::Bytes> imgData;  // encoded thumbnail, any image format
    std::optional<std::string> KEY;       // identity: "kKV" + yyyyMMddHHmmss
    std::optional<std::string> urlLink;   // non-empty: play this stream, not the file

    // Absent and empty mean the same: the record plays its file.
    bool playsStream() const { return urlLink && !urlLink->empty(); }

    friend bool operator==(const MovieInfo&, const MovieInfo&) = default;
};

inline constexpr std::string_view kMovieInfoClassName = "MovieInfo";

// Binary keyed archive in the layout Apple's archiver writes for this record.
std::string encodeMovieInfo(const MovieInfo& record);

// Accepts what real archivers write: objects in any order, shared UIDs, unreferenced
// objects, inline strings and data or NSMutableString / NSMutableData wrappers, class
// dictionaries with or without "$classes". The root must be an object of class
// "MovieInfo"; a member of the wrong type is left absent; a member that leads back into
// a container or outside "$objects" rejects the archive.
Result<MovieInfo> decodeMovieInfo(std::string_view archiveBytes);
Result<MovieInfo> decodeMovieInfo(const plist::ValuePtr& archiveRoot);

} // namespace kavio
