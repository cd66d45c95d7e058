// An SRT file as the player reads it: every cue well formed and within the
// limits, and the timeline answers what a scan of the cues would.

#include "FuzzSupport.h"
#include "SubtitleChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kavio;
    const subtitles::Limits limits = fuzz::subtitleFuzzLimits();
    subtitles::ParsedSubtitles parsed = subtitles::parseAs(fuzz::asText(data, size), subtitles::Format::Srt, limits);
    if (const char* broken = fuzz::brokenCueInvariant(parsed, limits, size)) fuzz::invariantBroken(broken);
    const subtitles::CueTimeline timeline(std::move(parsed.cues));
    if (const char* broken = fuzz::brokenTimelineInvariant(timeline)) fuzz::invariantBroken(broken);
    return 0;
}
