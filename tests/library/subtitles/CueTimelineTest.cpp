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

std::vector<std::string> shownAt(const CueTimeline& timeline, Milliseconds t)
{
    std::vector<std::string> shown;
    for (const std::size_t i : timeline.activeAt(t)) shown.push_back(timeline.cues()[i].plainText());
    return shown;
}

TEST(CueTimelineTest, ACueShowsFromItsStartUntilItsEnd)
{
    const CueTimeline timeline({cue(5000ms, 6000ms, "second"), cue(1000ms, 2000ms, "first"), cue(1500ms, 3000ms, "overlap"),
                                cue(1000ms, 1200ms, "same start")});
    using Shown = std::vector<std::string>;
    struct Row {
        Milliseconds t;
        Shown shown;
    };
    for (const Row& row : {Row{999ms, {}}, Row{1000ms, {"first", "same start"}}, Row{1200ms, {"first"}},
                           Row{1500ms, {"first", "overlap"}}, Row{2000ms, {"overlap"}}, Row{3000ms, {}},
                           Row{5999ms, {"second"}}, Row{6000ms, {}}, Row{-5ms, {}}}) {
        EXPECT_EQ(shownAt(timeline, row.t), row.shown) << row.t.count();
    }
    EXPECT_EQ(timeline.nextChange(0ms), 1000ms);
    EXPECT_EQ(timeline.nextChange(1000ms), 1200ms);
    EXPECT_EQ(timeline.nextChange(3000ms), 5000ms);
    EXPECT_EQ(timeline.nextChange(6000ms), std::nullopt);
    EXPECT_TRUE(CueTimeline().activeAt(0ms).empty());
    EXPECT_EQ(CueTimeline().nextChange(0ms), std::nullopt);
}

TEST(CueTimelineTest, AtMostKMaxShownOfManyOverlappingCues)
{
    std::vector<Cue> cues;
    cues.push_back(cue(0ms, 10'000'000ms, "all along"));
    for (int i = 0; i < 20; ++i) cues.push_back(cue(Milliseconds(100 + i), 5000ms, std::to_string(i)));
    const CueTimeline timeline(std::move(cues));
    const std::vector<std::string> shown = shownAt(timeline, 1000ms);
    ASSERT_EQ(shown.size(), CueTimeline::kMaxShown);
    EXPECT_EQ(shown.front(), "all along");
    EXPECT_EQ(shown.back(), std::to_string(CueTimeline::kMaxShown - 2));
}

TEST(CueTimelineTest, AgreesWithAScanOfTheCuesForAnyLayout)
{
    std::mt19937 random(20);
    for (int round = 0; round < 200; ++round) {
        const int count = std::uniform_int_distribution(0, 300)(random);
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
