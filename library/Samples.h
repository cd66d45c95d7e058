#pragma once
// The first run's sample library: on a new, empty Documents folder, a "Samples" folder
// with two short clips and their records, so a newcomer sees titles, thumbnails and
// playback at once. A marker outside Documents keeps it from coming back once deleted.

#include "library/Status.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kavio {

struct SampleVideo {
    std::string title;  // also the file's base name
    std::string artist;
    std::string video;  // mp4 bytes
    std::string thumbnail; // PNG bytes
};

inline constexpr char kSamplesFolderName[] = "Samples";

// $XDG_STATE_HOME/Kavio/samples-installed (default ~/.local/state/...).
std::filesystem::path defaultSamplesMarker();

enum class SamplesOutcome { Installed, AlreadyOffered, DocumentsNotEmpty };

// Installs when the marker is absent and Documents has no visible entry; writes the
// marker whenever it decides, so the offer is made once.
Result<SamplesOutcome> installSamplesOnFirstRun(const std::filesystem::path& documents,
                                                const std::filesystem::path& marker,
                                                const std::vector<SampleVideo>& samples);

} // namespace kavio
