// Hostile subtitle files only ever show less: a 1 MB cue, 100,000 cues, a file past the
// read limit, markup that never closes, a FIFO in place of a file, and every input the
// fuzzers flagged; and the cue timeline against a scan of its cues for any layout. Bounds
// on sizes and counts here; the times are in bench/subtitles.

#include "fuzz/SubtitleChecks.h"
#include "support/TestSupport.h"

#include "library/subtitles/CueTimeline.h"
#include "library/subtitles/Parser.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>

namespace kavio::subtitles {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string srtCue(std::size_t index, const std::string& text)
{
    const auto stamp = [](std::size_t ms) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%02zu:%02zu:%02zu,%03zu", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
        return std::string(buffer);
    };
    return std::to_string(index + 1) + "\n" + stamp(index * 1000) + " --> " + stamp(index * 1000 + 900) + "\n" + text + "\n\n";
}

std::string repeated(const std::string& piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

void expectSound(const ParsedSubtitles& parsed, const Limits& limits, std::size_t inputBytes, const std::string& what = "")
{
    const char* broken = fuzz::brokenCueInvariant(parsed, limits, inputBytes);
    EXPECT_EQ(broken, nullptr) << what << ": " << broken;
}

TEST(HostileSubtitleTest, AOneMegabyteCueIsCutAndTheNextStillShows)
{
    const Limits limits;
    std::string manyLines;
    for (int i = 0; i < 50'000; ++i) manyLines += "line of text " + std::to_string(i) + "\n";
    for (const std::string& text : {std::string(1u << 20, 'x'), "<i>" + std::string(1u << 20, 'x'), manyLines}) {
        const std::string file = srtCue(0, text) + srtCue(1, "after");
        const ParsedSubtitles parsed = parse(file, Format::Srt);
        ASSERT_EQ(parsed.cues.size(), 2u);
        EXPECT_EQ(parsed.cues[1].plainText(), "after");
        EXPECT_TRUE(parsed.report.truncated);
        expectSound(parsed, limits, file.size());
    }
}

TEST(HostileSubtitleTest, AHundredThousandCuesAreAllKeptAndOneMoreIsNot)
{
    const Limits limits;
    std::string file;
    for (std::size_t i = 0; i < limits.maxCues + 1; ++i) file += srtCue(i, "cue " + std::to_string(i));
    ASSERT_LT(file.size(), limits.maxFileBytes);
    const ParsedSubtitles parsed = parse(file, Format::Srt);
    EXPECT_EQ(parsed.cues.size(), limits.maxCues);
    EXPECT_TRUE(parsed.report.truncated);
    expectSound(parsed, limits, file.size());
    const CueTimeline timeline(parsed.cues);
    EXPECT_EQ(timeline.activeAt(99'999'500ms), std::vector<std::size_t>{99'999});
}

TEST(HostileSubtitleTest, MarkupThatNeverEndsCostsNothingButText)
{
    const std::pair<const char*, std::string> rows[] = {
        {"opening brackets", std::string(1u << 20, '<')}, {"unclosed tags", repeated("<a", 100'000)},
        {"nested italics", repeated("<i>", 200'000) + "x"}, {"override openers", repeated("{\\", 200'000)},
        {"entities", repeated("&nbsp;", 200'000)}, {"nul bytes", std::string(1u << 20, '\0')},
    };
    for (const auto& [name, text] : rows) {
        for (const Format format : {Format::Srt, Format::WebVtt}) {
            const std::string file = "00:00:01.000 --> 00:00:02.000\n" + text + "\n";
            const ParsedSubtitles parsed = parseAs(file, format);
            ASSERT_LE(parsed.cues.size(), 1u) << name;
            expectSound(parsed, Limits{}, file.size(), name);
        }
    }
    // Timing lines by the thousand with nothing between them are cues with no text.
    const ParsedSubtitles parsed = parse(repeated("00:00:01,000 --> 00:00:02,000\n", 100'000), Format::Srt);
    EXPECT_TRUE(parsed.cues.empty());
    EXPECT_EQ(parsed.report.skippedBlocks, 100'000u);
}

TEST(HostileSubtitleTest, OnlyTheStartOfAHugeFileIsRead)
{
    const test::ScratchFolder scratch;
    Limits limits;
    limits.maxFileBytes = 4096;
    std::string rest;
    for (std::size_t i = 1; rest.size() < 3 * limits.maxFileBytes; ++i) rest += srtCue(i, "caf\xC3\xA9 " + std::to_string(i));
    // Padding in the first cue puts the limit inside a two-byte character.
    std::string file;
    for (std::size_t pad = 0; file.size() <= limits.maxFileBytes || file[limits.maxFileBytes - 1] != '\xC3'; ++pad)
        file = srtCue(0, std::string(pad + 1, 'p')) + rest;
    test::writeFile(scratch / "Trip.srt", file);
    const auto parsed = readFile(scratch / "Trip.srt", limits);
    ASSERT_TRUE(parsed) << parsed.status().toString();
    EXPECT_TRUE(parsed->report.truncated);
    EXPECT_EQ(parsed->report.encoding, Encoding::Utf8) << "a character cut at the limit is not a sign of Latin-1";
    EXPECT_EQ(parsed->cues.at(1).plainText(), "caf\xC3\xA9 1");
    EXPECT_GT(parsed->cues.size(), 50u);
    EXPECT_LT(parsed->cues.size(), 120u);
    expectSound(*parsed, limits, file.size());
}

// A real file's cues are read above and by the player's tests.
TEST(HostileSubtitleTest, WhatIsNotARegularFileIsRefusedWithoutBlocking)
{
    const test::ScratchFolder scratch;
    ASSERT_EQ(::mkfifo((scratch / "fifo.srt").c_str(), 0600), 0);
    EXPECT_EQ(readFile(scratch / "fifo.srt").status().code(), Status::Code::Unsupported);
    fs::create_directory(scratch / "folder.srt");
    EXPECT_EQ(readFile(scratch / "folder.srt").status().code(), Status::Code::Unsupported);
    EXPECT_EQ(readFile(scratch / "missing.srt").status().code(), Status::Code::NotFound);
    test::writeFile(scratch / "empty.srt", "");
    ASSERT_TRUE(readFile(scratch / "empty.srt"));
    EXPECT_TRUE(readFile(scratch / "empty.srt")->cues.empty());
}

// Every input a subtitle fuzzer flagged, read as both formats, with default and small limits.
TEST(HostileSubtitleTest, FuzzFindingsParseSoundly)
{
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(KAVIO_SUBTITLE_REGRESSIONS_DIR)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README.md") continue;
        ++files;
        const std::string bytes = test::readFile(entry.path());
        for (const Limits& limits : {Limits{}, fuzz::subtitleFuzzLimits()}) {
            for (const Format format : {Format::Srt, Format::WebVtt}) {
                ParsedSubtitles parsed = parseAs(bytes, format, limits);
                expectSound(parsed, limits, bytes.size(), entry.path());
                const CueTimeline timeline(std::move(parsed.cues));
                const char* broken = fuzz::brokenTimelineInvariant(timeline);
                EXPECT_EQ(broken, nullptr) << entry.path() << ": " << broken;
            }
        }
    }
    EXPECT_GT(files, 0u);
}

// What shows when: a cue from its start up to (not including) its end, overlapping cues
// together in start order, at most kMaxShown, and the next change, all as a scan of the
// cues finds them; a quarter of the cues span the whole layout, so many overlap at once.
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
            cues.push_back({Milliseconds(start), Milliseconds(start + length), {{TextRun{std::to_string(i)}}}});
        }
        const CueTimeline timeline(std::move(cues));
        const char* broken = fuzz::brokenTimelineInvariant(timeline);
        ASSERT_EQ(broken, nullptr) << broken << " in round " << round;
    }
}

} // namespace
} // namespace kavio::subtitles
