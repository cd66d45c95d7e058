// kavio-store changing a library: the same operations as the phone browser, with exit
// codes a script can rely on and nothing changed by a refused call.

#include "support/TestSupport.h"

#include "library/SavedVideosStore.h"

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
        const std::string out = kavio::test::run("XDG_DATA_HOME='" + (scratch / "data").string() + "' " +
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

TEST_F(StoreToolTest, ImportLinkAndEmptyAsTheEditorAndTheMenuDoThem)
{
    writeFile(scratch / "clip.MOV", "movie bytes");
    int code = -1;
    std::string err;
    const std::string imported = tool("import " + folder() + " '" + (scratch / "clip.MOV").string() + "' --title Trip --artist Me", &code, &err);
    EXPECT_EQ(code, 0) << err;
    EXPECT_NE(imported.find("\"EXTENSION\":\"MOV\",\"FILENAME\":\"Trip\""), std::string::npos) << imported;
    EXPECT_NE(imported.find("\"format\":\"png\""), std::string::npos) << "the default thumbnail";
    EXPECT_EQ(readFile(docs / "Trip.MOV"), "movie bytes");
    EXPECT_TRUE(fs::exists(scratch / "clip.MOV"));

    const auto before = snapshot();
    tool("import " + folder() + " '" + (scratch / "clip.MOV").string() + "' --title Trip --move", &code, &err);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(err, "kavio-store: It looks like the same file name already exists.\n");
    EXPECT_TRUE(fs::exists(scratch / "clip.MOV")) << "a refused move leaves the source";
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

TEST_F(StoreToolTest, BadUsageExitsTwoAndHelpListsEveryVerb)
{
    int code = -1;
    for (const char* args : {"", "frobnicate", "mkdir onlyfolder", "rename a b", "rm a b c", "thumbnail a b",
                             "rename a b c --colour x", "import a b", "link a --title x", "empty", "import a b --title"}) {
        tool(args, &code);
        EXPECT_EQ(code, 2) << args;
    }
    const std::string help = tool("--help", &code);
    EXPECT_EQ(code, 0);
    for (const char* verb : {"dump", "ls", "mkdir", "rename", "rm", "thumbnail", "import", "link", "empty"})
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
