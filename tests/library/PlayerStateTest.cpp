// Kavio's own player state: where videos stopped (the resume rules, the file's identity),
// track picks per video, each with the 1,000 kept and a damaged file set aside, what was
// playing (what continues when the car starts, and what never does) and the switch that
// turns that off. Names a state file cannot hold never make it unreadable.

#include "support/TestSupport.h"

#include "library/LastSession.h"
#include "library/OwnSettings.h"
#include "library/PlaybackPositions.h"
#include "library/StateFiles.h"
#include "library/TrackChoices.h"

#include <gtest/gtest.h>

#include <thread>

namespace kavio {
namespace {

namespace fs = std::filesystem;
using Kind = SubtitleChoice::Kind;

class PlayerStateTest : public ::testing::Test {
protected:
    PlaybackItem video(const std::string& name)
    {
        const fs::path path = scratch / name;
        if (!fs::exists(path)) test::writeFile(path, "video of " + name);
        return PlaybackItem::file(path);
    }
    void damage(const fs::path& file, const std::string& bytes)
    {
        fs::create_directories(file.parent_path());
        test::writeFile(file, bytes);
    }
    test::ScratchFolder scratch;
    const fs::path stateDir = scratch / "state" / "Kavio";
};

class PlaybackPositionsTest : public PlayerStateTest {
protected:
    const fs::path file = stateDir / "positions.plist";
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


TEST_F(PlayerStateTest, TrackPicksSurviveARestartForTheSameFileOnly)
{
    const fs::path file = stateDir / "tracks.plist";
    const std::vector<TrackChoice> picks = {
        {1, SubtitleChoice{Kind::Off, {}, -1}},
        {std::nullopt, SubtitleChoice{Kind::File, "Trip.pt-BR.vtt", -1}},
        {0, SubtitleChoice{Kind::Track, {}, 3}},
        {2, std::nullopt},
    };
    {
        TrackChoices choices(file);
        for (std::size_t i = 0; i < picks.size(); ++i) choices.remember(video("v" + std::to_string(i) + ".mp4"), picks[i]);
        choices.remember(PlaybackItem::stream("https://example.com/live.m3u8"), picks[0]);
        EXPECT_TRUE(choices.isDirty());
        ASSERT_TRUE(choices.save().isOk());
        EXPECT_FALSE(choices.isDirty());
    }
    TrackChoices again(file);
    for (std::size_t i = 0; i < picks.size(); ++i) EXPECT_EQ(again.choiceFor(video("v" + std::to_string(i) + ".mp4")), picks[i]) << i;
    EXPECT_EQ(again.choiceFor(PlaybackItem::stream("https://example.com/live.m3u8")), picks[0]);

    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    test::writeFile(scratch / "v0.mp4", "another video, longer"); // replaced under the same name
    EXPECT_EQ(again.choiceFor(PlaybackItem::file(scratch / "v0.mp4")), TrackChoice{});
    again.remember(video("v1.mp4"), {});
    EXPECT_EQ(again.choiceFor(video("v1.mp4")), TrackChoice{}) << "an empty pick forgets";
}

TEST_F(PlayerStateTest, TheLeastRecentlyPickedGoesFirst)
{
    const fs::path file = stateDir / "tracks.plist";
    const auto stream = [](std::size_t i) { return PlaybackItem::stream("https://x/" + std::to_string(i)); };
    const TrackChoice pick{1, std::nullopt};
    {
        TrackChoices choices(file);
        for (std::size_t i = 0; i <= TrackChoices::kCapacity; ++i) choices.remember(stream(i), pick);
        EXPECT_EQ(choices.size(), TrackChoices::kCapacity);
        ASSERT_TRUE(choices.save().isOk());
    }
    TrackChoices again(file);
    EXPECT_EQ(again.size(), TrackChoices::kCapacity);
    EXPECT_EQ(again.choiceFor(stream(0)), TrackChoice{});
    EXPECT_EQ(again.choiceFor(stream(1000)), pick);
    again.remember(stream(1), {0, std::nullopt}); // picked again: now the most recent
    again.remember(stream(5000), pick);
    EXPECT_EQ(again.choiceFor(stream(1)), (TrackChoice{0, std::nullopt}));
    EXPECT_EQ(again.choiceFor(stream(2)), TrackChoice{});
}

TEST_F(PlayerStateTest, DamagedStateFilesAreSetAsideAndPlayingGoesOn)
{
    const fs::path tracks = stateDir / "tracks.plist", playing = stateDir / "playing.plist";
    const fs::path stops = stateDir / "positions.plist";
    damage(tracks, "<plist><dict><key>x</key>");
    damage(playing, "bplist00 not really");
    damage(stops, "<plist><dict><key>y</key>");
    TrackChoices choices(tracks);
    LastSession session(playing);
    PlaybackPositions positions(stops);
    EXPECT_EQ(choices.size(), 0u);
    EXPECT_FALSE(session.session());
    EXPECT_EQ(positions.size(), 0u);
    ASSERT_TRUE(choices.setAside());
    ASSERT_TRUE(session.setAside());
    ASSERT_TRUE(positions.setAside());
    EXPECT_EQ(test::readFile(*choices.setAside()), "<plist><dict><key>x</key>");
    EXPECT_EQ(test::readFile(*session.setAside()), "bplist00 not really");
    EXPECT_EQ(test::readFile(*positions.setAside()), "<plist><dict><key>y</key>");
    EXPECT_FALSE(fs::exists(tracks));
    EXPECT_FALSE(fs::exists(stops));

    choices.remember(video("clip.mp4"), {1, std::nullopt});
    ASSERT_TRUE(choices.save().isOk());
    EXPECT_EQ(TrackChoices(tracks).choiceFor(video("clip.mp4")), (TrackChoice{1, std::nullopt}));
    positions.record(video("clip.mp4"), 40, 600);
    ASSERT_TRUE(positions.save().isOk());
    EXPECT_EQ(PlaybackPositions(stops).resumeAt(video("clip.mp4")), 37);
}

TEST_F(PlayerStateTest, EntriesThisVersionCannotReadAreSkippedNotFatal)
{
    const fs::path file = stateDir / "tracks.plist";
    damage(file, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                 "<key>/a.mp4</key><dict><key>subtitles</key><string>hologram</string></dict>"
                 "<key>/b.mp4</key><dict><key>audio</key><integer>-4</integer></dict>"
                 "<key>/c.mp4</key><string>not a dictionary</string>"
                 "<key>/d.mp4</key><dict><key>audio</key><integer>2</integer><key>subtitles</key><string>track</string></dict>"
                 "</dict></plist>");
    TrackChoices choices(file);
    EXPECT_FALSE(choices.setAside());
    EXPECT_EQ(choices.size(), 1u);
    EXPECT_EQ(choices.choiceFor(PlaybackItem::stream("/d.mp4")), (TrackChoice{2, std::nullopt}));
}

TEST_F(PlayerStateTest, NamesAStateFileCannotHoldAreNotRememberedAndTheFileStillReads)
{
    const std::vector<std::string> unfit = {"caf\xE9.mp4", "bell\x07.mp4", "carriage\rreturn.mp4"};
    PlaybackPositions positions(stateDir / "positions.plist");
    TrackChoices choices(stateDir / "tracks.plist");
    for (const std::string& name : unfit) {
        EXPECT_FALSE(fitsStateFile(name));
        positions.record(video(name), 40, 600);
        choices.remember(video(name), {1, std::nullopt});
    }
    positions.record(video("fine \xC3\xA9t\xC3\xA9.mp4"), 40, 600);
    choices.remember(video("fine \xC3\xA9t\xC3\xA9.mp4"), {1, std::nullopt});
    choices.remember(video("fine.mp4"), {1, SubtitleChoice{Kind::File, "fine.caf\xE9.srt", -1}});
    ASSERT_TRUE(positions.save().isOk());
    ASSERT_TRUE(choices.save().isOk());

    PlaybackPositions positionsAgain(stateDir / "positions.plist");
    TrackChoices choicesAgain(stateDir / "tracks.plist");
    EXPECT_FALSE(positionsAgain.setAside());
    EXPECT_FALSE(choicesAgain.setAside());
    EXPECT_EQ(positionsAgain.resumeAt(video("fine \xC3\xA9t\xC3\xA9.mp4")), 37);
    EXPECT_EQ(choicesAgain.choiceFor(video("fine \xC3\xA9t\xC3\xA9.mp4")), (TrackChoice{1, std::nullopt}));
    EXPECT_EQ(choicesAgain.choiceFor(video("fine.mp4")), (TrackChoice{1, std::nullopt})) << "the sound, not the file";

    LastSession session(stateDir / "playing.plist");
    session.update({PlayerSession::Queue::Folder, scratch.path(), "fine.mp4", "", "", PlayerSession::State::Playing});
    session.update({PlayerSession::Queue::Folder, scratch.path(), "caf\xE9.mp4", "", "", PlayerSession::State::Playing});
    EXPECT_FALSE(session.session()) << "not the video before it either";
}

TEST_F(PlayerStateTest, WhatWasPlayingSurvivesARestart)
{
    const fs::path file = stateDir / "playing.plist";
    const PlayerSession folder{PlayerSession::Queue::Folder, scratch / "Trips", "Coast \xE2\x98\x83.mp4", "kKV20240501120000", "",
                               PlayerSession::State::Playing};
    const PlayerSession stream{PlayerSession::Queue::Stream, {}, {}, {}, "https://example.com/live.m3u8",
                               PlayerSession::State::Paused};
    for (const PlayerSession& s : {folder, stream}) {
        LastSession session(file);
        session.update(s);
        EXPECT_TRUE(session.isDirty());
        session.update(s);
        ASSERT_TRUE(session.save().isOk());
        session.update(s);
        EXPECT_FALSE(session.isDirty()) << "nothing new to write";
        EXPECT_EQ(LastSession(file).session(), s);
    }
    {
        LastSession session(file);
        for (int i = 0; i < 20; ++i) {
            PlayerSession s = folder;
            s.entry = std::to_string(i) + ".mp4";
            s.state = i % 2 ? PlayerSession::State::Paused : PlayerSession::State::Playing;
            session.update(s);
            session.saveInBackground();
        }
        waitForStateWrites();
    }
    ASSERT_TRUE(LastSession(file).session());
    EXPECT_EQ(LastSession(file).session()->entry, "19.mp4");
    EXPECT_EQ(LastSession(file).session()->state, PlayerSession::State::Paused);
}

TEST_F(PlayerStateTest, OnlyAVideoThatWasPlayingContinuesWhenTheCarStarts)
{
    const fs::path documents = scratch / "Documents";
    fs::create_directories(documents / "Trips");
    test::writeFile(documents / "Trips" / "Coast.mp4", "video");
    test::writeFile(documents / "Top.mp4", "video");
    test::writeFile(scratch / "Outside.mp4", "video");
    using State = PlayerSession::State;
    const auto inFolder = [](fs::path folder, std::string entry, State state = State::Playing) {
        return PlayerSession{PlayerSession::Queue::Folder, std::move(folder), std::move(entry), "", "", state};
    };
    struct Row {
        const char* name;
        std::optional<PlayerSession> last;
        ContinueOnStart setting;
        bool continues;
    };
    const std::vector<Row> rows = {
        {"playing in a folder", inFolder(documents / "Trips", "Coast.mp4"), ContinueOnStart::On, true},
        {"playing at the top", inFolder(documents, "Top.mp4"), ContinueOnStart::On, true},
        {"the switch off", inFolder(documents / "Trips", "Coast.mp4"), ContinueOnStart::Off, false},
        {"paused", inFolder(documents / "Trips", "Coast.mp4", State::Paused), ContinueOnStart::On, false},
        {"closed", inFolder(documents / "Trips", "Coast.mp4", State::Closed), ContinueOnStart::On, false},
        {"nothing played yet", std::nullopt, ContinueOnStart::On, false},
        {"the video since removed", inFolder(documents / "Trips", "Gone.mp4"), ContinueOnStart::On, false},
        {"the folder since removed", inFolder(documents / "Gone", "Coast.mp4"), ContinueOnStart::On, false},
        {"outside the documents", inFolder(scratch.path(), "Outside.mp4"), ContinueOnStart::On, false},
        {"out by dot-dot", inFolder(documents / "Trips" / ".." / "..", "Outside.mp4"), ContinueOnStart::On, false},
        {"an entry that is a path", inFolder(documents, "Trips/Coast.mp4"), ContinueOnStart::On, false},
        {"a relative folder", inFolder("Documents/Trips", "Coast.mp4"), ContinueOnStart::On, false},
        {"a folder, not a video", inFolder(documents, "Trips"), ContinueOnStart::On, false},
        {"a stream alone", PlayerSession{PlayerSession::Queue::Stream, {}, {}, {}, "https://example.com/a.m3u8", State::Playing},
         ContinueOnStart::On, true},
    };
    for (const Row& row : rows) {
        const auto continued = sessionToContinue(row.last, documents, row.setting);
        EXPECT_EQ(continued.has_value(), row.continues) << row.name;
        if (continued) {
            EXPECT_EQ(continued, row.last) << row.name;
        }
    }
    EXPECT_TRUE(sessionToContinue(inFolder(documents / "Trips", "Coast.mp4"), documents / "", ContinueOnStart::On));
}

TEST_F(PlayerStateTest, TheContinueSwitchIsOnUntilTurnedOffAndKeepsTheFilesOtherKeys)
{
    const fs::path file = scratch / "config" / "Kavio" / "settings.plist";
    EXPECT_EQ(readContinueOnStart(file), ContinueOnStart::On) << "no file yet";
    ASSERT_TRUE(writeStateFile(file, serialiseState(plist::Dictionary{{"later", plist::Value::makeBoolean(true)}})).isOk());
    ASSERT_TRUE(writeContinueOnStart(file, ContinueOnStart::Off).isOk());
    EXPECT_EQ(readContinueOnStart(file), ContinueOnStart::Off);
    std::optional<fs::path> setAside;
    const std::optional<plist::Dictionary> kept = readStateFile(file, setAside);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->count("later")) << "a key of a later version survives";
    ASSERT_TRUE(writeContinueOnStart(file, ContinueOnStart::On).isOk());
    EXPECT_EQ(readContinueOnStart(file), ContinueOnStart::On);

    damage(file, "<plist><dict><key>continueOnStart</key>");
    EXPECT_EQ(readContinueOnStart(file), ContinueOnStart::On) << "a damaged file counts as on";
    ASSERT_TRUE(writeContinueOnStart(file, ContinueOnStart::Off).isOk());
    EXPECT_EQ(readContinueOnStart(file), ContinueOnStart::Off);
}

TEST_F(PlayerStateTest, KavioOwnSettingsLiveInTheUsersConfigurationFolder)
{
    test::ScopedEnv env{{"XDG_CONFIG_HOME", (scratch / "cfg").string()}, {"HOME", (scratch / "home").string()}};
    EXPECT_EQ(ownSettingsFile(), scratch / "cfg" / "Kavio" / "settings.plist");
    test::ScopedEnv unset{{"XDG_CONFIG_HOME", std::nullopt}};
    EXPECT_EQ(ownSettingsFile(), scratch / "home" / ".config" / "Kavio" / "settings.plist");
}

} // namespace
} // namespace kavio
