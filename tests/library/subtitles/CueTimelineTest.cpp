// What shows when: a cue from its start up to (not including) its end, overlapping cues
// together in start order, at most kMaxShown, and the same answers as a scan of the cues
// for any layout.

#include "fuzz/SubtitleChecks.h"

#include "library/subtitles/CueTimeline.h"

#include <gtest/gtest.h>

#include <random>

namespace kavio::subtitles {
namespace {

using namespace std::chrono_literals;

Cue cue(Milliseconds start, Milliseconds end, std::string text = "x") { return {start, end, {{TextRun{std::move(text)}}}}; }

TEST(CueTimelineTest, ACueShowsFromItsStartUntilItsEnd)
{
    const CueTimeline timeline({cue(5000ms, 6000ms, "second"), cue(1000ms, 2000ms, "first"), cue(1500ms, 3000ms, "overlap"),
                                cue(1000ms, 1200ms, "same start")});
    const std::pair<Milliseconds, std::vector<std::string>> rows[] = {
        {999ms, {}}, {1000ms, {"first", "same start"}}, {1200ms, {"first"}}, {1500ms, {"first", "overlap"}},
        {2000ms, {"overlap"}}, {3000ms, {}}, {5999ms, {"second"}}, {6000ms, {}}, {-5ms, {}}};
    for (const auto& [t, expected] : rows) {
        std::vector<std::string> shown;
        for (const std::size_t i : timeline.activeAt(t)) shown.push_back(timeline.cues()[i].plainText());
        EXPECT_EQ(shown, expected) << t.count();
    }
    EXPECT_TRUE(CueTimeline().activeAt(0ms).empty());
    EXPECT_EQ(CueTimeline().nextChange(0ms), std::nullopt);
}

// The scan checks activeAt (kMaxShown at most, in start order) and nextChange around the
// cues' edges; a third of the cues span the whole layout, so many overlap at once.
TEST(CueTimelineTest, AgreesWithAScanOfTheCuesForAnyLayout)
{
    std::mt19937 random(20);
    for (int round = 0; round < 200; ++round) {
        const int count = round == 0 ? 0 : std::uniform_int_distribution(0, 300)(random);
        const int span = std::uniform_int_distribution(10, 20'000)(random);
        std::vector<Cue> cues;
        for (int i = 0; i < count; ++i) {
            const int start = std::uniform_int_distribution(0, span)(random);
            const int length = std::uniform_int_distribution(0, 3)(random) == 0 ? span : std::uniform_int_distribution(1, 400)(random);
            cues.push_back(cue(Milliseconds(start), Milliseconds(start + length), std::to_string(i)));
        }
        const CueTimeline timeline(std::move(cues));
        const char* broken = fuzz::brokenTimelineInvariant(timeline);
        ASSERT_EQ(broken, nullptr) << broken << " in round " << round;
    }
}

} // namespace
} // namespace kavio::subtitles
