#pragma once
// What must hold for any subtitle file, whatever its bytes: shared by the two subtitle
// fuzzers and by the test that replays their findings. Each check returns what broke, or
// nullptr.

#include "library/subtitles/CueTimeline.h"
#include "library/subtitles/Parser.h"

#include <algorithm>
#include <vector>

namespace kavio::fuzz {

// Small, so that inputs of a few KB reach every limit.
inline subtitles::Limits subtitleFuzzLimits()
{
    subtitles::Limits limits;
    limits.maxFileBytes = 16u << 10;
    limits.maxCues = 300;
    limits.maxCueTextBytes = 300;
    limits.maxCueLines = 6;
    return limits;
}

inline const char* brokenCueInvariant(const subtitles::ParsedSubtitles& parsed, const subtitles::Limits& limits,
                                      std::size_t inputBytes)
{
    if (parsed.cues.size() > limits.maxCues) return "more cues than the limit";
    std::size_t total = 0;
    for (const subtitles::Cue& cue : parsed.cues) {
        if (cue.end <= cue.start) return "a cue that does not end after it starts";
        if (cue.lines.empty() || cue.lines.size() > limits.maxCueLines) return "a cue with no lines or too many";
        std::size_t bytes = 0;
        for (const subtitles::CueLine& line : cue.lines) {
            if (line.empty()) return "an empty line";
            if (line.front().text.front() == ' ' || line.back().text.back() == ' ') return "a line not trimmed";
            for (std::size_t i = 0; i < line.size(); ++i) {
                const std::string& text = line[i].text;
                if (text.empty()) return "an empty run";
                if (i > 0 && line[i - 1].italic == line[i].italic && line[i - 1].bold == line[i].bold)
                    return "two runs of one style side by side";
                if (!subtitles::isValidUtf8(text)) return "text that is not UTF-8";
                for (std::size_t k = 0; k < text.size(); ++k) {
                    const auto c = static_cast<unsigned char>(text[k]);
                    if (c < 0x20 || c == 0x7F) return "a C0 control character in the text";
                    if (c == 0xC2 && k + 1 < text.size() && static_cast<unsigned char>(text[k + 1]) < 0xA0)
                        return "a C1 control character in the text";
                }
                bytes += text.size();
            }
        }
        if (bytes > limits.maxCueTextBytes) return "a cue's text past its limit";
        total += bytes;
    }
    // Windows-1252 at most triples a byte; markup and entities only shrink.
    if (total > 3 * std::min(inputBytes, limits.maxFileBytes)) return "more text than the input holds";
    return nullptr;
}

// The timeline's answers against a plain scan of its cues, around the first cues' edges.
inline const char* brokenTimelineInvariant(const subtitles::CueTimeline& timeline)
{
    using subtitles::Milliseconds;
    const auto& cues = timeline.cues();
    for (std::size_t i = 1; i < cues.size(); ++i)
        if (cues[i - 1].start > cues[i].start) return "cues out of start order";
    std::vector<Milliseconds> times{Milliseconds(-1), Milliseconds(0)};
    for (std::size_t i = 0; i < std::min<std::size_t>(cues.size(), 48); ++i) {
        for (const Milliseconds t : {cues[i].start, cues[i].end})
            times.insert(times.end(), {t - Milliseconds(1), t, t + Milliseconds(1)});
    }
    for (const Milliseconds t : times) {
        std::vector<std::size_t> expected;
        for (std::size_t i = 0; i < cues.size() && expected.size() < subtitles::CueTimeline::kMaxShown; ++i)
            if (cues[i].start <= t && t < cues[i].end) expected.push_back(i);
        if (timeline.activeAt(t) != expected) return "activeAt differs from a scan of the cues";
        std::optional<Milliseconds> next;
        for (const subtitles::Cue& cue : cues) {
            for (const Milliseconds edge : {cue.start, cue.end})
                if (edge > t && (!next || edge < *next)) next = edge;
        }
        if (timeline.nextChange(t) != next) return "nextChange differs from a scan of the cues";
    }
    return nullptr;
}

} // namespace kavio::fuzz
