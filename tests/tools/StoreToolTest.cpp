// kavio-store changing a library: the same operations as the phone browser, with exit
// codes a script can rely on and nothing changed by a refused call.

#include "support/TestSupport.h"
#include "support/VideoClips.h"

#include "library/SavedVideosStore.h"

#include <QImage>

#include <gtest/gtest.h>

#include <map>

namespace kavio::phone::test {
namespace {

namespace fs = std::filesystem;
using kavio::test::fileRecords;
using kavio::test::readFile;
using kavio::test::record;
using kavio::test::writeFile;

class StoreToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fileRecords(docs, {record("clip")});
        writeFile(docs / "clip.mp4", "video");
        fs::create_directories(docs / "Trip");
    }
    // Runs the tool with the trash in the scratch folder; stderr is kept apart.
    std::string tool(const std::string& args, int* code, std::string* err = nullptr)
    {
        const std::string errFile = (scratch / "stderr").string();
        const std::string out = kavio::test::run("XDG_DATA_HOME='" + (scratch / "data").string() + "' XDG_STATE_HOME='" +
                                                     (scratch / "state").string() + "' " +
                                                     KAVIO_STORE_TOOL + " " + args + " 2>'" + errFile + "'",
                                                 code);
        if (err)
            *err = readFile(errFile);
        return out;
    }
    std::string in(const std::string& name) const { return "'" + (docs / name).string() + "'"; }
    std::string folder() const { return "'" + docs.string() + "'"; }
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
};

TEST_F(StoreToolTest, EachVerbPrintsTheChangedRecordAndExitsZero)
{
    int code = -1;
    EXPECT_EQ(tool("mkdir " + folder() + " 'Trips/2024'", &code), "{}\n");
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(fs::is_directory(docs / "Trips" / "2024"));

    const std::string renamed = tool("rename " + folder() + " clip.mp4 Holiday --artist 'Me and you'", &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(renamed.find("\"ARTIST\":\"Me and you\""), std::string::npos) << renamed;
    EXPECT_NE(renamed.find("\"FILENAME\":\"Holiday\""), std::string::npos) << renamed;
    EXPECT_NE(renamed.find("\"KEY\":\"kKVclip\""), std::string::npos) << renamed;
    EXPECT_TRUE(fs::exists(docs / "Holiday.mp4"));

    std::string err;
    tool("rename " + folder() + " Trip Voyage", &code, &err);
    EXPECT_EQ(code, 0);
    EXPECT_NE(err.find("フォルダーがリネームされました: "), std::string::npos) << err;

    writeFile(scratch / "not a picture.png", "text");
    tool("thumbnail " + folder() + " Holiday.mp4 '" + (scratch / "not a picture.png").string() + "'", &code, &err);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err, "kavio-store: \"not a picture.png\" is not a picture Kavio can read.\n");

    EXPECT_EQ(tool("rm " + folder() + " Holiday.mp4", &code), "{\"ARTIST\":\"Me and you\",\"EXTENSION\":\"mp4\","
                                                              "\"FILENAME\":\"Holiday\",\"KEY\":\"kKVclip\",\"imgData\":"
                                                              "{\"bytes\":" +
                                                                  std::to_string(record("clip")->imgData->size()) +
                                                                  ",\"format\":\"png\",\"height\":40,\"width\":60},"
                                                                  "\"urlLink\":\"\"}\n");
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(fs::exists(docs / "Holiday.mp4"));
    EXPECT_TRUE(fs::exists(scratch / "data" / "Trash" / "files" / "Holiday.mp4"));
}

TEST_F(StoreToolTest, ARefusedOrFailedCallExitsOneAndChangesNoByte)
{
    fs::create_directories(docs / "Taken");
    const auto before = snapshot();
    const std::vector<std::pair<std::string, std::string>> calls = {
        {"mkdir " + folder() + " '../outside'", "kavio-store: \"..\" cannot be used as a name.\n"},
        {"mkdir " + folder() + " Trip", "kavio-store: Folder already exists.\n"},
        {"rename " + folder() + " clip.mp4 'a/b' --artist X", "kavio-store: A name cannot contain \"/\".\n"},
        {"rename " + folder() + " clip.mp4 ''", "kavio-store: No characters entered.\n"},
        {"rename " + folder() + " Trip Taken", "フォルダーのリネームに失敗しました: File exists\n"},
        {"rm " + folder() + " missing.mp4", "kavio-store: \"missing.mp4\" is not a video or folder in " + docs.string() + "\n"},
        {"thumbnail " + folder() + " clip.mp4 /nonexistent.png", "kavio-store: \"nonexistent.png\" could not be opened.\n"},
    };
    for (const auto& [args, message] : calls) {
        int code = -1;
        std::string err;
        EXPECT_EQ(tool(args, &code, &err), "") << args;
        EXPECT_EQ(code, 1) << args;
        EXPECT_EQ(err, message) << args;
        EXPECT_EQ(snapshot(), before) << args;
    }
}

// Typed text is plain text; what the tool prints of a name shows its control characters
// escaped ($(printf ...) gives the tool the very bytes).
TEST_F(StoreToolTest, NamesWithControlCharactersOrNotUtf8AreRefusedAndEchoedEscaped)
{
    if (!kavio::test::makeVideoClip(scratch / "clip.MOV"))
        GTEST_SKIP() << "ffmpeg could not make a clip";
    const std::string source = "'" + (scratch / "clip.MOV").string() + "'";
    const std::string control = "kavio-store: A name cannot contain control characters such as a line break, a tab or an escape.\n";
    const auto before = snapshot();
    const std::vector<std::pair<std::string, std::string>> calls = {
        {"rename " + folder() + " clip.mp4 \"$(printf 'two\\nlines')\"", control},
        {"rename " + folder() + " Trip \"$(printf 'esc\\033[31m')\"", control},
        {"mkdir " + folder() + " \"$(printf 'tab\\there')\"", control},
        {"import " + folder() + " " + source + " --title \"$(printf 'caf\\351')\"",
         "kavio-store: A name holds bytes that are not text (not valid UTF-8).\n"},
        {"link " + folder() + " https://example.com/a.m3u8 --title A --artist \"$(printf 'x\\ny')\"",
         "kavio-store: An artist name cannot contain control characters such as a line break, a tab or an escape.\n"},
        {"rename " + folder() + " clip.mp4 Holiday --artist \"$(printf 'caf\\351')\"",
         "kavio-store: An artist name holds bytes that are not text (not valid UTF-8).\n"},
        {"rm " + folder() + " \"$(printf '\\033]0;owned\\007\\nx')\"",
         "kavio-store: \"\\x1b]0;owned\\x07\\nx\" is not a video or folder in " + docs.string() + "\n"},
    };
    for (const auto& [args, message] : calls) {
        int code = -1;
        std::string err;
        EXPECT_EQ(tool(args, &code, &err), "") << args;
        EXPECT_EQ(code, 1) << args;
        EXPECT_EQ(err, message) << args;
        EXPECT_EQ(snapshot(), before) << args;
    }
}

// Files from a stick or an old archive keep whatever bytes their names have.
TEST_F(StoreToolTest, FilesNamedInBytesThatAreNotUtf8AreListedRenamedAndTrashedByThoseBytes)
{
    writeFile(docs / "caf\xE9.mp4", "latin-1 video");
    writeFile(docs / "bell\x07 del\x7F csi\xC2\x9B.mp4", "controls");
    fs::create_directories(docs / "Urlaub\xFF");
    writeFile(docs / "Urlaub\xFF" / "a.mp4", "a");
    writeFile(docs / "Urlaub\xFF" / "b.mp4", "b");
    writeFile(docs / "Urlaub\xFF" / "c.mp4", "c");
    int code = -1;
    std::string err;
    const std::string listed = tool("ls " + folder(), &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(listed.find("\"name\":\"caf\xEF\xBF\xBD.mp4\""), std::string::npos) << listed;
    EXPECT_NE(listed.find("\"name\":\"Urlaub\xEF\xBF\xBD\""), std::string::npos) << listed;
    EXPECT_NE(listed.find("\"name\":\"bell\\u0007 del\\u007f csi\\u009b.mp4\""), std::string::npos)
        << "JSON shows every control character escaped: " << listed;

    // A new record is known by its title, which such a name cannot be: renamed first.
    QImage(4, 4, QImage::Format_RGB32).save(QString::fromStdString((scratch / "p.png").string()));
    tool("thumbnail " + folder() + " \"$(printf 'caf\\351.mp4')\" '" + (scratch / "p.png").string() + "'", &code, &err);
    EXPECT_EQ(code, 1);
    EXPECT_NE(err.find("has a name that is not valid text, so Kavio cannot keep a thumbnail for it. Rename it first."),
              std::string::npos) << err;

    const std::string renamed = tool("rename " + folder() + " \"$(printf 'caf\\351.mp4')\" Cafe --artist Me", &code, &err);
    EXPECT_EQ(code, 0) << err;
    EXPECT_NE(renamed.find("\"FILENAME\":\"Cafe\""), std::string::npos) << renamed;
    EXPECT_EQ(readFile(docs / "Cafe.mp4"), "latin-1 video");

    tool("rm " + folder() + " \"$(printf 'Urlaub\\377')\"", &code, &err);
    EXPECT_EQ(code, 0) << err;
    EXPECT_FALSE(fs::exists(docs / "Urlaub\xFF"));
    EXPECT_EQ(readFile(scratch / "data" / "Trash" / "files" / "Urlaub\xFF" / "c.mp4"), "c") << "trashed, not erased";
    const std::string info = readFile(scratch / "data" / "Trash" / "info" / "Urlaub\xFF.trashinfo");
    EXPECT_NE(info.find("Path=" + docs.string() + "/Urlaub%FF\n"), std::string::npos) << info;
}

TEST_F(StoreToolTest, DumpAndLsDescribeTheFolderAndAnUnreadableStoreExitsOne)
{
    int code = -1;
    const std::string dump = tool("dump " + folder(), &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(dump.find("\"readable\":true"), std::string::npos) << dump;
    EXPECT_NE(dump.find("\"key\":\"kKVclip\""), std::string::npos) << dump;
    const std::string ls = tool("ls " + folder() + " --car", &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(ls.find("\"detail\":\"by clip\",\"kind\":\"video\",\"name\":\"clip.mp4\",\"record\":\"kKVclip\""),
              std::string::npos) << ls;
    EXPECT_NE(ls.find("\"kind\":\"folder\",\"name\":\"Trip\""), std::string::npos) << ls;

    writeFile(docs / kStoreFileName, "garbage");
    EXPECT_NE(tool("dump " + folder(), &code).find("\"readable\":false"), std::string::npos);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(readFile(docs / kStoreFileName), "garbage");
}

TEST_F(StoreToolTest, DumpOrLsOfAFolderThatIsNotThereOrOfAFileExitsOne)
{
    for (const char* verb : {"dump", "ls"}) {
        for (const std::string& typo : {std::string("Tirp"), std::string("clip.mp4")}) {
            int code = -1;
            std::string err;
            EXPECT_EQ(tool(std::string(verb) + " " + in(typo), &code, &err), "") << verb;
            EXPECT_EQ(code, 1) << verb;
            EXPECT_EQ(err, "kavio-store: no folder at " + (docs / typo).string() + "\n") << verb;
        }
    }
}

TEST_F(StoreToolTest, ImportLinkAndEmptyAsTheEditorAndTheMenuDoThem)
{
    if (!kavio::test::makeVideoClip(scratch / "clip.MOV"))
        GTEST_SKIP() << "ffmpeg could not make a clip";
    const std::string clip = readFile(scratch / "clip.MOV");
    int code = -1;
    std::string err;
    const std::string imported = tool("import " + folder() + " '" + (scratch / "clip.MOV").string() + "' --title Trip --artist Me", &code, &err);
    EXPECT_EQ(code, 0) << err;
    EXPECT_NE(imported.find("\"EXTENSION\":\"MOV\",\"FILENAME\":\"Trip\""), std::string::npos) << imported;
    EXPECT_NE(imported.find("\"format\":\"png\""), std::string::npos) << "the default thumbnail";
    EXPECT_EQ(readFile(docs / "Trip.MOV"), clip);
    EXPECT_TRUE(fs::exists(scratch / "clip.MOV"));

    const auto before = snapshot();
    tool("import " + folder() + " '" + (scratch / "clip.MOV").string() + "' --title Trip --move", &code, &err);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err, "kavio-store: It looks like the same file name already exists.\n");
    EXPECT_TRUE(fs::exists(scratch / "clip.MOV")) << "a refused move leaves the source";
    for (const char* link : {"'not a url'", "'javascript:alert(1)'", "http://", "file:///etc/passwd"}) {
        tool("link " + folder() + " " + link + " --title Refused", &code, &err);
        EXPECT_EQ(code, 1) << link;
        EXPECT_NE(err.find("kavio-store: "), std::string::npos) << link;
        EXPECT_NE(err.find("link"), std::string::npos) << err;
    }
    EXPECT_EQ(snapshot(), before) << "no refused link leaves a file or record";

    // A file named like a video that holds none: refused before anything is copied.
    writeFile(scratch / "notes.mp4", "8 bytes.");
    writeFile(scratch / "zeros.mp4", "");
    std::filesystem::resize_file(scratch / "zeros.mp4", std::uintmax_t(2) << 30); // sparse: 2 GB of zeros
    for (const char* name : {"notes.mp4", "zeros.mp4"}) {
        tool("import " + folder() + " '" + (scratch / name).string() + "' --title Refused", &code, &err);
        EXPECT_EQ(code, 1) << name;
        EXPECT_EQ(err, "kavio-store: \"" + std::string(name) + "\" holds no video Kavio can play.\n");
    }
    EXPECT_EQ(snapshot(), before) << "no refused import leaves a file or record";
    tool("link " + folder() + " https://example.com/live.m3u8 --title clip", &code, &err);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err, "kavio-store: Could not save because the same file name already exists. Please rename the file.\n");
    EXPECT_EQ(snapshot(), before);

    const std::string linked = tool("link " + folder() + " https://example.com/live.m3u8 --title Live", &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(linked.find("\"urlLink\":\"https://example.com/live.m3u8\""), std::string::npos) << linked;
    EXPECT_EQ(fs::file_size(docs / "Live.mp4"), 0u);

    EXPECT_EQ(tool("empty " + folder(), &code), "{}\n");
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(fs::is_empty(docs));
}

TEST_F(StoreToolTest, RestorePutsBackTheLatestRemovalWithItsRecordAndPermanentlyErasesForGood)
{
    int code = -1;
    std::string err;
    const auto before = snapshot();
    const std::string removed = tool("rm " + folder() + " clip.mp4", &code, &err);
    EXPECT_EQ(code, 0) << err;
    EXPECT_FALSE(fs::exists(docs / "clip.mp4"));
    EXPECT_EQ(tool("restore " + folder() + " clip.mp4", &code, &err), removed) << "the same record, back";
    EXPECT_EQ(code, 0) << err;
    EXPECT_EQ(snapshot(), before);

    tool("restore " + folder() + " clip.mp4", &code, &err);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err, "kavio-store: No trash holds \"clip.mp4\" removed from " + docs.string() + ".\n");

    EXPECT_EQ(tool("rm " + folder() + " clip.mp4 --permanently", &code, &err), removed);
    EXPECT_EQ(code, 0) << err;
    EXPECT_FALSE(fs::exists(docs / "clip.mp4"));
    EXPECT_FALSE(fs::exists(scratch / "data" / "Trash" / "files" / "clip.mp4")) << "erased, not trashed";
    tool("restore " + folder() + " clip.mp4", &code);
    EXPECT_EQ(code, 1);

    writeFile(docs / "a.mp4", "a");
    tool("empty " + folder() + " --permanently", &code, &err);
    EXPECT_EQ(code, 0) << err;
    EXPECT_TRUE(fs::is_empty(docs));
    EXPECT_TRUE(fs::is_empty(scratch / "data" / "Trash" / "files"));
}

TEST_F(StoreToolTest, BadUsageExitsTwoAndHelpListsEveryVerb)
{
    int code = -1;
    for (const char* args : {"", "frobnicate", "mkdir onlyfolder", "rename a b", "rm a b c", "thumbnail a b",
                             "rename a b c --colour x", "import a b", "link a --title x", "empty", "import a b --title",
                             "restore a", "rename a b c --permanently", "rm a b --permanently --permanently"}) {
        tool(args, &code);
        EXPECT_EQ(code, 2) << args;
    }
    const std::string help = tool("--help", &code);
    EXPECT_EQ(code, 0);
    for (const char* verb : {"dump", "ls", "mkdir", "rename", "rm", "restore", "thumbnail", "import", "link", "empty"})
        EXPECT_NE(help.find(std::string("  ") + verb + " "), std::string::npos) << verb;
}

TEST_F(StoreToolTest, DumpReportsUndecodableThumbnailsInTheJsonOnly)
{
    auto broken = record("broken");
    broken->imgData = plist::Bytes(std::string("\x89PNG\r\n\x1a\n-- not really", 21));
    fileRecords(docs, {broken});
    int code = -1;
    std::string err;
    const std::string out = tool("dump " + folder(), &code, &err);
    EXPECT_EQ(code, 0);
    EXPECT_NE(out.find("\"format\":\"unknown\""), std::string::npos) << out;
    EXPECT_EQ(err, "");
}

} // namespace
} // namespace kavio::phone::test
