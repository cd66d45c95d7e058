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

// A link is a stream address Kavio can play: one of six schemes, naming a server.
TEST(Names, ALinkIsAPlayableStreamAddressWithAServer)
{
    for (const char* fine : {"http://example.com/live.m3u8", "https://example.com/a%20b.mp4", "HTTPS://Example.com/x",
                             "rtsp://192.168.1.20:554/stream", "rtsps://cam.local/1", "rtmp://live.example.com/app/key",
                             "mms://media.example.com/radio", "https://[::1]:8080/v.mp4"})
        EXPECT_EQ(linkProblem(fine), std::nullopt) << fine;
    const std::string playable = "Kavio plays http, https, rtsp, rtsps, rtmp and mms links.";
    const std::string notAnAddress = "This is not a web address. " + playable + " For example: https://example.com/live.m3u8";
    const std::string noServer = "The link names no server, such as example.com in https://example.com/live.m3u8.";
    const std::pair<std::string, std::string> refused[] = {
        {"not a url", notAnAddress},
        {"example.com/live.m3u8", notAnAddress},
        {"javascript:alert(1)", notAnAddress},
        {"http://", noServer},
        {"https:///path", noServer},
        {"file:///etc/passwd", "Kavio cannot play file: links. " + playable},
        {"ftp://example.com/a.mp4", "Kavio cannot play ftp: links. " + playable},
        {"data://text/plain,hi", "Kavio cannot play data: links. " + playable},
        {"https://example.com/\nx", "A link cannot contain control characters such as a line break, a tab or an escape."},
    };
    for (const auto& [link, message] : refused)
        EXPECT_EQ(linkProblem(link), std::optional<std::string>(message)) << link;
}

} // namespace
} // namespace kavio::phone
