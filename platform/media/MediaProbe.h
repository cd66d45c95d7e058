#pragma once
// What a video file holds besides its picture, read from its container with libavformat:
// the sound streams' languages and titles, and the text subtitle streams with their cues.
//
// Qt 6.4's GStreamer backend lists a file's tracks but loses their languages (it reads
// GStreamer's two-letter codes as three-letter ones), and hands embedded subtitle text over
// for an instant only (a gap clears it as it arrives) or stalls the pipeline on it. So the
// languages and the cues come from here; the backend only switches the sound.
//
// Reading the headers costs a few milliseconds; the cues of a film's text track are read
// by skipping every other stream's samples. Both are file I/O: call them off the main thread.

#include "library/MediaTracks.h"
#include "library/Status.h"
#include "library/subtitles/Parser.h"

#include <filesystem>
#include <vector>

namespace kavio::platform {

struct ProbedTracks {
    std::vector<MediaTrack> audio;     // in the container's order; stream = place among them
    std::vector<MediaTrack> subtitles; // text streams only (mov_text, SubRip, ASS, WebVTT)
};

// The streams of a regular file (never a FIFO or a device).
Result<ProbedTracks> probeTracks(const std::filesystem::path& file);

// The cues of the file's text subtitle stream at place track (ProbedTracks::subtitles'
// stream), within limits like a subtitle file's: <i> and <b> are kept, other styling
// dropped, a hostile stream only shows less.
Result<subtitles::ParsedSubtitles> readEmbeddedSubtitles(const std::filesystem::path& file, int track,
                                                         const subtitles::Limits& limits = {});

// An ASS dialogue line's text (what decoders of text subtitles give) as lines for the
// cue builder: \N breaks, {\i1} {\b1} and their ends as tags, other override blocks as
// they are (the builder drops them), and '<' '&' escaped so that nothing else is read as
// markup.
std::vector<std::string> assTextToLines(std::string_view text);

} // namespace kavio::platform
