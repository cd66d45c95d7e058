#include "phone/Names.h"

#include "library/PlainText.h"
#include "library/SavedVideosStore.h"
#include "library/Settings.h"

#include <QString>
#include <QUrl>

#include <algorithm>
#include <climits>

namespace kavio::phone {

namespace {

constexpr std::size_t kMaxNameBytes = NAME_MAX; // one path component, in bytes

// Text a person may type anywhere: a name, a title, an artist.
std::optional<std::string> textProblem(std::string_view text, std::string_view what)
{
    if (!isValidUtf8(text))
        return std::string(what) + " holds bytes that are not text (not valid UTF-8).";
    if (firstControlCharacter(text))
        return std::string(what) + " cannot contain control characters such as a line break, a tab or an escape.";
    return std::nullopt;
}

std::optional<std::string> partProblem(std::string_view part, NameUse use, std::string_view extension)
{
    if (part == "." || part == "..")
        return "\"" + std::string(part) + "\" cannot be used as a name.";
    if (part.front() == '.')
        return std::string("A name cannot start with \".\": the item would be hidden.");
    const std::size_t bytes = part.size() + (extension.empty() ? 0 : 1 + extension.size());
    if (bytes > kMaxNameBytes)
        return std::string("The name is too long.");
    if (use != NameUse::Title && (part == kStoreFileName || part == kSettingsFileName))
        return "\"" + std::string(part) + "\" is the name of a file Kavio keeps for itself.";
    return std::nullopt;
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::optional<std::string> nameProblem(std::string_view name, NameUse use, std::string_view extension)
{
    if (name.empty())
        return std::string(kNoCharactersEntered);
    if (std::optional<std::string> problem = textProblem(name, "A name"))
        return problem;
    if (use != NameUse::FolderPath) {
        if (name.find('/') != std::string_view::npos)
            return std::string("A name cannot contain \"/\".");
        return partProblem(name, use, extension);
    }
    if (name.front() == '/')
        return std::string("A folder name cannot start with \"/\".");
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t slash = std::min(name.find('/', start), name.size());
        const std::string_view part = name.substr(start, slash - start);
        if (part.empty())
            return std::string("A folder name cannot end with \"/\" or hold \"//\".");
        if (std::optional<std::string> problem = partProblem(part, use, {}))
            return problem;
        start = slash + 1;
    }
    return std::nullopt;
}

std::string_view titleWithoutExtension(std::string_view title, std::string_view extension)
{
    if (extension.empty() || title.size() <= extension.size() + 1)
        return title;
    const std::string_view tail = title.substr(title.size() - extension.size() - 1);
    const bool same = tail.front() == '.' && std::equal(extension.begin(), extension.end(), tail.begin() + 1,
                                                         [](char a, char b) { return asciiLower(a) == asciiLower(b); });
    return same ? title.substr(0, title.size() - tail.size()) : title;
}

std::optional<std::string> linkProblem(std::string_view link)
{
    static constexpr std::string_view kSchemes[] = {"http", "https", "rtsp", "rtsps", "rtmp", "mms"};
    constexpr char kPlayable[] = "Kavio plays http, https, rtsp, rtsps, rtmp and mms links.";
    if (std::optional<std::string> problem = textProblem(link, "A link"))
        return problem;
    const QString text = QString::fromUtf8(link.data(), static_cast<qsizetype>(link.size()));
    const QUrl url(text, QUrl::StrictMode);
    const std::string scheme = url.scheme().toLower().toStdString();
    if (!url.isValid() || scheme.empty() || text.contains(u' ') || !text.contains(QLatin1String("://")))
        return "This is not a web address. " + std::string(kPlayable) + " For example: https://example.com/live.m3u8";
    if (std::find(std::begin(kSchemes), std::end(kSchemes), scheme) == std::end(kSchemes))
        return "Kavio cannot play " + scheme + ": links. " + kPlayable;
    if (url.host().isEmpty())
        return "The link names no server, such as example.com in https://example.com/live.m3u8.";
    return std::nullopt;
}

std::optional<std::string> artistProblem(std::string_view artist)
{
    return textProblem(artist, "An artist name");
}

} // namespace kavio::phone
