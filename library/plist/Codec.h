#pragma once
// Readers and writers of Apple's property-list formats: binary ("bplist00") and XML.

#include "library/Status.h"
#include "library/plist/Limits.h"
#include "library/plist/Value.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kavio::plist {

enum class Format { Binary, Xml };

// Corrupt for malformed input, LimitExceeded past a limit, Unsupported for what is
// refused on purpose: sets, null objects, integers wider than 64 bits, other bplist
// versions; in XML any DTD internal subset, entity declaration or undeclared entity.
// Binary strings become UTF-8 (lone UTF-16 surrogates become U+FFFD); duplicate
// dictionary keys: the last wins. In XML, {CF$UID: n} reads as a UID.
Result<ValuePtr> readBinary(std::string_view bytes, const Limits& limits);
Result<ValuePtr> readXml(std::string_view text, const Limits& limits);
// Either format, told apart by the "bplist" magic.
Result<ValuePtr> read(std::string_view bytes, const Limits& limits);

// Refuses anything but a regular file before opening it, opens without blocking (a FIFO
// swapped in never hangs the caller), accepts only regular files
// within limits.maxFileSize, streams XML through the parser in chunks so a large store
// is never held twice in memory. NotFound when nothing is at the path.
Result<ValuePtr> readFile(const std::filesystem::path& path, const Limits& limits);

// Smallest reference and offset sizes, like Apple's writer; equal scalars and shared
// containers stored once; strings ASCII when they can be, else UTF-16.
std::string writeBinary(const Value& root);
// Byte for byte what Apple's XML serializer writes (reals with 17 significant digits,
// "+infinity", "nan"; dates in whole seconds); UIDs as {CF$UID: n} dictionaries.
std::string writeXml(const Value& root);
// The same bytes handed to sink in pieces of about a megabyte, so a large store goes to
// its file without ever being held whole; stops at the first piece the sink refuses.
using ByteSink = std::function<Status(std::string_view piece)>;
Status writeXml(const Value& root, const ByteSink& sink);

// Whether readXml(writeXml(root)) gives back an equal value. Not so for dates with
// fractional seconds or beyond four-digit years, text with characters XML 1.0 cannot
// carry (controls, CR, U+FFFE/U+FFFF), and {CF$UID: n} dictionaries, which read as UIDs.
bool hasExactXmlForm(const Value& root);

} // namespace kavio::plist
