#pragma once
// The records of removed videos, so that a video brought back from the trash by any
// program (a file manager, trash-restore) gets its title, artist, thumbnail and stream URL
// again. Kavio's own state beside the playback positions: one small file per video under
// $XDG_STATE_HOME/Kavio/removed, never in the Documents tree; the 1,000 most recent.
//
// A file is known by where it was (its folder's links resolved), its size and its
// modification time, which a trash keeps. Each state file's name carries all of them but
// the record itself, hashed where needed, so that the load of a folder looks up the files
// it lists without reading any record that is not coming back.

#include "library/Status.h"
#include "library/archive/MovieInfo.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kavio {

struct RemovedRecord {
    std::filesystem::path path; // where the video was
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds since the epoch
    MovieInfo record;
};

// A kept record and the state file it is kept in.
struct KeptRecord {
    RemovedRecord removed;
    std::filesystem::path file;
};

class RemovedRecords {
public:
    static constexpr std::size_t kCapacity = 1000;

    // $XDG_STATE_HOME/Kavio/removed (~/.local/state/Kavio/removed when unset).
    static std::filesystem::path defaultFolder();

    explicit RemovedRecords(std::filesystem::path folder = defaultFolder());

    // The size and modification time of the file at path, as remember and the lookups
    // compare them (a link's own, never its target's); nothing when nothing is there.
    static std::optional<std::pair<std::uint64_t, std::int64_t>> identityOf(const std::filesystem::path& path);

    // Keeps each record in a file of its own, all made durable together; the oldest
    // beyond kCapacity go. Returns the files, in order (an empty path where one could
    // not be written: that record is not kept, which the Status says).
    Status remember(const std::vector<RemovedRecord>& removed, std::vector<std::filesystem::path>* files = nullptr) const;

    // Those kept for files of folder named in names (exact bytes) that are there again with
    // the size and modification time they went with; for each name the one removed last.
    std::vector<KeptRecord> returningTo(const std::filesystem::path& folder, const std::vector<std::string>& names) const;
    // Whether any record is kept for a file of folder (a quick look, for every change).
    bool anyFor(const std::filesystem::path& folder) const;
    // The one removed last from path with that size and modification time.
    std::optional<KeptRecord> latestFor(const std::filesystem::path& path, std::uint64_t size, std::int64_t modified) const;

    // Drops kept records (their files, as remember or a lookup gave them).
    void forget(const std::vector<std::filesystem::path>& files) const;

    const std::filesystem::path& folder() const { return folder_; }

private:
    std::filesystem::path folder_;
};

} // namespace kavio
