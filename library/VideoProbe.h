#pragma once
// Whether a file holds a video Kavio can play, found by reading its start: a container the
// demuxers know, with a video stream whose codec has a decoder. A name ending in ".mp4"
// says nothing about that (eight bytes of text, gigabytes of zeros). It reads at most a few
// megabytes, but from a slow disk that takes a while: call it off the main thread.

#include "library/Status.h"

#include <filesystem>

namespace kavio {

// Ok when the file holds a playable video; NotFound when it cannot be opened; otherwise
// Unsupported, with a message for the person who picked it.
Status probeVideo(const std::filesystem::path& file);

} // namespace kavio
