#include "library/subtitles/TextDecoding.h"

#include <cstdint>

namespace kavio::subtitles {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Length of the well-formed UTF-8 sequence at s[i], 0 when there is none (Unicode's
// table 3-7). *incomplete is set when the bytes end inside an otherwise valid prefix.
std::size_t sequenceLength(std::string_view s, std::size_t i, bool* incomplete)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0) low = 0xA0;
        if (b0 == 0xED) high = 0x9F; // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0) low = 0x90;
        if (b0 == 0xF4) high = 0x8F; // nothing past U+10FFFF
    } else {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= s.size()) {
            *incomplete = true;
            return 0;
        }
        const unsigned char b = byte(i + k);
        if (k == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) return 0;
    }
    return length;
}

// The UTF-8 decoder for text marked UTF-8 by its BOM: broken sequences become U+FFFD.
std::string repairUtf8(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        bool incomplete = false;
        const std::size_t n = sequenceLength(s, i, &incomplete);
        if (n == 0) {
            appendUtf8(kReplacement, out);
            ++i;
        } else {
            out.append(s.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::string fromUtf16(std::string_view s, bool bigEndian)
{
    std::string out;
    out.reserve(s.size());
    const auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(s[i]), b = static_cast<unsigned char>(s[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    const std::size_t units = s.size() / 2; // an odd last byte is half a character: dropped
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t u = unit(2 * i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const char32_t v = unit(2 * (i + 1));
            if (v >= 0xDC00 && v <= 0xDFFF) {
                appendUtf8(0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00), out);
                ++i;
                continue;
            }
        }
        appendUtf8(u >= 0xD800 && u <= 0xDFFF ? kReplacement : u, out);
    }
    return out;
}

// Windows-1252 at 0x80-0x9F; the five codes it leaves undefined stay C1 controls.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::string fromWindows1252(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    for (const char ch : s) {
        const auto b = static_cast<unsigned char>(ch);
        appendUtf8(b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : b, out);
    }
    return out;
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

} // namespace

bool isValidUtf8(std::string_view bytes, Cut cut, std::size_t* complete)
{
    for (std::size_t i = 0; i < bytes.size();) {
        bool incomplete = false;
        const std::size_t n = sequenceLength(bytes, i, &incomplete);
        if (n == 0) {
            if (incomplete && cut == Cut::Yes) {
                if (complete) *complete = i;
                return true;
            }
            return false;
        }
        i += n;
    }
    if (complete) *complete = bytes.size();
    return true;
}

DecodedText decodeText(std::string_view bytes, Cut cut)
{
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
        std::size_t complete = 0;
        if (isValidUtf8(bytes, cut, &complete)) return {std::string(bytes.substr(0, complete)), Encoding::Utf8};
        return {repairUtf8(bytes), Encoding::Utf8};
    }
    if (startsWith(bytes, "\xFF\xFE")) return {fromUtf16(bytes.substr(2), false), Encoding::Utf16LittleEndian};
    if (startsWith(bytes, "\xFE\xFF")) return {fromUtf16(bytes.substr(2), true), Encoding::Utf16BigEndian};
    std::size_t complete = 0;
    if (isValidUtf8(bytes, cut, &complete)) return {std::string(bytes.substr(0, complete)), Encoding::Utf8};
    return {fromWindows1252(bytes), Encoding::Latin1};
}

} // namespace kavio::subtitles
