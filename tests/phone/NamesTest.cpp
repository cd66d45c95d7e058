// What a person may type as a title, an artist or a folder name: plain text only.

#include "phone/Names.h"

#include <gtest/gtest.h>

namespace kavio::phone {
namespace {

const char kNotText[] = "A name holds bytes that are not text (not valid UTF-8).";
const char kControl[] = "A name cannot contain control characters such as a line break, a tab or an escape.";

TEST(Names, ControlCharactersAndBytesThatAreNotTextAreRefusedForEveryUse)
{
    const std::pair<std::string, const char*> rows[] = {
        {"two\nlines", kControl},
        {"tab\there", kControl},
        {"\x1b[31mred", kControl},
        {std::string("nul\0", 4), kControl},
        {"del\x7f", kControl},
        {"caf\xE9", kNotText},
        {"cut\xE2\x82", kNotText},
        {"Trip/caf\xE9", kNotText},
    };
    for (const auto& [name, message] : rows) {
        for (NameUse use : {NameUse::Title, NameUse::FolderName, NameUse::FolderPath})
            EXPECT_EQ(nameProblem(name, use, "mp4"), std::optional<std::string>(message)) << name;
    }
    for (const char* fine : {"Café ☕", "日本の旅", "50% off", "back\\slash"})
        EXPECT_EQ(nameProblem(fine, NameUse::Title, "mp4"), std::nullopt) << fine;
}

TEST(Names, AnArtistMayBeEmptyOrAnyTextButNoControlCharacter)
{
    for (const char* fine : {"", "Me & you", "AC/DC", ".hidden", "Beyoncé"})
        EXPECT_EQ(artistProblem(fine), std::nullopt) << fine;
    EXPECT_EQ(artistProblem("line\nbreak"),
              "An artist name cannot contain control characters such as a line break, a tab or an escape.");
    EXPECT_EQ(artistProblem("caf\xE9"), "An artist name holds bytes that are not text (not valid UTF-8).");
}

} // namespace
} // namespace kavio::phone
