#include "PlainText.h"

#include <cstdint>
#include <cstdio>

namespace kavio {

namespace {

// The length of the well-formed UTF-8 sequence at bytes[i] (overlong forms, surrogates
// and values past U+10FFFF are not), 0 when there is none; cp receives its value.
std::size_t sequenceAt(std::string_view bytes, std::size_t i, char32_t& cp)
{
    const auto b0 = static_cast<unsigned char>(bytes[i]);
    if (b0 < 0x80) {
        cp = b0;
        return 1;
    }
    std::size_t extra = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, cp = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() - i <= extra)
        return 0;
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(bytes[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = cp << 6 | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return extra + 1;
}

bool needsEscape(char32_t cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

void appendEscape(char32_t cp, std::string& out)
{
    switch (cp) {
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    case '\t': out += "\\t"; return;
    default: break;
    }
    char buffer[12];
    if (cp < 0x80) // a control character of ASCII; \xNN from 0x80 on is a byte that is not UTF-8
        std::snprintf(buffer, sizeof buffer, "\\x%02x", static_cast<unsigned>(cp));
    else
        std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(cp));
    out += buffer;
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    char32_t cp = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = sequenceAt(bytes, i, cp);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

std::optional<char> firstControlCharacter(std::string_view bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return c;
    }
    return std::nullopt;
}

std::string escapedForTerminal(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    char32_t cp = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = sequenceAt(bytes, i, cp);
        if (n == 0) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02x", static_cast<unsigned>(static_cast<unsigned char>(bytes[i])));
            out += buffer;
            ++i;
            continue;
        }
        if (cp == '\\')
            out += "\\\\";
        else if (needsEscape(cp))
            appendEscape(cp, out);
        else
            out.append(bytes.substr(i, n));
        i += n;
    }
    return out;
}

} // namespace kavio
