#include "library/MediaTracks.h"

#include "library/Utf8.h"

#include <QHash>

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace kavio {

namespace fs = std::filesystem;

namespace {

// File names use the short codes; ISO 639-3 would read "sdh" (hearing impaired) as a
// language.
constexpr auto kCodeTypes = QLocale::ISO639Part1 | QLocale::ISO639Part2 | QLocale::LegacyLanguageCode;

QString latin1(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

bool isLetters(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

// Languages by their names in English and in themselves, lower case; made once.
const QHash<QString, QLocale::Language>& languagesByName()
{
    static const QHash<QString, QLocale::Language> names = [] {
        QHash<QString, QLocale::Language> byName;
        for (int l = QLocale::C + 1; l <= QLocale::LastLanguage; ++l) {
            const auto language = static_cast<QLocale::Language>(l);
            byName.insert(QLocale::languageToString(language).toLower(), language);
        }
        // Names in the language itself, where they do not name another in English.
        for (int l = QLocale::C + 1; l <= QLocale::LastLanguage; ++l) {
            const auto language = static_cast<QLocale::Language>(l);
            const QLocale locale(language);
            const QString native = locale.nativeLanguageName().toLower();
            if (locale.language() == language && !native.isEmpty() && !byName.contains(native)) byName.insert(native, language);
        }
        return byName;
    }();
    return names;
}

// Printable text for a title: control characters and direction overrides dropped, spaces
// trimmed.
QString displayText(std::string_view utf8)
{
    QString text = fromUtf8(utf8).simplified(); // tabs and line breaks become spaces
    // Bidirectional overrides would turn what the bar adds after a title around.
    text.removeIf([](QChar c) {
        return c.category() == QChar::Other_Control || (c.unicode() >= 0x202A && c.unicode() <= 0x202E) ||
               (c.unicode() >= 0x2066 && c.unicode() <= 0x2069);
    });
    return text.simplified();
}

std::string fileName(const fs::path& path) { return path.filename().string(); }

} // namespace

Language Language::fromCode(std::string_view code)
{
    Language result;
    std::vector<std::string_view> parts;
    for (std::size_t at = 0; at <= code.size();) {
        const std::size_t end = std::min(code.find_first_of("-_", at), code.size());
        parts.push_back(code.substr(at, end - at));
        at = end + 1;
    }
    const std::string_view primary = parts.front();
    if (!primary.empty() && isLetters(primary)) {
        if (primary.size() <= 3)
            result.language = QLocale::codeToLanguage(latin1(primary).toLower(), kCodeTypes);
        else if (parts.size() == 1)
            result.language = languagesByName().value(fromUtf8(primary).toLower(), QLocale::AnyLanguage);
    } else if (parts.size() == 1) {
        result.language = languagesByName().value(fromUtf8(primary).toLower(), QLocale::AnyLanguage); // "Français"
    }
    if (!result.known()) return {};
    // Subtags after the language: a four-letter script, then a region of two letters or
    // three digits.
    for (std::size_t i = 1; i < parts.size(); ++i) {
        if (parts[i].size() == 2 || parts[i].size() == 3) {
            const QLocale::Territory territory = QLocale::codeToTerritory(latin1(parts[i]).toUpper());
            if (territory != QLocale::AnyTerritory) result.territory = territory;
            break;
        }
    }
    return result;
}

Language Language::fromLocaleName(std::string_view name)
{
    name = name.substr(0, name.find_first_of(".@"));
    if (name == "C" || name == "POSIX") return {};
    return fromCode(name);
}

QString Language::name() const
{
    if (!known()) return {};
    QString text = QLocale::languageToString(language);
    if (territory != QLocale::AnyTerritory) text += QStringLiteral(" (%1)").arg(QLocale::territoryToString(territory));
    return text;
}

Language systemLanguage()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return Language::fromLocaleName(value);
    }
    return {};
}

int languageMatch(const Language& track, const Language& person)
{
    if (!track.known() || !person.known() || track.language != person.language) return 0;
    if (track.territory == QLocale::AnyTerritory || person.territory == QLocale::AnyTerritory) return 2;
    return track.territory == person.territory ? 3 : 1; // pt-PT suits a pt_BR person least
}

std::vector<MediaTrack> matchSubtitleFiles(const fs::path& video, const std::vector<std::string>& names)
{
    const std::string base = video.stem().string() + ".";
    std::vector<MediaTrack> found;
    for (const std::string& name : names) {
        if (name.size() <= base.size() || name.compare(0, base.size(), base) != 0) continue;
        if (!subtitles::formatOfFile(name)) continue;
        const std::string rest = name.substr(base.size()); // "en.forced.srt"
        const std::size_t extension = rest.rfind('.');
        const std::string middle = extension == std::string::npos ? std::string() : rest.substr(0, extension);
        MediaTrack track;
        track.file = video.parent_path() / name;
        std::vector<std::string> words;
        for (std::size_t at = 0; at < middle.size();) {
            const std::size_t end = std::min(middle.find('.', at), middle.size());
            if (end > at) words.push_back(middle.substr(at, end - at));
            at = end + 1;
        }
        for (auto it = words.begin(); it != words.end(); ++it) {
            if (const Language language = Language::fromCode(*it); language.known()) {
                track.language = language;
                words.erase(it);
                break;
            }
        }
        for (const std::string& word : words) track.title += (track.title.empty() ? "" : " ") + word;
        if (!track.language.known() && track.title.empty()) track.title = name;
        found.push_back(std::move(track));
    }
    // The file named exactly like the video first, then by name.
    std::sort(found.begin(), found.end(), [&](const MediaTrack& a, const MediaTrack& b) {
        const std::string an = fileName(a.file), bn = fileName(b.file);
        const bool aExact = an.find('.', base.size()) == std::string::npos;
        const bool bExact = bn.find('.', base.size()) == std::string::npos;
        if (aExact != bExact) return aExact;
        return an < bn;
    });
    if (found.size() > kMaxSubtitleFiles) found.resize(kMaxSubtitleFiles);
    return found;
}

std::vector<MediaTrack> findSubtitleFiles(const fs::path& video)
{
    const std::string base = video.stem().string() + ".";
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(video.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = fileName(it->path());
        if (name.compare(0, base.size(), base) != 0 || !subtitles::formatOfFile(name)) continue;
        std::error_code statError;
        if (it->is_regular_file(statError)) names.push_back(name);
    }
    return matchSubtitleFiles(video, names);
}

std::optional<std::size_t> defaultAudioTrack(const std::vector<MediaTrack>& audio, const Language& person)
{
    std::optional<std::size_t> best;
    int bestMatch = 0;
    for (std::size_t i = 0; i < audio.size(); ++i) {
        if (const int match = languageMatch(audio[i].language, person); match > bestMatch) {
            best = i;
            bestMatch = match;
        }
    }
    return best;
}

std::optional<std::size_t> defaultSubtitleTrack(const std::vector<MediaTrack>& subtitles, const Language& person)
{
    const auto bestMatching = [&](bool files) -> std::optional<std::size_t> {
        std::optional<std::size_t> best;
        int bestMatch = 0;
        for (std::size_t i = 0; i < subtitles.size(); ++i) {
            if (subtitles[i].isFile() != files) continue;
            if (const int match = languageMatch(subtitles[i].language, person); match > bestMatch) {
                best = i;
                bestMatch = match;
            }
        }
        return best;
    };
    if (const auto file = bestMatching(true)) return file;
    for (std::size_t i = 0; i < subtitles.size(); ++i)
        if (subtitles[i].isFile() && !subtitles[i].language.known()) return i;
    return bestMatching(false);
}

ChosenTracks chooseTracks(const std::vector<MediaTrack>& audio, const std::vector<MediaTrack>& subtitles,
                          const Language& person, const TrackChoice& remembered)
{
    ChosenTracks chosen{defaultAudioTrack(audio, person), defaultSubtitleTrack(subtitles, person)};
    if (remembered.audio) {
        const auto it =
            std::find_if(audio.begin(), audio.end(), [&](const MediaTrack& t) { return t.stream == *remembered.audio; });
        if (it != audio.end()) chosen.audio = static_cast<std::size_t>(it - audio.begin());
    }
    if (const auto& pick = remembered.subtitles) {
        const auto it = std::find_if(subtitles.begin(), subtitles.end(), [&](const MediaTrack& t) {
            return pick->kind == SubtitleChoice::Kind::File ? t.isFile() && fileName(t.file) == pick->file
                                                            : !t.isFile() && t.stream == pick->stream;
        });
        if (pick->kind == SubtitleChoice::Kind::Off)
            chosen.subtitles.reset();
        else if (it != subtitles.end())
            chosen.subtitles = static_cast<std::size_t>(it - subtitles.begin());
        // A picked file since removed, or a track no longer offered: the default rule.
    }
    return chosen;
}

std::optional<int> audioChoice(const std::vector<MediaTrack>& audio, std::size_t a)
{
    if (a >= audio.size()) return std::nullopt;
    return audio[a].stream;
}

SubtitleChoice subtitleChoice(const std::vector<MediaTrack>& subtitles, std::optional<std::size_t> s)
{
    if (!s || *s >= subtitles.size()) return {};
    const MediaTrack& track = subtitles[*s];
    if (track.isFile()) return {SubtitleChoice::Kind::File, fileName(track.file), -1};
    return {SubtitleChoice::Kind::Track, {}, track.stream};
}

std::size_t nextAudioTrack(std::size_t current, std::size_t count)
{
    return count == 0 ? 0 : (current + 1) % count;
}

std::optional<std::size_t> nextSubtitleTrack(std::optional<std::size_t> current, std::size_t count)
{
    if (count == 0) return std::nullopt;
    if (!current) return 0;
    if (*current + 1 >= count) return std::nullopt;
    return *current + 1;
}

QStringList trackNames(const std::vector<MediaTrack>& tracks)
{
    QStringList names;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const QString language = tracks[i].language.name();
        const QString title = displayText(tracks[i].title);
        if (!language.isEmpty() && !title.isEmpty() && title.compare(language, Qt::CaseInsensitive) != 0)
            names << QStringLiteral("%1 – %2").arg(language, title);
        else if (!language.isEmpty())
            names << language;
        else if (!title.isEmpty())
            names << title;
        else
            names << QStringLiteral("Track %1").arg(i + 1);
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names.count(names[i]) < 2) continue;
        const QString same = names[i];
        for (qsizetype j = i; j < names.size(); ++j)
            if (names[j] == same) names[j] = QStringLiteral("%1 (Track %2)").arg(same).arg(j + 1);
    }
    return names;
}

} // namespace kavio
