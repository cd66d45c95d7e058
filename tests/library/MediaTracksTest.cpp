// Which sound and subtitles a video plays with: languages from codes, names and locales,
// subtitle files found beside a video, the default rules, remembered picks, the A and S
// keys' cycles, and the names the control bar shows.

#include "support/TestSupport.h"

#include "library/MediaTracks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace kavio {
namespace {

namespace fs = std::filesystem;

Language lang(QLocale::Language language, QLocale::Territory territory = QLocale::AnyTerritory) { return {language, territory}; }

MediaTrack file(const std::string& name, Language language = {}, std::string title = {})
{
    return {.language = language, .title = std::move(title), .file = fs::path("/videos") / name};
}

MediaTrack track(int stream, Language language = {}, std::string title = {})
{
    return {.language = language, .title = std::move(title), .file = {}, .stream = stream};
}

std::vector<std::string> fileNames(const std::vector<MediaTrack>& tracks)
{
    std::vector<std::string> names;
    for (const MediaTrack& t : tracks) names.push_back(t.file.filename().string());
    return names;
}

TEST(LanguageTest, ReadsCodesNamesAndLocalesAndTheSystemsFromLcAllThenLcMessagesThenLang)
{
    struct Row {
        const char* code;
        Language language;
    };
    const Language english = lang(QLocale::English), german = lang(QLocale::German), ptBR = lang(QLocale::Portuguese, QLocale::Brazil);
    for (const Row& row : {Row{"en", english}, Row{"EN", english}, Row{"eng", english}, Row{"ger", german}, Row{"deu", german},
                           Row{"pt-BR", ptBR}, Row{"pt_br", ptBR}, Row{"zh-Hant-TW", lang(QLocale::Chinese, QLocale::Taiwan)},
                           Row{"es-419", lang(QLocale::Spanish, QLocale::LatinAmerica)}, Row{"English", english},
                           Row{"deutsch", german}, Row{"Fran\xC3\xA7" "ais", lang(QLocale::French)}, Row{"und", {}},
                           Row{"forced", {}}, Row{"sdh", {}} /* hearing impaired, not Southern Kurdish */, Row{"", {}},
                           Row{"en-", english}, Row{"-en", {}}})
        EXPECT_EQ(Language::fromCode(row.code), row.language) << row.code;
    for (const Row& row : {Row{"de_DE.UTF-8", lang(QLocale::German, QLocale::Germany)}, Row{"pt_BR@euro", ptBR}, Row{"en", english},
                           Row{"C", {}}, Row{"C.UTF-8", {}}, Row{"POSIX", {}}, Row{"", {}}})
        EXPECT_EQ(Language::fromLocaleName(row.code), row.language) << row.code;

    const test::ScopedEnv unset{{"LC_ALL", std::nullopt}, {"LC_MESSAGES", std::nullopt}, {"LANG", std::nullopt}};
    EXPECT_FALSE(systemLanguage().known());
    ::setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(systemLanguage(), lang(QLocale::German, QLocale::Germany));
    ::setenv("LC_MESSAGES", "", 1);
    EXPECT_EQ(systemLanguage(), lang(QLocale::German, QLocale::Germany)) << "an empty variable is not set";
    ::setenv("LC_MESSAGES", "fr_FR.UTF-8", 1);
    EXPECT_EQ(systemLanguage(), lang(QLocale::French, QLocale::France));
    ::setenv("LC_ALL", "C", 1);
    EXPECT_FALSE(systemLanguage().known()) << "C names no language";
}

TEST(SubtitleFilesTest, NamedLikeTheVideoWithTheLanguageTheyName)
{
    const std::vector<std::string> names = {"Trip.mp4",  "Trip.srt",     "Trip.en.srt",   "Trip.pt-BR.vtt", "Trip.en.forced.SRT",
                                            "Trip.English.srt", "Trip.Director.vtt", "trip.srt", "Trip2.srt", "Trip.srt.txt",
                                            "Trip.sub",  "Tri.srt",      "Trip..de..srt", "Trip.sdh.srt",   ".Trip.srt"};
    const std::vector<MediaTrack> expected = {
        file("Trip.srt", {}, "Trip.srt"), file("Trip..de..srt", lang(QLocale::German)), file("Trip.Director.vtt", {}, "Director"),
        file("Trip.English.srt", lang(QLocale::English)), file("Trip.en.forced.SRT", lang(QLocale::English), "forced"),
        file("Trip.en.srt", lang(QLocale::English)), file("Trip.pt-BR.vtt", lang(QLocale::Portuguese, QLocale::Brazil)),
        file("Trip.sdh.srt", {}, "sdh"),
    };
    const std::vector<MediaTrack> found = matchSubtitleFiles("/videos/Trip.mp4", names);
    ASSERT_EQ(fileNames(found), fileNames(expected));
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].file, expected[i].file);
        EXPECT_EQ(found[i].language, expected[i].language) << fileNames(found)[i];
        EXPECT_EQ(found[i].title, expected[i].title) << fileNames(found)[i];
    }
}

TEST(SubtitleFilesTest, TheBaseNameIsMatchedByItsExactBytes)
{
    const std::vector<std::string> names = {"Caf\xE9.de.srt", "Caf\xC3\xA9.de.srt", "My.Trip.srt", "My.srt"};
    EXPECT_EQ(fileNames(matchSubtitleFiles("/v/Caf\xE9.mp4", names)), std::vector<std::string>{"Caf\xE9.de.srt"});
    EXPECT_EQ(fileNames(matchSubtitleFiles("/v/My.Trip.mp4", names)), std::vector<std::string>{"My.Trip.srt"});
    std::vector<std::string> many;
    for (int i = 0; i < 100; ++i) many.push_back("Trip." + std::to_string(i) + ".srt");
    EXPECT_EQ(matchSubtitleFiles("/v/Trip.mp4", many).size(), kMaxSubtitleFiles);
}

TEST(SubtitleFilesTest, FoundOnDiskAmongRegularFilesOnly)
{
    test::ScratchFolder scratch;
    test::writeFile(scratch / "Trip.mp4", "video");
    test::writeFile(scratch / "Trip.en.srt", "1\n00:00:01,000 --> 00:00:02,000\nHi\n");
    test::writeFile(scratch / "elsewhere.vtt", "WEBVTT\n");
    fs::create_symlink(scratch / "elsewhere.vtt", scratch / "Trip.fr.vtt");
    fs::create_directory(scratch / "Trip.de.srt");
    ASSERT_EQ(::mkfifo((scratch / "Trip.it.srt").c_str(), 0600), 0);
    fs::create_symlink(scratch / "missing.srt", scratch / "Trip.es.srt");
    const std::vector<MediaTrack> found = findSubtitleFiles(scratch / "Trip.mp4");
    EXPECT_EQ(fileNames(found), (std::vector<std::string>{"Trip.en.srt", "Trip.fr.vtt"}));
    EXPECT_TRUE(findSubtitleFiles(scratch / "gone" / "Trip.mp4").empty());
}

TEST(DefaultTracksTest, SubtitlesShowOnlyWhenMeantForThePerson)
{
    const Language german = lang(QLocale::German, QLocale::Germany);
    const Language ptBR = lang(QLocale::Portuguese, QLocale::Brazil);
    struct Row {
        const char* name;
        std::vector<MediaTrack> tracks;
        Language person;
        std::optional<std::size_t> shown;
    };
    const std::vector<Row> rows = {
        {"a file in the language", {file("T.en.srt", lang(QLocale::English)), file("T.de.srt", lang(QLocale::German))}, german, 1},
        {"a track inside in the language", {file("T.en.srt", lang(QLocale::English)), track(0, lang(QLocale::German))}, german, 1},
        {"a file in the language before a track", {track(0, lang(QLocale::German)), file("T.de.srt", lang(QLocale::German))}, german, 1},
        {"a file with no language before a track", {file("T.srt"), track(0, lang(QLocale::German))}, german, 0},
        {"a file with no language for anyone", {file("T.en.srt", lang(QLocale::English)), file("T.srt")}, {}, 1},
        {"another language only", {file("T.en.srt", lang(QLocale::English)), track(0, lang(QLocale::French))}, german, std::nullopt},
        {"no system language", {track(0, lang(QLocale::English))}, {}, std::nullopt},
        {"a track of unknown language", {track(0)}, german, std::nullopt},
        {"the region decides",
         {file("T.pt-PT.srt", lang(QLocale::Portuguese, QLocale::Portugal)), file("T.pt-BR.srt", ptBR), file("T.pt.srt", lang(QLocale::Portuguese))},
         ptBR, 1},
        {"no region before another region",
         {file("T.pt-PT.srt", lang(QLocale::Portuguese, QLocale::Portugal)), file("T.pt.srt", lang(QLocale::Portuguese))}, ptBR, 1},
        {"another region of the language", {file("T.pt.srt", lang(QLocale::Portuguese, QLocale::Portugal))}, ptBR, 0},
        {"nothing offered", {}, german, std::nullopt},
    };
    for (const Row& row : rows) EXPECT_EQ(defaultSubtitleTrack(row.tracks, row.person), row.shown) << row.name;
}

TEST(DefaultTracksTest, TheSoundInThePersonsLanguageElseTheFilesDefault)
{
    const std::vector<MediaTrack> audio = {track(0, lang(QLocale::English)), track(1, lang(QLocale::German), "Commentary"),
                                           track(2, lang(QLocale::German)), track(3)};
    EXPECT_EQ(defaultAudioTrack(audio, lang(QLocale::German, QLocale::Germany)), 1u) << "the first in the language";
    EXPECT_EQ(defaultAudioTrack(audio, lang(QLocale::English)), 0u);
    EXPECT_EQ(defaultAudioTrack(audio, lang(QLocale::French)), std::nullopt);
    EXPECT_EQ(defaultAudioTrack(audio, {}), std::nullopt);
    EXPECT_EQ(defaultAudioTrack({}, lang(QLocale::German)), std::nullopt);
}

TEST(ChosenTracksTest, ARememberedPickWinsWhileItIsStillThere)
{
    const Language german = lang(QLocale::German);
    const std::vector<MediaTrack> audio = {track(0, lang(QLocale::English)), track(1, german)};
    const std::vector<MediaTrack> subtitles = {file("T.de.srt", german), file("T.fr.srt", lang(QLocale::French)), track(4, german)};
    struct Row {
        const char* name;
        TrackChoice remembered;
        std::optional<std::size_t> audio, subtitles;
    };
    using Kind = SubtitleChoice::Kind;
    const std::vector<Row> rows = {
        {"nothing picked", {}, 1, 0},
        {"audio picked", {0, std::nullopt}, 0, 0},
        {"audio no longer there", {7, std::nullopt}, 1, 0},
        {"subtitles off stay off", {std::nullopt, SubtitleChoice{Kind::Off, {}, -1}}, 1, std::nullopt},
        {"a file", {std::nullopt, SubtitleChoice{Kind::File, "T.fr.srt", -1}}, 1, 1},
        {"a file since removed", {std::nullopt, SubtitleChoice{Kind::File, "T.it.srt", -1}}, 1, 0},
        {"a track inside", {std::nullopt, SubtitleChoice{Kind::Track, {}, 4}}, 1, 2},
        {"a track no longer offered", {std::nullopt, SubtitleChoice{Kind::Track, {}, 5}}, 1, 0},
    };
    for (const Row& row : rows) {
        const ChosenTracks chosen = chooseTracks(audio, subtitles, german, row.remembered);
        EXPECT_EQ(chosen.audio, row.audio) << row.name;
        EXPECT_EQ(chosen.subtitles, row.subtitles) << row.name;
    }
    // What a pick is remembered as leads back to the same track.
    for (std::size_t a = 0; a < audio.size(); ++a) {
        for (const std::optional<std::size_t> s : std::vector<std::optional<std::size_t>>{std::nullopt, 0, 1, 2}) {
            const TrackChoice pick{audioChoice(audio, a), subtitleChoice(subtitles, s)};
            const ChosenTracks again = chooseTracks(audio, subtitles, {}, pick);
            EXPECT_EQ(again.audio, a);
            EXPECT_EQ(again.subtitles, s);
        }
    }
}

TEST(ChosenTracksTest, TheKeysCycleThroughEveryTrack)
{
    EXPECT_EQ(nextAudioTrack(0, 3), 1u);
    EXPECT_EQ(nextAudioTrack(2, 3), 0u);
    EXPECT_EQ(nextAudioTrack(0, 0), 0u);
    std::vector<std::optional<std::size_t>> cycle{std::nullopt};
    for (int i = 0; i < 3; ++i) cycle.push_back(nextSubtitleTrack(cycle.back(), 2));
    EXPECT_EQ(cycle, (std::vector<std::optional<std::size_t>>{std::nullopt, 0, 1, std::nullopt}));
    EXPECT_EQ(nextSubtitleTrack(std::nullopt, 0), std::nullopt);
}

TEST(TrackNamesTest, FromLanguageAndTitleElseThePlace)
{
    struct Row {
        std::vector<MediaTrack> tracks;
        QStringList names;
    };
    const std::vector<Row> rows = {
        {{track(0, lang(QLocale::English)), track(1, lang(QLocale::English), "Commentary"), track(2, {}, "Director"), track(3)},
         {"English", "English – Commentary", "Director", "Track 4"}},
        {{track(0), track(1)}, {"Track 1", "Track 2"}},
        {{track(0, lang(QLocale::English)), track(1, lang(QLocale::English))}, {"English (Track 1)", "English (Track 2)"}},
        {{track(0, lang(QLocale::English), "english")}, {"English"}},
        {{track(0, {}, "\x01" "Bad\ttitle\xE2\x80\xAE  ")}, {"Bad title"}},
        {{track(0, {}, "\xFF")}, {"\xEF\xBF\xBD"}},
        {{file("T.pt-BR.srt", lang(QLocale::Portuguese, QLocale::Brazil), "forced")}, {"Portuguese (Brazil) – forced"}},
    };
    for (const Row& row : rows) EXPECT_EQ(trackNames(row.tracks), row.names) << row.names.join(", ").toStdString();
}

} // namespace
} // namespace kavio
