#pragma once
// Subtitle cues as the player draws them: a time span and lines of styled runs. Plain C++
// (no Qt), so the readers build alone for fuzzing.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kavio::subtitles {

using Milliseconds = std::chrono::milliseconds;

// Text in one style. Never empty; UTF-8 without control characters.
struct TextRun {
    std::string text;
    bool italic = false;
    bool bold = false;
    bool operator==(const TextRun&) const = default;
};

// One line of a cue; never empty. Lines are broken where the file breaks them.
using CueLine = std::vector<TextRun>;

struct Cue {
    Milliseconds start{0};
    Milliseconds end{0}; // after start: the cue shows for start <= t < end
    std::vector<CueLine> lines;

    // The text without styles, lines joined by '\n'.
    std::string plainText() const;
    bool operator==(const Cue&) const = default;
};

// What a hostile file can cost: it only ever shows less. Memory stays within a small
// multiple of maxFileBytes whatever the file holds.
struct Limits {
    std::size_t maxFileBytes = 8u << 20;   // read from the start; the rest is ignored
    std::size_t maxCues = 100'000;         // a feature film has about 1,500
    std::size_t maxCueTextBytes = 2048;    // text kept per cue, markup removed
    std::size_t maxCueLines = 16;
};

} // namespace kavio::subtitles
