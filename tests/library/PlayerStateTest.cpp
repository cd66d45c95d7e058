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
using State = PlayerSession::State;

class PlayerStateTest : public ::testing::Test {
protected:
    PlaybackItem video(const std::string& name)
    {
        if (!fs::exists(scratch / name)) test::writeFile(scratch / name, "video of " + name);
        return PlaybackItem::file(scratch / name);
    }
    // Another file under the name: other bytes, a later time.
    void replace(const std::string& name)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        test::writeFile(scratch / name, "another video, longer");
    }
    void damage(const fs::path& file, const std::string& bytes)
    {
        fs::create_directories(file.parent_path());
        test::writeFile(file, bytes);
    }
    static PlaybackItem stream(std::size_t i) { return PlaybackItem::stream("https://x/" + std::to_string(i)); }
    test::ScratchFolder scratch;
    const fs::path stateDir = scratch / "state" / "Kavio";
    const fs::path stops = stateDir / "positions.plist", tracks = stateDir / "tracks.plist", playing = stateDir / "playing.plist";
};

TEST_F(PlayerStateTest, ResumesThreeSecondsBeforeTheStopOnlyInTheMiddleOfTheSameFile)
{
    PlaybackPositions positions(stops);
    struct Row {
        double stoppedAt;
        std::optional<double> duration, resume;
    };
    for (const Row& row : {Row{40, 600, 37}, Row{10, 600, std::nullopt}, Row{10.5, 600, 7.5}, Row{585, 600, std::nullopt},
                           Row{584, 600, 581}, Row{40, std::nullopt, 37}}) {
        positions.record(video("clip.mp4"), row.stoppedAt, row.duration);
        EXPECT_EQ(positions.resumeAt(video("clip.mp4")), row.resume) << row.stoppedAt;
    }
    positions.record(video("clip.mp4"), 40, 600);
    positions.playedToEnd(video("clip.mp4"));
    EXPECT_FALSE(positions.resumeAt(video("clip.mp4"))) << "played to its end: from the beginning";
    positions.record(stream(1), 100, std::nullopt);
    EXPECT_EQ(positions.resumeAt(stream(1)), 97);

    positions.record(video("clip.mp4"), 40, 600);
    replace("clip.mp4");
    EXPECT_FALSE(positions.resumeAt(video("clip.mp4"))) << "another file under the same name";
    positions.record(video("a.mp4"), 40, 600);
    fs::rename(scratch / "a.mp4", scratch / "b.mp4");
    EXPECT_FALSE(positions.resumeAt(video("b.mp4"))) << "a moved file starts over";
}

// Positions and track picks alike: the 1,001st evicts the least recently used, across a
// restart, and a use again makes an entry the most recent.
TEST_F(PlayerStateTest, TheThousandMostRecentAreKeptAcrossARestart)
{
    const TrackChoice pick{1, std::nullopt};
    {
        PlaybackPositions positions(stops);
        TrackChoices choices(tracks);
        for (std::size_t i = 0; i <= PlaybackPositions::kCapacity; ++i) {
            positions.record(stream(i), 20.0 + static_cast<double>(i), std::nullopt);
            choices.remember(stream(i), pick);
        }
        ASSERT_TRUE(positions.save().isOk());
        ASSERT_TRUE(choices.save().isOk());
    }
    PlaybackPositions positions(stops);
    TrackChoices choices(tracks);
    EXPECT_EQ(positions.size(), PlaybackPositions::kCapacity);
    EXPECT_EQ(choices.size(), TrackChoices::kCapacity);
    EXPECT_FALSE(positions.resumeAt(stream(0)));
    EXPECT_EQ(choices.choiceFor(stream(0)), TrackChoice{});
    EXPECT_EQ(positions.resumeAt(stream(1000)), 1017);
    EXPECT_EQ(choices.choiceFor(stream(1000)), pick);
    positions.record(stream(1), 50, std::nullopt);
    choices.remember(stream(1), {0, std::nullopt});
    positions.record(stream(5000), 50, std::nullopt);
    choices.remember(stream(5000), pick);
    EXPECT_TRUE(positions.resumeAt(stream(1)));
    EXPECT_EQ(choices.choiceFor(stream(1)), (TrackChoice{0, std::nullopt}));
    EXPECT_FALSE(positions.resumeAt(stream(2)));
    EXPECT_EQ(choices.choiceFor(stream(2)), TrackChoice{});
}

TEST_F(PlayerStateTest, BackgroundSavesLeaveTheNewestBytes)
{
    PlaybackPositions positions(stops);
    LastSession session(playing);
    for (int i = 0; i < 20; ++i) {
        positions.record(video("clip.mp4"), 20.0 + i, 600);
        saveInBackground(stops, positions.snapshot());
        session.update({PlayerSession::Queue::Folder, scratch.path(), std::to_string(i) + ".mp4", "", "",
                        i % 2 ? State::Paused : State::Playing});
        session.saveInBackground();
    }
    waitForBackgroundSaves();
    waitForStateWrites();
    EXPECT_EQ(PlaybackPositions(stops).resumeAt(video("clip.mp4")), 36);
    ASSERT_TRUE(LastSession(playing).session());
    EXPECT_EQ(LastSession(playing).session()->entry, "19.mp4");
    EXPECT_EQ(LastSession(playing).session()->state, State::Paused);
}

TEST_F(PlayerStateTest, TrackPicksAndWhatWasPlayingSurviveARestartForTheSameFileOnly)
{
    const std::vector<TrackChoice> picks = {{1, SubtitleChoice{Kind::Off, {}, -1}},
                                            {std::nullopt, SubtitleChoice{Kind::File, "Trip.pt-BR.vtt", -1}},
                                            {0, SubtitleChoice{Kind::Track, {}, 3}},
                                            {2, std::nullopt}};
    {
        TrackChoices choices(tracks);
        for (std::size_t i = 0; i < picks.size(); ++i) choices.remember(video("v" + std::to_string(i) + ".mp4"), picks[i]);
        choices.remember(stream(1), picks[0]);
        EXPECT_TRUE(choices.isDirty());
        ASSERT_TRUE(choices.save().isOk());
        EXPECT_FALSE(choices.isDirty());
    }
    TrackChoices again(tracks);
    for (std::size_t i = 0; i < picks.size(); ++i) EXPECT_EQ(again.choiceFor(video("v" + std::to_string(i) + ".mp4")), picks[i]) << i;
    EXPECT_EQ(again.choiceFor(stream(1)), picks[0]);
    replace("v0.mp4");
    EXPECT_EQ(again.choiceFor(video("v0.mp4")), TrackChoice{});
    again.remember(video("v1.mp4"), {});
    EXPECT_EQ(again.choiceFor(video("v1.mp4")), TrackChoice{}) << "an empty pick forgets";

    const PlayerSession folder{PlayerSession::Queue::Folder, scratch / "Trips", "Coast \xE2\x98\x83.mp4", "kKV20240501120000", "",
                               State::Playing};
    const PlayerSession live{PlayerSession::Queue::Stream, {}, {}, {}, "https://example.com/live.m3u8", State::Paused};
    for (const PlayerSession& s : {folder, live}) {
        LastSession session(playing);
        session.update(s);
        EXPECT_TRUE(session.isDirty());
        ASSERT_TRUE(session.save().isOk());
        session.update(s);
        EXPECT_FALSE(session.isDirty()) << "nothing new to write";
        EXPECT_EQ(LastSession(playing).session(), s);
    }
}

TEST_F(PlayerStateTest, DamagedStateFilesAreSetAsideAndPlayingGoesOn)
{
    damage(tracks, "<plist><dict><key>x</key>");
    damage(playing, "bplist00 not really");
    damage(stops, "<plist><dict><key>y</key>");
    TrackChoices choices(tracks);
    LastSession session(playing);
    PlaybackPositions positions(stops);
    EXPECT_EQ(choices.size(), 0u);
    EXPECT_FALSE(session.session());
    EXPECT_EQ(positions.size(), 0u);
    ASSERT_TRUE(choices.setAside() && session.setAside() && positions.setAside());
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

    // Entries this version cannot read are skipped, not fatal.
    damage(tracks, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                   "<key>/a.mp4</key><dict><key>subtitles</key><string>hologram</string></dict>"
                   "<key>/b.mp4</key><dict><key>audio</key><integer>-4</integer></dict>"
                   "<key>/c.mp4</key><string>not a dictionary</string>"
                   "<key>/d.mp4</key><dict><key>audio</key><integer>2</integer><key>subtitles</key><string>track</string></dict>"
                   "</dict></plist>");
    TrackChoices partly(tracks);
    EXPECT_FALSE(partly.setAside());
    EXPECT_EQ(partly.size(), 1u);
    EXPECT_EQ(partly.choiceFor(PlaybackItem::stream("/d.mp4")), (TrackChoice{2, std::nullopt}));
}

TEST_F(PlayerStateTest, NamesAStateFileCannotHoldAreNotRememberedAndTheFileStillReads)
{
    PlaybackPositions positions(stops);
    TrackChoices choices(tracks);
    for (const std::string name : {"caf\xE9.mp4", "bell\x07.mp4", "carriage\rreturn.mp4", "fine \xC3\xA9t\xC3\xA9.mp4"}) {
        positions.record(video(name), 40, 600);
        choices.remember(video(name), {1, std::nullopt});
    }
    choices.remember(video("fine.mp4"), {1, SubtitleChoice{Kind::File, "fine.caf\xE9.srt", -1}});
    ASSERT_TRUE(positions.save().isOk());
    ASSERT_TRUE(choices.save().isOk());

    PlaybackPositions positionsAgain(stops);
    TrackChoices choicesAgain(tracks);
    EXPECT_FALSE(positionsAgain.setAside());
    EXPECT_FALSE(choicesAgain.setAside());
    EXPECT_EQ(positionsAgain.size(), 1u);
    EXPECT_EQ(choicesAgain.size(), 2u);
    EXPECT_EQ(positionsAgain.resumeAt(video("fine \xC3\xA9t\xC3\xA9.mp4")), 37);
    EXPECT_EQ(choicesAgain.choiceFor(video("fine \xC3\xA9t\xC3\xA9.mp4")), (TrackChoice{1, std::nullopt}));
    EXPECT_EQ(choicesAgain.choiceFor(video("fine.mp4")), (TrackChoice{1, std::nullopt})) << "the sound, not the file";

    LastSession session(playing);
    session.update({PlayerSession::Queue::Folder, scratch.path(), "fine.mp4", "", "", State::Playing});
    session.update({PlayerSession::Queue::Folder, scratch.path(), "caf\xE9.mp4", "", "", State::Playing});
    EXPECT_FALSE(session.session()) << "not the video before it either";
}

TEST_F(PlayerStateTest, OnlyAVideoThatWasPlayingContinuesWhenTheCarStarts)
{
    const fs::path documents = scratch / "Documents", trips = documents / "Trips";
    fs::create_directories(trips);
    test::writeFile(trips / "Coast.mp4", "video");
    test::writeFile(documents / "Top.mp4", "video");
    test::writeFile(scratch / "Outside.mp4", "video");
    const auto inFolder = [](fs::path folder, std::string entry, State state = State::Playing) {
        return PlayerSession{PlayerSession::Queue::Folder, std::move(folder), std::move(entry), "", "", state};
    };
    struct Row {
        const char* name;
        std::optional<PlayerSession> last;
        bool continues;
        ContinueOnStart setting = ContinueOnStart::On;
    };
    const std::vector<Row> rows = {
        {"playing in a folder", inFolder(trips, "Coast.mp4"), true},
        {"playing at the top", inFolder(documents, "Top.mp4"), true},
        {"the switch off", inFolder(trips, "Coast.mp4"), false, ContinueOnStart::Off},
        {"paused", inFolder(trips, "Coast.mp4", State::Paused), false},
        {"closed", inFolder(trips, "Coast.mp4", State::Closed), false},
        {"nothing played yet", std::nullopt, false},
        {"the video since removed", inFolder(trips, "Gone.mp4"), false},
        {"the folder since removed", inFolder(documents / "Gone", "Coast.mp4"), false},
        {"outside the documents", inFolder(scratch.path(), "Outside.mp4"), false},
        {"out by dot-dot", inFolder(trips / ".." / "..", "Outside.mp4"), false},
        {"an entry that is a path", inFolder(documents, "Trips/Coast.mp4"), false},
        {"a relative folder", inFolder("Documents/Trips", "Coast.mp4"), false},
        {"a folder, not a video", inFolder(documents, "Trips"), false},
        {"a stream alone", PlayerSession{PlayerSession::Queue::Stream, {}, {}, {}, "https://example.com/a.m3u8", State::Playing}, true},
    };
    for (const Row& row : rows) {
        const auto continued = sessionToContinue(row.last, documents, row.setting);
        EXPECT_EQ(continued, row.continues ? row.last : std::nullopt) << row.name;
    }
    EXPECT_TRUE(sessionToContinue(inFolder(trips, "Coast.mp4"), documents / "", ContinueOnStart::On));
}

TEST_F(PlayerStateTest, TheContinueSwitchIsOnUntilTurnedOffAndKeepsTheFilesOtherKeys)
{
    test::ScopedEnv env{{"XDG_CONFIG_HOME", (scratch / "cfg").string()}, {"HOME", (scratch / "home").string()}};
    const fs::path file = ownSettingsFile();
    EXPECT_EQ(file, scratch / "cfg" / "Kavio" / "settings.plist");
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

    test::ScopedEnv unset{{"XDG_CONFIG_HOME", std::nullopt}};
    EXPECT_EQ(ownSettingsFile(), scratch / "home" / ".config" / "Kavio" / "settings.plist");
}

} // namespace
} // namespace kavio
