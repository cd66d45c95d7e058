#pragma once
// Readers of the two subtitle formats people keep beside their videos, SRT and WebVTT.
// Both are forgiving the way players are: a block that does not parse is skipped and the
// rest still shows; nothing in a file can make them crash, loop or grow past the limits.
//
// SRT: an optional index line, "H:MM:SS,mmm --> H:MM:SS,mmm" (',' or '.'; anything after
// the second time, such as coordinates, is ignored), text lines up to a blank line. A
// missing blank line before the next index and timing is tolerated.
// WebVTT: the "WEBVTT" header block, NOTE, STYLE and REGION blocks skipped, optional cue
// identifiers, times with or without hours, cue settings ignored.
// Both: CRLF, CR or LF line ends; cues whose end is not after their start are skipped;
// overlapping cues are kept.

#include "library/Status.h"
#include "library/subtitles/Cue.h"
#include "library/subtitles/TextDecoding.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace kavio::subtitles {

enum class Format { Srt, WebVtt };

struct ParseReport {
    Encoding encoding = Encoding::Utf8;
    std::size_t skippedBlocks = 0; // blocks that did not form a cue
    bool truncated = false;        // a limit cut the file, a cue's text or the cue count
};

struct ParsedSubtitles {
    std::vector<Cue> cues; // in file order
    ParseReport report;
};

// The text decides when it says: "WEBVTT" at its start is WebVTT; otherwise byName.
ParsedSubtitles parse(std::string_view bytes, Format byName, const Limits& limits = {});
// Exactly one format, whatever the text's header says.
ParsedSubtitles parseAs(std::string_view bytes, Format format, const Limits& limits = {});

// ".srt" or ".vtt" in any case.
std::optional<Format> formatOfFile(const std::filesystem::path& path);

// A regular file only (a FIFO or device is refused before it is opened, and opening never
// blocks); at most limits.maxFileBytes from its start are read, the rest is not shown.
Result<ParsedSubtitles> readFile(const std::filesystem::path& path, const Limits& limits = {});

// "[h:]mm:ss.mmm" (hours of any width up to 7 digits, ',' or '.', 1 to 3 fraction digits).
std::optional<Milliseconds> parseTimestamp(std::string_view text);

} // namespace kavio::subtitles
