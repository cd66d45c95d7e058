#pragma once
// A cue's text lines to styled lines. <i> and <b> (any case, WebVTT classes allowed, nested,
// closed or not) set the style; every other tag (<font ...>, <c.x>, <v Name>, <script>, a
// WebVTT timestamp), and a {\...} override block some SRT editors write, is dropped and
// only the text around it shows. WebVTT's &amp; &lt; &gt; &nbsp; are decoded; any other
// entity, and a '<' or '{' that does not form a tag, shows as written. Control characters
// are dropped (a tab becomes a space), lines are trimmed, empty lines dropped.

#include "library/subtitles/Cue.h"

#include <string_view>
#include <vector>

namespace kavio::subtitles {

enum class Markup { Srt, WebVtt };

class CueTextBuilder {
public:
    CueTextBuilder(Markup markup, const Limits& limits) : markup_(markup), limits_(limits) {}

    // line: valid UTF-8 without line ends.
    void addLine(std::string_view line);
    // The lines so far; the builder starts over (styles end with the cue).
    std::vector<CueLine> take();
    // Whether text was cut at the limits since the last take().
    bool truncated() const { return truncated_; }
    // Nothing more is kept (a limit was reached): the caller may skip the cue's other lines.
    bool full() const
    {
        return truncated_ || lines_.size() >= limits_.maxCueLines || bytes_ >= limits_.maxCueTextBytes;
    }

private:
    void flush(std::string& run, CueLine& line) const;

    Markup markup_;
    Limits limits_;
    std::vector<CueLine> lines_;
    std::size_t bytes_ = 0;
    std::size_t italic_ = 0; // open <i> tags
    std::size_t bold_ = 0;
    bool truncated_ = false;
};

} // namespace kavio::subtitles
