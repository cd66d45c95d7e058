// Bytes from anywhere, checked before they become a name and escaped before they reach a
// terminal.

#include "library/PlainText.h"

#include <gtest/gtest.h>

namespace kavio {
namespace {

TEST(PlainText, TerminalEscapesEveryControlCharacterAndEveryByteThatIsNotUtf8)
{
    const std::pair<std::string, std::string> rows[] = {
        {"Holiday 2024.mp4", "Holiday 2024.mp4"},
        {"Café ☕ 日本.mp4", "Café ☕ 日本.mp4"},
        {"two\nlines\r\tand a tab", "two\\nlines\\r\\tand a tab"},
        {"\x1b[31mred\x1b]0;title\x07", "\\x1b[31mred\\x1b]0;title\\x07"},
        {std::string("nul\0byte", 8), "nul\\x00byte"},
        {"del\x7f", "del\\x7f"},
        {"caf\xE9.mp4", "caf\\xe9.mp4"},                       // Latin-1, not UTF-8
        {"\xC3", "\\xc3"},                                     // cut short
        {"\xC0\xAF", "\\xc0\\xaf"},                            // overlong "/"
        {"\xED\xA0\x80", "\\xed\\xa0\\x80"},                   // a surrogate
        {"\xC2\x9B" "1m", "\\u009b1m"},                        // C1: a terminal's CSI
        {"abc\xE2\x80\xAE" "cba", "abc\\u202ecba"},            // right-to-left override
        {"back\\slash", "back\\\\slash"},                      // never mistaken for an escape
    };
    for (const auto& [bytes, shown] : rows)
        EXPECT_EQ(escapedForTerminal(bytes), shown) << shown;
}

TEST(PlainText, Utf8AndControlCharactersAreToldApart)
{
    EXPECT_TRUE(isValidUtf8("Café ☕ 日本 \xF0\x9F\x8E\xAC"));
    EXPECT_TRUE(isValidUtf8(""));
    for (const char* bad : {"caf\xE9", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"})
        EXPECT_FALSE(isValidUtf8(bad)) << escapedForTerminal(bad);
    EXPECT_EQ(firstControlCharacter("a\tb"), '\t');
    EXPECT_EQ(firstControlCharacter("esc\x1b"), '\x1b');
    EXPECT_EQ(firstControlCharacter("del\x7f"), '\x7f');
    EXPECT_EQ(firstControlCharacter("Café"), std::nullopt);
}

} // namespace
} // namespace kavio
