#include "library/plist/Text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace kavio::plist::text {

namespace {

void appendUtf8(std::uint32_t cp, std::string& out)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void appendUnit(std::uint32_t unit, std::string& out)
{
    out.push_back(static_cast<char>(unit >> 8));
    out.push_back(static_cast<char>(unit & 0xFF));
}

constexpr std::uint32_t kReplacement = 0xFFFD;

// One code point from UTF-8 at s[i], advancing i; U+FFFD for anything malformed.
std::uint32_t nextCodePoint(std::string_view s, std::size_t& i)
{
    const auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80) return b0;
    int extra = 0;
    std::uint32_t cp = 0;
    std::uint32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, cp = b0 & 0x07, min = 0x10000;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return kReplacement;
        cp = cp << 6 | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
    return cp;
}

std::string_view trim(std::string_view s)
{
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

// Days from 1970-01-01 to a proleptic Gregorian date, and back (H. Hinnant's algorithms).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    std::int64_t year;
    unsigned month, day;
};

Civil civilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

constexpr std::int64_t kReferenceDay = 11323; // 2001-01-01 in days since 1970-01-01
constexpr double kSecondsPerDay = 86400;
// Dates are written with four-digit years; this keeps the arithmetic far from overflow.
constexpr double kDateRange = 1e12 * kSecondsPerDay;

bool digits(std::string_view s, std::size_t pos, std::size_t n, unsigned& out)
{
    if (pos + n > s.size()) return false;
    out = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        out = out * 10 + static_cast<unsigned>(s[i] - '0');
    }
    return true;
}

unsigned daysInMonth(unsigned year, unsigned month)
{
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

} // namespace

void appendUtf16BeAsUtf8(const unsigned char* units, std::size_t count, std::string& out)
{
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t u = std::uint32_t{units[2 * i]} << 8 | units[2 * i + 1];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < count) {
            const std::uint32_t low = std::uint32_t{units[2 * i + 2]} << 8 | units[2 * i + 3];
            if (low >= 0xDC00 && low <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        appendUtf8(u >= 0xD800 && u <= 0xDFFF ? kReplacement : u, out);
    }
}

std::string utf8ToUtf16Be(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size() * 2);
    for (std::size_t i = 0; i < utf8.size();) {
        const std::uint32_t cp = nextCodePoint(utf8, i);
        if (cp >= 0x10000) {
            appendUnit(0xD800 + ((cp - 0x10000) >> 10), out);
            appendUnit(0xDC00 + ((cp - 0x10000) & 0x3FF), out);
        } else {
            appendUnit(cp, out);
        }
    }
    return out;
}

bool isAscii(std::string_view s)
{
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

std::optional<Integer> parseInteger(std::string_view text)
{
    std::string_view s = trim(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return std::nullopt;
    std::uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (negative) {
        if (magnitude > kMax + 1) return std::nullopt;
        return Integer{static_cast<std::int64_t>(0 - magnitude), false};
    }
    return Integer{static_cast<std::int64_t>(magnitude), magnitude > kMax};
}

void appendInteger(const Integer& v, std::string& out)
{
    char buf[24];
    const auto r = v.isUnsigned ? std::to_chars(buf, buf + sizeof buf, static_cast<std::uint64_t>(v.bits))
                                : std::to_chars(buf, buf + sizeof buf, v.bits);
    out.append(buf, r.ptr);
}

std::optional<double> parseReal(std::string_view text)
{
    std::string_view s = trim(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
        if (!s.empty() && (s.front() == '+' || s.front() == '-')) return std::nullopt;
    }
    if (s.empty()) return std::nullopt;
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    // Out of range: from_chars leaves v alone; strtod would give +-HUGE_VAL or 0.
    if (end != s.data() + s.size()) return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        const bool tiny = s.find_first_of("eE") != std::string_view::npos &&
                          s[s.find_first_of("eE") + 1] == '-';
        v = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (ec != std::errc()) {
        return std::nullopt;
    }
    return negative ? -v : v;
}

void appendReal(double v, std::string& out)
{
    if (std::isnan(v)) {
        out += "nan";
    } else if (std::isinf(v)) {
        out += v > 0 ? "+infinity" : "-infinity";
    } else if (v == 0) {
        out += std::signbit(v) ? "-0.0" : "0.0";
    } else {
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 17);
        out.append(buf, r.ptr);
    }
}

std::optional<Date> parseDate(std::string_view text)
{
    const std::string_view s = trim(text);
    if (s.empty() || s.back() != 'Z') return std::nullopt;
    const std::string_view body = s.substr(0, s.size() - 1);
    unsigned year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    if (!digits(body, 0, 4, year)) return std::nullopt;
    std::size_t pos = 4;
    // Each later field is optional but needs the ones before it.
    struct Field {
        char sep;
        unsigned* value;
        unsigned min, max;
    };
    const Field fields[] = {{'-', &month, 1, 12}, {'-', &day, 1, 31}, {'T', &hour, 0, 23},
                            {':', &minute, 0, 59}, {':', &second, 0, 60}};
    for (const auto& f : fields) {
        if (pos == body.size()) break;
        if (body[pos] != f.sep || !digits(body, pos + 1, 2, *f.value)) return std::nullopt;
        if (*f.value < f.min || *f.value > f.max) return std::nullopt;
        pos += 3;
    }
    if (pos != body.size() || day > daysInMonth(year, month)) return std::nullopt;
    const std::int64_t days = daysFromCivil(year, month, day) - kReferenceDay;
    const double seconds = static_cast<double>(days) * kSecondsPerDay + hour * 3600.0 + minute * 60.0 + second;
    return Date{seconds};
}

void appendDate(Date v, std::string& out)
{
    double t = std::floor(v.secondsSinceReferenceDate);
    if (!std::isfinite(t) || std::fabs(t) > kDateRange) t = 0; // no ISO form; write the reference date
    const auto total = static_cast<std::int64_t>(t);
    std::int64_t days = total / 86400;
    std::int64_t rest = total % 86400;
    if (rest < 0) rest += 86400, --days;
    const Civil c = civilFromDays(days + kReferenceDay);
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%04lld-%02u-%02uT%02d:%02d:%02dZ", static_cast<long long>(c.year),
                                c.month, c.day, static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                                static_cast<int>(rest % 60));
    out.append(buf, static_cast<std::size_t>(n));
}

bool dateHasXmlForm(Date v)
{
    const double t = v.secondsSinceReferenceDate;
    if (!std::isfinite(t) || t != std::floor(t)) return false;
    // Years 0001..9999 only: four digits.
    const double first = static_cast<double>(daysFromCivil(1, 1, 1) - kReferenceDay) * kSecondsPerDay;
    const double last = static_cast<double>(daysFromCivil(10000, 1, 1) - kReferenceDay) * kSecondsPerDay;
    return t >= first && t < last;
}

} // namespace kavio::plist::text
