#pragma once
// Subtitle files come in whatever encoding their maker's editor used. UTF-8 is taken as it
// is (a BOM dropped); a UTF-16 BOM is honoured; anything that is not valid UTF-8 is read as
// Windows-1252, the superset of Latin-1 that such files are really written in (curly
// quotes and the euro sign at 0x80-0x9F, where Latin-1 has only control codes).

#include <string>
#include <string_view>

namespace kavio::subtitles {

enum class Encoding { Utf8, Utf16LittleEndian, Utf16BigEndian, Latin1 };

struct DecodedText {
    std::string utf8;
    Encoding encoding = Encoding::Utf8;
};

// cut: the bytes are the start of a longer file, so a character cut at their end is
// dropped rather than taken as a sign of another encoding.
enum class Cut { No, Yes };
DecodedText decodeText(std::string_view bytes, Cut cut = Cut::No);

// Whether bytes are well-formed UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF). With Cut::Yes an incomplete sequence at the very end is allowed, and
// *complete receives the length without it.
bool isValidUtf8(std::string_view bytes, Cut cut = Cut::No, std::size_t* complete = nullptr);

} // namespace kavio::subtitles
