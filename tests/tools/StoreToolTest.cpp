// kavio-store changing a library: the same operations as the phone browser, with exit
// codes a script can rely on and nothing changed by a refused call.

#include "support/TestSupport.h"
#include "support/VideoClips.h"

#include <QImage>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <ostream>

namespace kavio::phone::test {
namespace {

namespace fs = std::filesystem;
using kavio::test::readFile;
using kavio::test::record;
using kavio::test::writeFile;
using ::testing::HasSubstr;

// What one run of the tool printed and how it exited.
struct Outcome {
    std::string out, err;
    int code = -1;
    bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& r, std::ostream* os) { *os << "exit " << r.code << ", out \"" << r.out << "\", err \"" << r.err << "\""; }

class StoreToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kavio::test::fileRecords(docs, {record("clip")});
        writeFile(docs / "clip.mp4", "video");
        fs::create_directories(docs / "Trip");
    }
    // Runs the tool with the trash in the scratch folder.
    Outcome tool(const std::string& args)
    {
        const std::string errFile = (scratch / "stderr").string();
        Outcome r;
        r.out = kavio::test::run("XDG_DATA_HOME='" + (scratch / "data").string() + "' XDG_STATE_HOME='" +
                                     (scratch / "state").string() + "' " + KAVIO_STORE_TOOL + " " + args + " 2>'" + errFile + "'",
                                 &r.code);
        r.err = readFile(errFile);
        return r;
    }
    // "VERB REST": the verb, then the library, then the rest.
    Outcome on(const std::string& verbAndRest)
    {
        const auto space = verbAndRest.find(' ');
        return tool(verbAndRest.substr(0, space) + " '" + docs.string() + "'" +
                    (space == std::string::npos ? "" : verbAndRest.substr(space)));
    }
    std::string at(const fs::path& file) const { return " '" + file.string() + "'"; }
    // Every file under the library with its bytes: what "nothing changed" means.
    std::map<std::string, std::string> snapshot() const
    {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(docs))
            files[e.path().lexically_relative(docs).string()] = e.is_regular_file() ? readFile(e.path()) : "<dir>";
        return files;
    }

    kavio::test::ScratchFolder scratch;
    const fs::path docs = scratch / "Documents";
    const fs::path trash = scratch / "data" / "Trash";
};

TEST_F(StoreToolTest, EachVerbPrintsTheChangedRecordAndExitsZero)
{
    EXPECT_EQ(on("mkdir 'Trips/2024'"), (Outcome{"{}\n", "", 0}));
    EXPECT_TRUE(fs::is_directory(docs / "Trips" / "2024"));
    const std::string holiday = "{\"ARTIST\":\"Me and you\",\"EXTENSION\":\"mp4\",\"FILENAME\":\"Holiday\",\"KEY\":\"kKVclip\","
                                "\"imgData\":{\"bytes\":" + std::to_string(record("clip")->imgData->size()) +
                                ",\"format\":\"png\",\"height\":40,\"width\":60},\"urlLink\":\"\"}\n";
    EXPECT_EQ(on("rename clip.mp4 Holiday --artist 'Me and you'"), (Outcome{holiday, "", 0}));
    EXPECT_EQ(on("rm Holiday.mp4"), (Outcome{holiday, "", 0}));
    EXPECT_FALSE(fs::exists(docs / "Holiday.mp4"));
    EXPECT_TRUE(fs::exists(trash / "files" / "Holiday.mp4"));
}

// Typed text is plain text; what the tool prints of a name shows its control characters
// escaped ($(printf ...) gives the tool the very bytes). The rules behind each refusal are
// the names' and operations' own tests; here each verb's path to them, once.
TEST_F(StoreToolTest, ARefusedOrFailedCallExitsOneAndChangesNoByte)
{
    fs::create_directories(docs / "Taken");
    const auto before = snapshot();
    const std::string p = "kavio-store: ";
    const std::string control = "cannot contain control characters such as a line break, a tab or an escape.\n";
    const std::pair<std::string, std::string> calls[] = {
        {"mkdir '../outside'", p + "\"..\" cannot be used as a name.\n"},
        {"rename Trip Taken", "フォルダーのリネームに失敗しました: File exists\n"},
        {"thumbnail clip.mp4 /nonexistent.png", p + "\"nonexistent.png\" could not be opened.\n"},
        {"rename clip.mp4 \"$(printf 'two\\nlines')\"", p + "A name " + control},
        {"link https://example.com/a.m3u8 --title A --artist \"$(printf 'x\\ny')\"", p + "An artist name " + control},
        {"rename clip.mp4 Holiday --artist \"$(printf 'caf\\351')\"",
         p + "An artist name holds bytes that are not text (not valid UTF-8).\n"},
        {"rm \"$(printf '\\033]0;owned\\007\\nx')\"",
         p + "\"\\x1b]0;owned\\x07\\nx\" is not a video or folder in " + docs.string() + "\n"},
        {"link 'not a url' --title Refused",
         p + "This is not a web address. Kavio plays http, https, rtsp, rtsps, rtmp and mms links. "
             "For example: https://example.com/live.m3u8\n"},
    };
    for (const auto& [args, message] : calls) {
        EXPECT_EQ(on(args), (Outcome{"", message, 1})) << args;
        EXPECT_EQ(snapshot(), before) << args;
    }
}

// Files from a stick or an old archive keep whatever bytes their names have.
TEST_F(StoreToolTest, FilesNamedInBytesThatAreNotUtf8AreListedRenamedAndTrashedByThoseBytes)
{
    writeFile(docs / "caf\xE9.mp4", "latin-1 video");
    writeFile(docs / "bell\x07 del\x7F csi\xC2\x9B.mp4", "controls");
    fs::create_directories(docs / "Urlaub\xFF");
    for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) writeFile(docs / "Urlaub\xFF" / name, name);
    const Outcome listed = on("ls");
    EXPECT_EQ(listed.code, 0);
    // Shown with replacement characters, as the folder's own tests check; controls escaped.
    EXPECT_THAT(listed.out, HasSubstr("\"name\":\"bell\\u0007 del\\u007f csi\\u009b.mp4\"")) << "every control escaped";

    // A new record is known by its title, which such a name cannot be: renamed first.
    QImage(4, 4, QImage::Format_RGB32).save(QString::fromStdString((scratch / "p.png").string()));
    const Outcome thumbnail = on("thumbnail \"$(printf 'caf\\351.mp4')\"" + at(scratch / "p.png"));
    EXPECT_EQ(thumbnail.code, 1);
    EXPECT_THAT(thumbnail.err, HasSubstr("is not valid text, so Kavio cannot keep a thumbnail for it. Rename it first."));

    const Outcome renamed = on("rename \"$(printf 'caf\\351.mp4')\" Cafe --artist Me");
    EXPECT_EQ(renamed.code, 0) << renamed.err;
    EXPECT_THAT(renamed.out, HasSubstr("\"FILENAME\":\"Cafe\""));
    EXPECT_EQ(readFile(docs / "Cafe.mp4"), "latin-1 video");

    EXPECT_EQ(on("rm \"$(printf 'Urlaub\\377')\"").code, 0);
    EXPECT_FALSE(fs::exists(docs / "Urlaub\xFF"));
    EXPECT_EQ(readFile(trash / "files" / "Urlaub\xFF" / "c.mp4"), "c.mp4") << "trashed, not erased";
}

TEST_F(StoreToolTest, DumpAndLsDescribeTheFolderAndAnUnreadableStoreExitsOne)
{
    const Outcome dump = on("dump");
    EXPECT_EQ(dump.code, 0);
    EXPECT_THAT(dump.out, HasSubstr("\"readable\":true"));
    EXPECT_THAT(dump.out, HasSubstr("\"key\":\"kKVclip\""));
    const Outcome ls = on("ls --car");
    EXPECT_EQ(ls.code, 0);
    EXPECT_THAT(ls.out, HasSubstr("\"detail\":\"by clip\",\"kind\":\"video\",\"name\":\"clip.mp4\",\"record\":\"kKVclip\""));
    EXPECT_THAT(ls.out, HasSubstr("\"kind\":\"folder\",\"name\":\"Trip\""));

    // A thumbnail that does not decode is reported in the JSON, not as noise on stderr.
    auto broken = record("broken");
    broken->imgData = plist::Bytes(std::string("\x89PNG\r\n\x1a\n-- not really", 21));
    kavio::test::fileRecords(docs, {broken});
    const Outcome undecodable = on("dump");
    EXPECT_EQ(undecodable.code, 0);
    EXPECT_THAT(undecodable.out, HasSubstr("\"format\":\"unknown\""));
    EXPECT_EQ(undecodable.err, "");

    writeFile(docs / kStoreFileName, "garbage");
    const Outcome unreadable = on("dump");
    EXPECT_THAT(unreadable.out, HasSubstr("\"readable\":false"));
    EXPECT_EQ(unreadable.code, 1);
    EXPECT_EQ(readFile(docs / kStoreFileName), "garbage");
}

TEST_F(StoreToolTest, DumpOrLsOfAFolderThatIsNotThereOrOfAFileExitsOne)
{
    for (const std::string verb : {"dump", "ls"}) {
        for (const std::string typo : {"Tirp", "clip.mp4"})
            EXPECT_EQ(tool(verb + at(docs / typo)), (Outcome{"", "kavio-store: no folder at " + (docs / typo).string() + "\n", 1}));
    }
}

TEST_F(StoreToolTest, ImportLinkAndEmptyAsTheEditorAndTheMenuDoThem)
{
    if (!kavio::test::makeVideoClip(scratch / "clip.MOV"))
        GTEST_SKIP() << "ffmpeg could not make a clip";
    const std::string source = at(scratch / "clip.MOV");
    const Outcome imported = on("import" + source + " --title Trip --artist Me");
    EXPECT_EQ(imported.code, 0) << imported.err;
    EXPECT_THAT(imported.out, HasSubstr("\"EXTENSION\":\"MOV\",\"FILENAME\":\"Trip\""));
    EXPECT_THAT(imported.out, HasSubstr("\"format\":\"png\"")) << "the default thumbnail";
    EXPECT_EQ(readFile(docs / "Trip.MOV"), readFile(scratch / "clip.MOV"));

    // A file named like a video that holds none is refused before anything is copied; a
    // refused move leaves the source.
    writeFile(scratch / "notes.mp4", "8 bytes.");
    const std::string p = "kavio-store: ";
    const auto before = snapshot();
    const std::pair<std::string, std::string> refused[] = {
        {"import" + source + " --title Trip --move", p + "It looks like the same file name already exists.\n"},
        {"import" + at(scratch / "notes.mp4") + " --title Refused", p + "\"notes.mp4\" holds no video Kavio can play.\n"},
    };
    for (const auto& [args, message] : refused) {
        EXPECT_EQ(on(args), (Outcome{"", message, 1})) << args;
        EXPECT_EQ(snapshot(), before) << args;
    }
    EXPECT_TRUE(fs::exists(scratch / "clip.MOV"));
    const Outcome linked = on("link https://example.com/live.m3u8 --title Live");
    EXPECT_EQ(linked.code, 0);
    EXPECT_THAT(linked.out, HasSubstr("\"urlLink\":\"https://example.com/live.m3u8\""));
    EXPECT_EQ(fs::file_size(docs / "Live.mp4"), 0u);
    EXPECT_EQ(on("empty"), (Outcome{"{}\n", "", 0}));
    EXPECT_TRUE(fs::is_empty(docs));
}

TEST_F(StoreToolTest, RestorePutsBackTheLatestRemovalWithItsRecordAndPermanentlyErasesForGood)
{
    const auto before = snapshot();
    const Outcome removed = on("rm clip.mp4");
    EXPECT_EQ(removed.code, 0) << removed.err;
    EXPECT_EQ(on("restore clip.mp4"), removed) << "the same record, back";
    EXPECT_EQ(snapshot(), before);
    const Outcome none = {"", "kavio-store: No trash holds \"clip.mp4\" removed from " + docs.string() + ".\n", 1};
    EXPECT_EQ(on("restore clip.mp4"), none);

    EXPECT_EQ(on("rm clip.mp4 --permanently"), removed);
    EXPECT_FALSE(fs::exists(docs / "clip.mp4"));
    EXPECT_FALSE(fs::exists(trash / "files" / "clip.mp4")) << "erased, not trashed";
    EXPECT_EQ(on("restore clip.mp4"), none);

    writeFile(docs / "a.mp4", "a");
    EXPECT_EQ(on("empty --permanently").code, 0);
    EXPECT_TRUE(fs::is_empty(docs));
    EXPECT_TRUE(fs::is_empty(trash / "files"));
}

TEST_F(StoreToolTest, BadUsageExitsTwoAndHelpListsEveryVerb)
{
    for (const char* args : {"", "frobnicate", "mkdir onlyfolder", "rename a b", "rm a b c", "thumbnail a b",
                             "rename a b c --colour x", "import a b", "link a --title x", "empty", "import a b --title",
                             "restore a", "rename a b c --permanently", "rm a b --permanently --permanently"})
        EXPECT_EQ(tool(args).code, 2) << args;
    const Outcome help = tool("--help");
    EXPECT_EQ(help.code, 0);
    for (const char* verb : {"dump", "ls", "mkdir", "rename", "rm", "restore", "thumbnail", "import", "link", "empty"})
        EXPECT_THAT(help.out, HasSubstr(std::string("  ") + verb + " "));
}

} // namespace
} // namespace kavio::phone::test
