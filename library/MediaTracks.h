#pragma once
// Which sound and which subtitles a video plays with, and what the player calls them.
//
// Subtitles come from files beside the video named like it ("Trip.srt", "Trip.en.srt",
// "Trip.pt-BR.forced.vtt") and from text tracks inside it. One shows by default only when
// something says it is meant for this person:
//   1. a subtitle file in the system's language (its region too, when both name one),
//   2. else a subtitle file whose name names no language ("Trip.srt": put there for it),
//   3. else a track inside the video in the system's language;
// none otherwise. Files rank first because someone put them beside the video on purpose.
// The sound is the first track in the system's language, else the file's own default.

#include "library/subtitles/Parser.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavio {

// A language as file names, tracks and locales name it.
struct Language {
    QLocale::Language language = QLocale::AnyLanguage;
    QLocale::Territory territory = QLocale::AnyTerritory;

    bool known() const { return language != QLocale::AnyLanguage && language != QLocale::C; }
    // An ISO 639 code (two or three letters, "ger" and "deu" alike) with an optional
    // script and region ("pt-BR", "pt_BR", "zh-Hant-TW"), or a language's name in English
    // or in itself ("English", "deutsch"); unknown otherwise ("und", "forced", "").
    static Language fromCode(std::string_view code);
    // A POSIX locale name ("de_DE.UTF-8", "pt_BR@euro"); "C", "POSIX" and "" name none.
    static Language fromLocaleName(std::string_view name);
    // "English", "Portuguese (Brazil)"; empty when unknown.
    QString name() const;
    bool operator==(const Language&) const = default;
};

// The language the system speaks to the person: $LC_ALL, else $LC_MESSAGES, else $LANG,
// the first that is set and not empty (the POSIX order for messages).
Language systemLanguage();

// How well a track's language suits the person's: 0 not at all (or either unknown),
// 1 the language, 2 the language and the region.
int languageMatch(const Language& track, const Language& person);

// A sound or subtitle track, as the player offers it.
struct MediaTrack {
    Language language;
    std::string title;                     // UTF-8, may be empty
    std::filesystem::path file;            // a subtitle file beside the video; empty inside it
    int stream = -1;                       // inside the video: the player's index for it
    bool isFile() const { return !file.empty(); }
};

// Subtitle files for video among names (the entries of its folder, by exact bytes):
// the video's name up to its last '.', then optional dot-separated words, then ".srt" or
// ".vtt" in any case. The first word that names a language is the language; the other
// words are the title ("forced", "SDH"); a name with neither takes the file's name as
// its title. The file named exactly like the video comes first, then by name; at most
// kMaxSubtitleFiles. Only names are looked at: the caller lists regular files.
inline constexpr std::size_t kMaxSubtitleFiles = 32;
std::vector<MediaTrack> matchSubtitleFiles(const std::filesystem::path& video, const std::vector<std::string>& names);
// The same, listing the video's folder (regular files and links to them).
std::vector<MediaTrack> findSubtitleFiles(const std::filesystem::path& video);

// Indices into the lists given. Audio: none when no track matches (the player keeps the
// file's default). Subtitles: files first, then the video's tracks, as the player lists them.
std::optional<std::size_t> defaultAudioTrack(const std::vector<MediaTrack>& audio, const Language& person);
std::optional<std::size_t> defaultSubtitleTrack(const std::vector<MediaTrack>& subtitles, const Language& person);

// What the person picked for one video, kept beside its playback position.
struct SubtitleChoice {
    enum class Kind { Off, File, Track };
    Kind kind = Kind::Off;
    std::string file; // Kind::File: the file's name in the video's folder (exact bytes)
    int stream = -1;  // Kind::Track: the player's index
    bool operator==(const SubtitleChoice&) const = default;
};
struct TrackChoice {
    std::optional<int> audio;                 // the player's index; none: not picked
    std::optional<SubtitleChoice> subtitles;  // none: not picked
    bool operator==(const TrackChoice&) const = default;
};

// What plays: a remembered pick that is still there, else the defaults above. Subtitles
// picked off stay off.
struct ChosenTracks {
    std::optional<std::size_t> audio;     // none: the player's default
    std::optional<std::size_t> subtitles; // none: no subtitles
};
ChosenTracks chooseTracks(const std::vector<MediaTrack>& audio, const std::vector<MediaTrack>& subtitles,
                          const Language& person, const TrackChoice& remembered);
// The pick to remember when the person chooses audio index a or subtitle index s (none: off).
std::optional<int> audioChoice(const std::vector<MediaTrack>& audio, std::size_t a);
SubtitleChoice subtitleChoice(const std::vector<MediaTrack>& subtitles, std::optional<std::size_t> s);

// The A and S keys: the next sound track, wrapping round; subtitles off, then each
// track, then off again.
std::size_t nextAudioTrack(std::size_t current, std::size_t count);
std::optional<std::size_t> nextSubtitleTrack(std::optional<std::size_t> current, std::size_t count);

// What the control bar calls each track: "English", "English – Commentary", "Commentary",
// "Track 2" (its place in the list) when it has neither. Names that would be the same
// get their place added: "English (Track 1)", "English (Track 2)".
QStringList trackNames(const std::vector<MediaTrack>& tracks);

} // namespace kavio
