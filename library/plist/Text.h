#pragma once
// Text conversions the readers and writers share: UTF-16, numbers and dates as Apple's
// XML writes them. Locale independent (Qt applications set LC_NUMERIC from the user).

#include "library/plist/Value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kavio::plist::text {

// Big-endian UTF-16 code units to UTF-8; lone surrogates become U+FFFD, as
// CoreFoundation keeps such strings instead of refusing the file.
void appendUtf16BeAsUtf8(const unsigned char* units, std::size_t count, std::string& out);

// UTF-8 to big-endian UTF-16 bytes; invalid sequences become U+FFFD.
std::string utf8ToUtf16Be(std::string_view utf8);

bool isAscii(std::string_view s);

// XML text of integers: optional whitespace and sign, decimal or 0x hexadecimal, from
// INT64_MIN up to UINT64_MAX.
std::optional<Integer> parseInteger(std::string_view text);
void appendInteger(const Integer& v, std::string& out);

// "nan", "+infinity", "-infinity", "0.0", "-0.0", else 17 significant digits (%.17g),
// as CoreFoundation writes; reading also takes plistlib's "inf" and shortest forms.
std::optional<double> parseReal(std::string_view text);
void appendReal(double v, std::string& out);

// ISO 8601 in UTC with a Z, whole seconds: YYYY-MM-DDTHH:MM:SSZ. Reading accepts the
// shortened forms plistlib accepts (YYYYZ, YYYY-MMZ, ...).
std::optional<Date> parseDate(std::string_view text);
void appendDate(Date v, std::string& out);

// Whether appendDate writes a form that parseDate reads back as the same value.
bool dateHasXmlForm(Date v);

} // namespace kavio::plist::text
