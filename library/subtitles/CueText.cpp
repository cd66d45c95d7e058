#include "library/subtitles/CueText.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace kavio::subtitles {

namespace {

// A tag or an override block longer than this is text: keeps a line of '<' linear.
constexpr std::size_t kMaxMarkupBytes = 256;

bool isAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::size_t utf8Length(unsigned char lead)
{
    if (lead < 0x80) return 1;
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    return 2;
}

// Where the markup that opens at line[at] ends (one past its closing character), or 0.
std::size_t markupEnd(std::string_view line, std::size_t at, char open, char close)
{
    const std::size_t stop = std::min(line.size(), at + kMaxMarkupBytes);
    for (std::size_t j = at + 1; j < stop; ++j) {
        if (line[j] == close) return j + 1;
        if (line[j] == open) return 0;
    }
    return 0;
}

struct Tag {
    enum class Kind { Other, Italic, Bold } kind = Kind::Other;
    bool closing = false;
};

// content: between '<' and '>'. A tag starts with a letter or digit, after an optional '/'.
std::optional<Tag> readTag(std::string_view content)
{
    Tag tag;
    if (!content.empty() && content[0] == '/') {
        tag.closing = true;
        content.remove_prefix(1);
    }
    if (content.empty() || !isAsciiAlnum(content[0])) return std::nullopt;
    const std::size_t nameEnd = content.find_first_of(". \t");
    const std::string_view name = content.substr(0, nameEnd);
    if (name.size() == 1 && lower(name[0]) == 'i') tag.kind = Tag::Kind::Italic;
    if (name.size() == 1 && lower(name[0]) == 'b') tag.kind = Tag::Kind::Bold;
    return tag;
}

struct Entity {
    std::string_view name;
    std::string_view text;
};
constexpr Entity kWebVttEntities[] = {{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&nbsp;", "\xC2\xA0"}};

void trim(CueLine& line)
{
    while (!line.empty()) {
        std::string& text = line.front().text;
        text.erase(0, text.find_first_not_of(' '));
        if (!text.empty()) break;
        line.erase(line.begin());
    }
    while (!line.empty()) {
        std::string& text = line.back().text;
        const std::size_t last = text.find_last_not_of(' ');
        text.erase(last == std::string::npos ? 0 : last + 1);
        if (!text.empty()) break;
        line.pop_back();
    }
}

} // namespace

std::string Cue::plainText() const
{
    std::string text;
    for (const CueLine& line : lines) {
        if (!text.empty()) text.push_back('\n');
        for (const TextRun& run : line) text += run.text;
    }
    return text;
}

void CueTextBuilder::flush(std::string& run, CueLine& line) const
{
    if (run.empty()) return;
    const bool italic = italic_ > 0, bold = bold_ > 0;
    if (!line.empty() && line.back().italic == italic && line.back().bold == bold)
        line.back().text += run;
    else
        line.push_back({std::move(run), italic, bold});
    run.clear();
}

void CueTextBuilder::addLine(std::string_view text)
{
    if (full()) {
        truncated_ = true;
        return;
    }
    CueLine line;
    std::string run;
    std::size_t kept = 0; // bytes of this line's text
    bool cut = false;
    const auto keep = [&](std::string_view piece) {
        if (bytes_ + kept + piece.size() > limits_.maxCueTextBytes) {
            truncated_ = cut = true;
            return false;
        }
        run += piece;
        kept += piece.size();
        return true;
    };

    for (std::size_t i = 0; i < text.size() && !cut;) {
        const char c = text[i];
        if (c == '<') {
            if (const std::size_t end = markupEnd(text, i, '<', '>')) {
                if (const auto tag = readTag(text.substr(i + 1, end - i - 2))) {
                    std::size_t* depth = tag->kind == Tag::Kind::Italic ? &italic_
                                         : tag->kind == Tag::Kind::Bold ? &bold_
                                                                        : nullptr;
                    if (depth && (!tag->closing || *depth > 0)) {
                        flush(run, line);
                        *depth = tag->closing ? *depth - 1 : *depth + 1;
                    }
                    i = end;
                    continue;
                }
            }
        } else if (c == '{' && i + 1 < text.size() && text[i + 1] == '\\') {
            if (const std::size_t end = markupEnd(text, i, '{', '}')) {
                i = end;
                continue;
            }
        } else if (c == '&' && markup_ == Markup::WebVtt) {
            const auto* entity = std::find_if(std::begin(kWebVttEntities), std::end(kWebVttEntities),
                                              [&](const Entity& e) { return text.substr(i, e.name.size()) == e.name; });
            if (entity != std::end(kWebVttEntities)) {
                if (keep(entity->text)) i += entity->name.size();
                continue;
            }
        }
        const auto byte = static_cast<unsigned char>(c);
        const std::size_t length = std::min(utf8Length(byte), text.size() - i);
        const std::string_view piece = text.substr(i, length);
        i += length;
        if (byte == '\t')
            keep(" ");
        else if (!(byte < 0x20 || byte == 0x7F || (byte == 0xC2 && length == 2 && static_cast<unsigned char>(piece[1]) < 0xA0)))
            keep(piece); // C0 and C1 controls are dropped
    }
    flush(run, line);
    trim(line);
    if (line.empty()) return;
    bytes_ += kept;
    lines_.push_back(std::move(line));
}

std::vector<CueLine> CueTextBuilder::take()
{
    std::vector<CueLine> lines = std::move(lines_);
    lines_.clear();
    bytes_ = italic_ = bold_ = 0;
    truncated_ = false;
    return lines;
}

} // namespace kavio::subtitles
