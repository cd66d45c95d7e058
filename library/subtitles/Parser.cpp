#include "library/subtitles/Parser.h"

#include "library/subtitles/CueText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavio::subtitles {

namespace {

// Lines of the decoded text, split at CRLF, CR or LF.
class Lines {
public:
    explicit Lines(std::string_view text) : text_(text) {}

    std::optional<std::string_view> next()
    {
        if (at_ >= text_.size()) return std::nullopt;
        const std::size_t end = std::min(text_.find_first_of("\r\n", at_), text_.size());
        const std::string_view line = text_.substr(at_, end - at_);
        at_ = end;
        if (at_ < text_.size() && text_[at_] == '\r') ++at_;
        if (at_ < text_.size() && text_[at_] == '\n') ++at_;
        return line;
    }
    std::optional<std::string_view> peek() const { return Lines(*this).next(); }
    // The line after the next one.
    std::optional<std::string_view> peekSecond() const
    {
        Lines ahead(*this);
        ahead.next();
        return ahead.next();
    }

private:
    std::string_view text_;
    std::size_t at_ = 0;
};

bool isBlank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isIndex(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(" \t");
    const std::size_t last = line.find_last_not_of(" \t");
    if (first == std::string_view::npos) return false;
    for (std::size_t i = first; i <= last; ++i)
        if (!isDigit(line[i])) return false;
    return true;
}

// The word that opens line, followed by the line's end, a space or a tab.
bool startsWithWord(std::string_view line, std::string_view word)
{
    return line.substr(0, word.size()) == word &&
           (line.size() == word.size() || line[word.size()] == ' ' || line[word.size()] == '\t');
}

void skipSpaces(std::string_view text, std::size_t& at)
{
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
}

// Up to maxDigits decimal digits at text[at].
std::optional<std::int64_t> readNumber(std::string_view text, std::size_t& at, std::size_t maxDigits)
{
    const std::size_t start = at;
    std::int64_t value = 0;
    while (at < text.size() && isDigit(text[at])) {
        if (at - start == maxDigits) return std::nullopt;
        value = value * 10 + (text[at] - '0');
        ++at;
    }
    if (at == start) return std::nullopt;
    return value;
}

std::optional<Milliseconds> readTimestamp(std::string_view text, std::size_t& at)
{
    std::int64_t fields[3] = {};
    std::size_t widths[3] = {};
    std::size_t count = 0;
    for (;;) {
        const std::size_t start = at;
        const auto n = readNumber(text, at, 7);
        if (!n) return std::nullopt;
        widths[count] = at - start;
        fields[count++] = *n;
        if (count == 3 || at >= text.size() || text[at] != ':') break;
        ++at;
    }
    if (count < 2) return std::nullopt;
    const std::int64_t hours = count == 3 ? fields[0] : 0;
    const std::int64_t minutes = fields[count - 2], seconds = fields[count - 1];
    if (widths[count - 2] > 2 || widths[count - 1] > 2 || minutes > 59 || seconds > 59) return std::nullopt;
    std::int64_t millis = 0;
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
        ++at;
        const std::size_t start = at;
        const auto digits = readNumber(text, at, 9);
        if (!digits) return std::nullopt;
        const std::size_t width = at - start;
        millis = *digits;
        for (std::size_t w = width; w < 3; ++w) millis *= 10; // ",5" is half a second
        for (std::size_t w = width; w > 3; --w) millis /= 10;
    }
    return Milliseconds(((hours * 60 + minutes) * 60 + seconds) * 1000 + millis);
}

struct Timing {
    Milliseconds start, end;
};

// "start --> end", then nothing or whitespace and settings (ignored).
std::optional<Timing> parseTiming(std::string_view line)
{
    if (line.find("-->") == std::string_view::npos) return std::nullopt;
    std::size_t at = 0;
    skipSpaces(line, at);
    const auto start = readTimestamp(line, at);
    if (!start) return std::nullopt;
    skipSpaces(line, at);
    if (line.substr(at, 3) != "-->") return std::nullopt;
    at += 3;
    skipSpaces(line, at);
    const auto end = readTimestamp(line, at);
    if (!end || (at < line.size() && line[at] != ' ' && line[at] != '\t')) return std::nullopt;
    return Timing{*start, *end};
}

// Shared by both formats: a timing found, its text lines fed, the cue kept or skipped.
class CueCollector {
public:
    CueCollector(Markup markup, const Limits& limits, ParsedSubtitles& out) : text_(markup, limits), limits_(limits), out_(out) {}

    // Whether another cue may be added; when not, the file is cut here.
    bool roomForMore()
    {
        if (out_.cues.size() < limits_.maxCues) return true;
        out_.report.truncated = true;
        return false;
    }
    void addLine(std::string_view line)
    {
        if (text_.full())
            out_.report.truncated = true; // the rest of a long cue is passed over unread
        else
            text_.addLine(line);
    }
    void finish(const Timing& timing)
    {
        if (text_.truncated()) out_.report.truncated = true;
        std::vector<CueLine> lines = text_.take();
        if (timing.end <= timing.start || lines.empty()) {
            ++out_.report.skippedBlocks;
            return;
        }
        out_.cues.push_back({timing.start, timing.end, std::move(lines)});
    }

private:
    CueTextBuilder text_;
    Limits limits_;
    ParsedSubtitles& out_;
};

void skipBlock(Lines& lines)
{
    while (const auto line = lines.next())
        if (isBlank(*line)) return;
}

void parseSrt(std::string_view text, const Limits& limits, ParsedSubtitles& out)
{
    CueCollector collector(Markup::Srt, limits, out);
    Lines lines(text);
    bool inJunk = false; // lines that belong to no cue, counted once per run
    while (const auto line = lines.next()) {
        if (isBlank(*line)) {
            inJunk = false;
            continue;
        }
        const auto timing = parseTiming(*line);
        if (!timing) {
            if (isIndex(*line) && lines.peek() && parseTiming(*lines.peek())) continue;
            if (!inJunk) ++out.report.skippedBlocks;
            inJunk = true;
            continue;
        }
        inJunk = false;
        if (!collector.roomForMore()) return;
        while (const auto next = lines.peek()) {
            if (parseTiming(*next)) break; // the next cue without a blank line first
            if (isIndex(*next) && lines.peekSecond() && parseTiming(*lines.peekSecond())) break;
            lines.next();
            if (isBlank(*next)) break;
            collector.addLine(*next);
        }
        collector.finish(*timing);
    }
}

void parseWebVtt(std::string_view text, const Limits& limits, ParsedSubtitles& out)
{
    CueCollector collector(Markup::WebVtt, limits, out);
    Lines lines(text);
    if (const auto first = lines.peek(); first && startsWithWord(*first, "WEBVTT")) {
        // The header and its metadata lines run to the first blank line (or a timing).
        lines.next();
        while (const auto next = lines.peek()) {
            if (next->find("-->") != std::string_view::npos) break;
            lines.next();
            if (isBlank(*next)) break;
        }
    }
    while (const auto line = lines.next()) {
        if (isBlank(*line)) continue;
        std::optional<Timing> timing = parseTiming(*line);
        if (!timing) {
            if (startsWithWord(*line, "NOTE") || startsWithWord(*line, "STYLE") || startsWithWord(*line, "REGION")) {
                skipBlock(lines);
                continue;
            }
            // A cue identifier, when the timing follows it; anything else is not a cue.
            if (line->find("-->") == std::string_view::npos && lines.peek())
                timing = parseTiming(*lines.peek());
            if (!timing) {
                ++out.report.skippedBlocks;
                skipBlock(lines);
                continue;
            }
            lines.next();
        }
        if (!collector.roomForMore()) return;
        while (const auto next = lines.peek()) {
            if (next->find("-->") != std::string_view::npos) break; // ends the cue's text
            lines.next();
            if (isBlank(*next)) break;
            collector.addLine(*next);
        }
        collector.finish(*timing);
    }
}

ParsedSubtitles parseDecoded(DecodedText decoded, Format format, const Limits& limits, bool cut)
{
    ParsedSubtitles out;
    out.report.encoding = decoded.encoding;
    out.report.truncated = cut;
    if (format == Format::WebVtt)
        parseWebVtt(decoded.utf8, limits, out);
    else
        parseSrt(decoded.utf8, limits, out);
    return out;
}

bool saysWebVtt(const DecodedText& decoded)
{
    const std::string_view text = decoded.utf8;
    return text.substr(0, 6) == "WEBVTT" &&
           (text.size() == 6 || std::string_view(" \t\r\n").find(text[6]) != std::string_view::npos);
}

ParsedSubtitles parseBytes(std::string_view bytes, std::optional<Format> exactly, Format byName, const Limits& limits)
{
    const bool cut = bytes.size() > limits.maxFileBytes;
    if (cut) bytes = bytes.substr(0, limits.maxFileBytes);
    DecodedText decoded = decodeText(bytes, cut ? Cut::Yes : Cut::No);
    const Format format = exactly ? *exactly : saysWebVtt(decoded) ? Format::WebVtt : byName;
    return parseDecoded(std::move(decoded), format, limits, cut);
}

std::string lowerExtension(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

} // namespace

std::optional<Milliseconds> parseTimestamp(std::string_view text)
{
    std::size_t at = 0;
    const auto t = readTimestamp(text, at);
    if (!t || at != text.size()) return std::nullopt;
    return t;
}

ParsedSubtitles parse(std::string_view bytes, Format byName, const Limits& limits)
{
    return parseBytes(bytes, std::nullopt, byName, limits);
}

ParsedSubtitles parseAs(std::string_view bytes, Format format, const Limits& limits)
{
    return parseBytes(bytes, format, format, limits);
}

std::optional<Format> formatOfFile(const std::filesystem::path& path)
{
    const std::string ext = lowerExtension(path);
    if (ext == ".srt") return Format::Srt;
    if (ext == ".vtt") return Format::WebVtt;
    return std::nullopt;
}

Result<ParsedSubtitles> readFile(const std::filesystem::path& path, const Limits& limits)
{
    // Refused before opening: opening a device can act, a FIFO can block.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return Status::unsupported("not a regular file: " + path.string());
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return Status::notFound(path.string());
        return Status::ioError("open " + path.string() + ": " + std::strerror(errno));
    }
    std::string bytes;
    Status status;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        status = Status::unsupported("not a regular file: " + path.string());
    } else {
        // One byte past the limit tells a longer file from one exactly at it.
        const std::size_t want = limits.maxFileBytes + 1;
        bytes.resize(std::min(want, static_cast<std::size_t>(st.st_size) + 1));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                status = Status::ioError("read " + path.string() + ": " + std::strerror(errno));
                break;
            }
            done += static_cast<std::size_t>(n);
            if (done == bytes.size() && bytes.size() < want) bytes.resize(std::min(want, bytes.size() * 2));
        }
        bytes.resize(done);
    }
    ::close(fd); // read only: nothing to lose
    if (!status) return status;
    return parse(bytes, formatOfFile(path).value_or(Format::Srt), limits);
}

} // namespace kavio::subtitles
