// Where videos stopped: the resume rules, the file's identity, the 1,000 kept, and a
// damaged file set aside.

#include "support/TestSupport.h"

#include "library/PlaybackPositions.h"

#include <gtest/gtest.h>

#include <thread>

namespace kavio {
namespace {

namespace fs = std::filesystem;

class PlaybackPositionsTest : public ::testing::Test {
protected:
    PlaybackItem video(const std::string& name)
    {
        const fs::path path = scratch / name;
        if (!fs::exists(path))
            test::writeFile(path, "video of " + name);
        return PlaybackItem::file(path);
    }
    test::ScratchFolder scratch;
    const fs::path file = scratch / "state" / "Kavio" / "positions.plist";
};

TEST_F(PlaybackPositionsTest, ResumesThreeSecondsBeforeTheStopOnlyInTheMiddle)
{
    PlaybackPositions positions(file);
    struct Row {
        double stoppedAt;
        std::optional<double> duration;
        std::optional<double> resume;
    };
    for (const Row& row : {Row{40, 600, 37}, Row{10, 600, std::nullopt}, Row{10.5, 600, 7.5}, Row{585, 600, std::nullopt},
                           Row{584, 600, 581}, Row{40, std::nullopt, 37}}) {
        const PlaybackItem clip = video("clip.mp4");
        positions.record(clip, row.stoppedAt, row.duration);
        EXPECT_EQ(positions.resumeAt(clip), row.resume) << row.stoppedAt;
    }
    const PlaybackItem clip = video("clip.mp4");
    positions.record(clip, 40, 600);
    positions.playedToEnd(clip);
    EXPECT_FALSE(positions.resumeAt(clip)) << "played to its end: from the beginning";
    const PlaybackItem stream = PlaybackItem::stream("https://example.com/live.m3u8");
    positions.record(stream, 100, std::nullopt);
    EXPECT_EQ(positions.resumeAt(stream), 97);
}

TEST_F(PlaybackPositionsTest, AnotherFileUnderTheSameNameOrAMovedOneStartsOver)
{
    PlaybackPositions positions(file);
    positions.record(video("clip.mp4"), 40, 600);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    test::writeFile(scratch / "clip.mp4", "another video, longer"); // replaced
    EXPECT_FALSE(positions.resumeAt(PlaybackItem::file(scratch / "clip.mp4")));
    positions.record(video("a.mp4"), 40, 600);
    fs::rename(scratch / "a.mp4", scratch / "b.mp4");
    EXPECT_FALSE(positions.resumeAt(PlaybackItem::file(scratch / "b.mp4")));
}

TEST_F(PlaybackPositionsTest, KeptAcrossARestartAndTheLeastRecentGoesFirst)
{
    {
        PlaybackPositions positions(file);
        for (std::size_t i = 0; i <= PlaybackPositions::kCapacity; ++i)
            positions.record(PlaybackItem::stream("https://x/" + std::to_string(i)), 20.0 + static_cast<double>(i), std::nullopt);
        EXPECT_EQ(positions.size(), PlaybackPositions::kCapacity);
        ASSERT_TRUE(positions.save().isOk());
    }
    PlaybackPositions again(file);
    EXPECT_EQ(again.size(), PlaybackPositions::kCapacity);
    EXPECT_FALSE(again.resumeAt(PlaybackItem::stream("https://x/0"))) << "the 1,001st evicted the least recent";
    EXPECT_EQ(again.resumeAt(PlaybackItem::stream("https://x/1000")), 1017);
    again.record(PlaybackItem::stream("https://x/1"), 50, std::nullopt); // played again: now the most recent
    again.record(PlaybackItem::stream("https://x/new"), 50, std::nullopt);
    EXPECT_TRUE(again.resumeAt(PlaybackItem::stream("https://x/1")));
    EXPECT_FALSE(again.resumeAt(PlaybackItem::stream("https://x/2")));
}

TEST_F(PlaybackPositionsTest, ADamagedFileIsSetAsideAndPlayingGoesOn)
{
    fs::create_directories(file.parent_path());
    test::writeFile(file, "<plist><dict><key>x</key>");
    PlaybackPositions positions(file);
    EXPECT_EQ(positions.size(), 0u);
    ASSERT_TRUE(positions.setAside());
    EXPECT_EQ(test::readFile(*positions.setAside()), "<plist><dict><key>x</key>");
    EXPECT_FALSE(fs::exists(file));
    positions.record(video("clip.mp4"), 40, 600);
    ASSERT_TRUE(positions.save().isOk());
    EXPECT_EQ(PlaybackPositions(file).resumeAt(video("clip.mp4")), 37);
}

TEST_F(PlaybackPositionsTest, BackgroundSavesLeaveTheNewestBytes)
{
    PlaybackPositions positions(file);
    for (int i = 0; i < 20; ++i) {
        positions.record(video("clip.mp4"), 20.0 + i, 600);
        saveInBackground(file, positions.snapshot());
    }
    waitForBackgroundSaves();
    EXPECT_EQ(PlaybackPositions(file).resumeAt(video("clip.mp4")), 36);
}

} // namespace
} // namespace kavio
