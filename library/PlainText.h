#pragma once
// Bytes that came from anywhere (file names on disk, typed text, a server's answer) checked
// before they become a name, and made harmless before they reach a terminal.

#include <optional>
#include <string>
#include <string_view>

namespace kavio {

bool isValidUtf8(std::string_view bytes);

// The first control character (U+0000 to U+001F, U+007F) in bytes, if any.
std::optional<char> firstControlCharacter(std::string_view bytes);

// The bytes as one line a terminal shows as it is: printable UTF-8 stays, a backslash
// doubles, control characters become \n, \r, \t or \x1b (C1 controls and the invisible
// direction overrides \u009b, \u202e), and a byte that is not UTF-8 \xNN (from \x80 on,
// so never taken for a character).
std::string escapedForTerminal(std::string_view bytes);

} // namespace kavio
