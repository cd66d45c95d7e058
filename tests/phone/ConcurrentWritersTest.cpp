// Many writers on one folder at once, through the real kavio-store: each of N processes
// runs rounds of every verb, and afterwards every call's change is there, with its own
// record and key. A folder held too long by another program makes a call give up with
// "busy", changing nothing.

#include "FolderTestSupport.h"
#include "support/HeldLock.h"
#include "support/VideoClips.h"

#include <cstdio>
#include <fstream>
#include <set>

namespace kavio::phone::test {
namespace {

constexpr int kWriters = 4;
constexpr int kRounds = 6;

class ConcurrentWriters : public FolderTest {
protected:
    // One shell per writer, all at once: writer w runs the calls that call(w, i) gives for
    // i in [0, kRounds). Every call must exit 0.
    void runWriters(const std::function<std::vector<std::string>(int w, int i)>& call)
    {
        std::vector<FILE*> shells;
        for (int w = 0; w < kWriters; ++w) {
            const fs::path script = scratch / ("writer" + std::to_string(w) + ".sh");
            std::string lines;
            for (int i = 0; i < kRounds; ++i) {
                int n = 0;
                for (const std::string& args : call(w, i))
                    lines += std::string(KAVIO_STORE_TOOL) + " " + args + " >/dev/null 2>&1 || echo 'call " +
                             std::to_string(n++) + " of round " + std::to_string(i) + " of writer " +
                             std::to_string(w) + " failed'\n";
            }
            writeFile(script, lines);
            shells.push_back(::popen(("sh " + quoted(script)).c_str(), "r"));
        }
        for (FILE* shell : shells) {
            ASSERT_TRUE(shell);
            char line[4096];
            while (std::fgets(line, sizeof line, shell))
                ADD_FAILURE() << line;
            ::pclose(shell);
        }
    }
    std::string folder() const { return quoted(docs); }
    static std::string video(int w, int i, const char* prefix = "v")
    {
        return prefix + std::to_string(w) + "-" + std::to_string(i);
    }
    // Videos <prefix><w>-<i>.mp4 with records, for the writers to work on.
    void videosWithRecords(const char* prefix)
    {
        std::vector<RecordPtr> records;
        for (int w = 0; w < kWriters; ++w)
            for (int i = 0; i < kRounds; ++i) {
                records.push_back(record(video(w, i, prefix)));
                writeFile(docs / (video(w, i, prefix) + ".mp4"), "video " + video(w, i, prefix));
            }
        fileRecords(docs, records);
    }
    // Every video with its own record under a key of its own, every record with its file.
    std::map<std::string, MovieInfo> expectConsistent() const
    {
        const std::map<std::string, MovieInfo> byFile = recordsAtNextLoad(docs);
        std::set<std::string> keys;
        for (const auto& [name, record] : byFile) {
            EXPECT_TRUE(keys.insert(record.KEY.value_or("")).second) << "two records under " << *record.KEY;
            EXPECT_TRUE(fs::exists(docs / name)) << "a record without its file: " << name;
        }
        for (const auto& e : fs::directory_iterator(docs)) {
            const std::string name = e.path().filename().string();
            if (name.ends_with(".mp4")) {
                EXPECT_TRUE(byFile.contains(name)) << "a video without its record: " << name;
            }
            EXPECT_FALSE(name.starts_with(".")) << "left behind: " << name;
        }
        return byFile;
    }
};

TEST_F(ConcurrentWriters, EveryCallOfEveryVerbOfEveryWriterLands)
{
    videosWithRecords("v");
    videosWithRecords("d");
    for (int w = 0; w < kWriters; ++w)
        writeFile(scratch / ("picture" + std::to_string(w) + ".png"), picture(QColor::fromHsv(w * 80, 200, 200)));
    // Real clips, told apart by a line at their end.
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kRounds; ++i) {
            const fs::path source = scratch / (video(w, i, "s") + ".mov");
            if (!kavio::test::makeVideoClip(source))
                GTEST_SKIP() << "ffmpeg could not make a clip";
            std::ofstream(source, std::ios::app) << "source " + video(w, i);
        }
    runWriters([&](int w, int i) {
        return std::vector<std::string>{
            "link " + folder() + " https://example.com/" + video(w, i) + " --title " + video(w, i, "l"),
            "rename " + folder() + " " + video(w, i) + ".mp4 " + video(w, i, "r") + " --artist writer" + std::to_string(w),
            "thumbnail " + folder() + " " + video(w, i, "r") + ".mp4 " + quoted(scratch / ("picture" + std::to_string(w) + ".png")),
            "rm " + folder() + " " + video(w, i, "d") + ".mp4",
            "import " + folder() + " " + quoted(scratch / (video(w, i, "s") + ".mov")) + " --title " + video(w, i, "i"),
            "mkdir " + folder() + " " + video(w, i, "f")};
    });
    const auto byFile = expectConsistent();
    EXPECT_EQ(byFile.size(), std::size_t(3 * kWriters * kRounds)); // links, renames, imports
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kRounds; ++i) {
            SCOPED_TRACE(video(w, i));
            EXPECT_EQ(byFile.at(video(w, i, "l") + ".mp4").urlLink, "https://example.com/" + video(w, i));
            const MovieInfo& renamed = byFile.at(video(w, i, "r") + ".mp4");
            EXPECT_EQ(renamed.KEY, "kKV" + video(w, i)) << "a rename keeps the key";
            EXPECT_EQ(renamed.ARTIST, "writer" + std::to_string(w));
            EXPECT_EQ(renamed.imgData->view(), picture(QColor::fromHsv(w * 80, 200, 200)));
            EXPECT_EQ(readFile(docs / (video(w, i, "r") + ".mp4")), "video " + video(w, i));
            EXPECT_TRUE(trashed(video(w, i, "d") + ".mp4"));
            EXPECT_EQ(readFile(docs / (video(w, i, "i") + ".mov")), readFile(scratch / (video(w, i, "s") + ".mov")));
            EXPECT_TRUE(fs::is_directory(docs / video(w, i, "f")));
        }
}

// "Deleting Videos" while others add: whatever it takes and whatever stays, each video that
// stays has its record and no record outlives its file.
TEST_F(ConcurrentWriters, EmptyingWhileOthersAddLeavesEveryVideoWithItsRecord)
{
    runWriters([&](int w, int i) {
        if (w == 0)
            return std::vector<std::string>{"empty " + folder()};
        return std::vector<std::string>{"link " + folder() + " https://example.com/" + video(w, i) + " --title " + video(w, i)};
    });
    expectConsistent();
}

TEST_F(ConcurrentWriters, AFolderHeldTooLongMakesTheToolGiveUpBusyChangingNothing)
{
    fileRecords(docs, {record("clip")});
    writeFile(docs / "clip.mp4", "video");
    const std::string before = store();
    kavio::test::HeldLock hung(docs);
    ASSERT_TRUE(hung.held());
    int code = -1;
    const std::string errors =
        kavio::test::run(std::string(KAVIO_STORE_TOOL) + " rename " + folder() + " clip.mp4 Holiday 2>&1 >/dev/null", &code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(errors.find("busy"), std::string::npos) << errors;
    EXPECT_EQ(namesIn(docs), (std::vector<std::string>{kStoreFileName, "clip.mp4"}));
    EXPECT_EQ(store(), before);
}

} // namespace
} // namespace kavio::phone::test
