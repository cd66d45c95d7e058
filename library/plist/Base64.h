#pragma once
// Base64 as property lists use it: the XML reader decodes every <data> element with it,
// the XML writer encodes with it. Table driven; faster than Qt's decoder by a wide margin
// (see bench/plist), which matters because a store is mostly base64.

#include <cstddef>
#include <string>
#include <string_view>

namespace kavio::plist {

// Decoded size of valid `text` (whitespace and padding left out); no less than what
// base64Decode appends for any text.
std::size_t base64DecodedSize(std::string_view text);

// Appends the bytes `text` encodes to `out`, growing it once. Whitespace anywhere is
// skipped, '=' padding ends the data (only whitespace and '=' may follow it). False on
// any other character or a dangling single character; `out` then holds a partial result.
bool base64Decode(std::string_view text, std::string& out);

// Appends the encoding of `bytes`, with padding and no line breaks.
void base64Encode(std::string_view bytes, std::string& out);

} // namespace kavio::plist
