// Which tracks the playing entry uses as what is known arrives: the player's unnamed sound
// tracks named from the file, the defaults and the remembered picks decided again with
// each piece, and the person's picks kept for as long as it plays.

#include "carplay/TrackSelection.h"

#include <gtest/gtest.h>

namespace kavio::carplay {
namespace {

const Language kEnglish{QLocale::English, QLocale::AnyTerritory};
const Language kFrench{QLocale::French, QLocale::AnyTerritory};

MediaTrack track(int stream, Language language = {}, std::string title = {})
{
    MediaTrack t;
    t.stream = stream;
    t.language = language;
    t.title = std::move(title);
    return t;
}

MediaTrack subtitleFile(const std::string& name, Language language = {})
{
    MediaTrack t;
    t.file = "/videos/" + name;
    t.language = language;
    return t;
}

class TrackSelectionTest : public ::testing::Test {
protected:
    // The player lists two sound tracks without languages, as Qt 6.4 does.
    void SetUp() override { selection.setPlayerAudio({track(0), track(1)}, 0); }
    void fileSays() { selection.setFileTracks({track(0, kEnglish), track(1, kFrench, "Commentary")}, {track(0, kEnglish)}, {}); }

    TrackSelection selection;
};

TEST_F(TrackSelectionTest, ThePlayersTracksAreNamedFromTheFileOnlyWhenBothListTheSame)
{
    selection.decide(kFrench, {});
    EXPECT_EQ(selection.audioStream(), std::nullopt) << "nothing known yet: the file's default plays";
    EXPECT_EQ(selection.audioRows(), (QStringList{"Track 1", "Track 2"}));

    fileSays();
    selection.decide(kFrench, {});
    EXPECT_EQ(selection.audioStream(), 1);
    EXPECT_EQ(selection.audioRows(), (QStringList{"English", "French – Commentary"}));
    EXPECT_EQ(selection.audioRow(), 1);

    selection.setPlayerAudio({track(0), track(1), track(2)}, 0); // a stream the file reader did not see
    selection.decide(kFrench, {});
    EXPECT_EQ(selection.audioStream(), std::nullopt);
    EXPECT_EQ(selection.audioRow(), 0) << "the one the player plays is ticked";
}

TEST_F(TrackSelectionTest, RememberedPicksWinOverDefaultsAndThePersonsPickOverLaterNews)
{
    fileSays();
    TrackChoice remembered;
    remembered.audio = 0;
    remembered.subtitles = SubtitleChoice{SubtitleChoice::Kind::Off, {}, -1};
    selection.decide(kFrench, remembered);
    EXPECT_EQ(selection.subtitleTrack(), nullptr);

    const TrackChoice picked = selection.pickSubtitles(0, remembered);
    EXPECT_EQ(picked.audio, 0) << "the sound's pick is kept";
    ASSERT_TRUE(picked.subtitles);
    EXPECT_EQ(picked.subtitles->kind, SubtitleChoice::Kind::Track);
    // The player lists its tracks again: the person's pick during this playback stays.
    selection.setPlayerAudio({track(0), track(1)}, 0);
    selection.decide(kFrench, remembered);
    ASSERT_NE(selection.subtitleTrack(), nullptr);
    EXPECT_EQ(selection.subtitleTrack()->stream, 0);
    EXPECT_EQ(selection.subtitleRows(), (QStringList{"Off", "English"}));
    EXPECT_EQ(selection.subtitleRow(), 1);
}

TEST_F(TrackSelectionTest, TheKeysCycleFilesFirstThenTracksAndOffAndNeedSomethingToCycle)
{
    selection.setFileTracks({}, {track(0, kEnglish)}, {subtitleFile("Trip.srt"), subtitleFile("Trip.fr.srt", kFrench)});
    selection.decide(kEnglish, {}); // a file named like the video shows by default: row 1
    std::vector<int> rows;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(selection.cycleSubtitles({}));
        rows.push_back(selection.subtitleRow());
    }
    EXPECT_EQ(rows, (std::vector<int>{2, 3, 0, 1})) << "then the French file, the track, off, and round";
    const auto choice = selection.cycleSubtitles({});
    ASSERT_TRUE(choice && choice->subtitles);
    EXPECT_EQ(choice->subtitles->kind, SubtitleChoice::Kind::File);
    EXPECT_EQ(choice->subtitles->file, "Trip.fr.srt");

    EXPECT_EQ(selection.cycleAudio({})->audio, 1);
    selection.setPlayerAudio({track(0)}, 0);
    EXPECT_FALSE(selection.cycleAudio({})) << "one sound track: nothing to choose";
    EXPECT_TRUE(selection.audioRows().isEmpty());

    selection.reset();
    EXPECT_FALSE(selection.cycleSubtitles({}));
    EXPECT_TRUE(selection.subtitleRows().isEmpty());
}

} // namespace
} // namespace kavio::carplay
