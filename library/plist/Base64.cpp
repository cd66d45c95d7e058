#include "library/plist/Base64.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace kavio::plist {

namespace {

constexpr std::uint8_t kInvalid = 0x80;
constexpr std::uint8_t kSpace = 0x81;
constexpr std::uint8_t kPad = 0x82;

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The two characters for every 12 bits: half the lookups of one per 6 bits.
constexpr std::array<std::array<char, 2>, 4096> makePairTable()
{
    std::array<std::array<char, 2>, 4096> t{};
    for (std::size_t i = 0; i < t.size(); ++i)
        t[i] = {kAlphabet[i >> 6], kAlphabet[i & 63]};
    return t;
}
constexpr auto kPairs = makePairTable();

constexpr std::array<std::uint8_t, 256> makeDecodeTable()
{
    std::array<std::uint8_t, 256> t{};
    for (auto& v : t) v = kInvalid;
    for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::uint8_t>(i);
    for (char c : {' ', '\t', '\n', '\r'}) t[static_cast<unsigned char>(c)] = kSpace; // XML's whitespace only
    t['='] = kPad;
    return t;
}

constexpr auto kDecode = makeDecodeTable();

inline std::uint8_t lookup(char c)
{
    return kDecode[static_cast<unsigned char>(c)];
}

} // namespace

std::size_t base64DecodedSize(std::string_view text)
{
    std::size_t significant = 0;
    for (char c : text) significant += static_cast<unsigned char>(c) > ' ' && c != '=';
    const std::size_t tail = significant % 4;
    return significant / 4 * 3 + (tail > 1 ? tail - 1 : 0);
}

bool base64Decode(std::string_view text, std::string& out)
{
    // Sized exactly (every decoded sextet is counted), so no capacity is wasted.
    const std::size_t start = out.size();
    out.resize(start + base64DecodedSize(text));
    auto* dst = reinterpret_cast<unsigned char*>(out.data() + start);
    const char* p = text.data();
    const char* const end = p + text.size();

    std::uint32_t acc = 0;
    int held = 0; // sextets in acc when leaving the fast path
    bool padded = false;
    while (p < end) {
        // Fast path: whole quads of alphabet characters, the bulk of every <data> line.
        if (held == 0) {
            while (end - p >= 4) {
                const std::uint32_t a = lookup(p[0]), b = lookup(p[1]), c = lookup(p[2]), d = lookup(p[3]);
                if ((a | b | c | d) & 0x80) break;
                const std::uint32_t v = a << 18 | b << 12 | c << 6 | d;
                dst[0] = static_cast<unsigned char>(v >> 16);
                dst[1] = static_cast<unsigned char>(v >> 8);
                dst[2] = static_cast<unsigned char>(v);
                dst += 3;
                p += 4;
            }
            if (p == end) break;
        }
        const std::uint8_t v = lookup(*p++);
        if (v == kSpace) continue;
        if (v == kPad) {
            padded = true;
            break;
        }
        if (v == kInvalid) {
            out.resize(start + static_cast<std::size_t>(dst - reinterpret_cast<unsigned char*>(out.data() + start)));
            return false;
        }
        acc = acc << 6 | v;
        if (++held == 4) {
            *dst++ = static_cast<unsigned char>(acc >> 16);
            *dst++ = static_cast<unsigned char>(acc >> 8);
            *dst++ = static_cast<unsigned char>(acc);
            acc = 0;
            held = 0;
        }
    }
    bool ok = true;
    for (; padded && ok && p < end; ++p) {
        const auto v = lookup(*p);
        ok = v == kSpace || v == kPad;
    }
    // Leftover sextets: two make one byte, three make two; one alone is malformed.
    if (held == 1) {
        ok = false;
    } else if (held == 2) {
        *dst++ = static_cast<unsigned char>(acc >> 4);
    } else if (held == 3) {
        *dst++ = static_cast<unsigned char>(acc >> 10);
        *dst++ = static_cast<unsigned char>(acc >> 2);
    }
    out.resize(static_cast<std::size_t>(reinterpret_cast<char*>(dst) - out.data()));
    return ok;
}

void base64Encode(std::string_view bytes, std::string& out)
{
    const std::size_t start = out.size();
    out.resize(start + (bytes.size() + 2) / 3 * 4);
    char* dst = out.data() + start;
    const auto* src = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    for (; n >= 3; n -= 3, src += 3, dst += 4) {
        const std::uint32_t v = std::uint32_t{src[0]} << 16 | std::uint32_t{src[1]} << 8 | src[2];
        std::memcpy(dst, kPairs[v >> 12].data(), 2);
        std::memcpy(dst + 2, kPairs[v & 0xfff].data(), 2);
    }
    if (n > 0) {
        const std::uint32_t v = std::uint32_t{src[0]} << 16 | (n == 2 ? std::uint32_t{src[1]} << 8 : 0);
        dst[0] = kAlphabet[v >> 18];
        dst[1] = kAlphabet[(v >> 12) & 63];
        dst[2] = n == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        dst[3] = '=';
    }
}

} // namespace kavio::plist
