// Many writers on one folder at once, through the real kavio-store: each of N processes
// runs M calls of a verb (and of mixed verbs), and afterwards every call's change is there,
// with its own record and key. A folder held too long by another program makes a call give
// up with "busy", changing nothing.

#include "support/HeldLock.h"
#include "support/TestSupport.h"
#include "support/VideoClips.h"

#include "library/FolderModel.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <set>

namespace kavio::phone::test {
namespace {

namespace fs = std::filesystem;
using kavio::test::readFile;
using kavio::test::writeFile;

constexpr int kWriters = 4;
constexpr int kEach = 10;

std::string png(int hue)
{
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(QColor::fromHsv(hue, 200, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

std::string quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

class ConcurrentWriters : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(docs); }

    // One shell per writer, all at once: writer w runs the calls that call(w, i) gives for
    // i in [0, rounds). Every call must exit 0.
    void runWriters(const std::function<std::vector<std::string>(int w, int i)>& call, int rounds = kEach)
    {
        std::vector<FILE*> shells;
        for (int w = 0; w < kWriters; ++w) {
            const fs::path script = scratch / ("writer" + std::to_string(w) + ".sh");
            std::string lines = "export XDG_DATA_HOME=" + quoted(scratch / "data") + "\n";
            for (int i = 0; i < rounds; ++i) {
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
    std::string link(int w, int i) const
    {
        return "link " + folder() + " https://example.com/" + video(w, i) + " --title " + video(w, i);
    }

    // Videos v<w>-<i>.mp4 with records, for the writers to work on.
    void videosWithRecords(const char* prefix = "v")
    {
        std::vector<RecordPtr> records;
        for (int w = 0; w < kWriters; ++w)
            for (int i = 0; i < kEach; ++i) {
                records.push_back(kavio::test::record(video(w, i, prefix)));
                writeFile(docs / (video(w, i, prefix) + ".mp4"), "video " + video(w, i, prefix));
            }
        kavio::test::fileRecords(docs, records);
    }

    // The store as a fresh process reads it: each record by the file it names.
    std::map<std::string, MovieInfo> records() const
    {
        clearStoreCache();
        FolderModel model(docs);
        model.loadMp4Files();
        std::map<std::string, MovieInfo> byFile;
        std::set<std::string> keys;
        for (const RecordPtr& r : *model.save_items()) {
            EXPECT_TRUE(keys.insert(r->KEY.value_or("")).second) << "two records under " << *r->KEY;
            byFile[r->FILENAME.value_or("") + "." + r->EXTENSION.value_or("")] = *r;
        }
        return byFile;
    }
    // Every video with its own record and every record with its file.
    void expectConsistent() const
    {
        const std::map<std::string, MovieInfo> byFile = records();
        for (const auto& [name, record] : byFile)
            EXPECT_TRUE(fs::exists(docs / name)) << "a record without its file: " << name;
        for (const auto& e : fs::directory_iterator(docs)) {
            const std::string name = e.path().filename().string();
            if (name.ends_with(".mp4")) {
                EXPECT_TRUE(byFile.contains(name)) << "a video without its record: " << name;
            }
            EXPECT_FALSE(name.starts_with(".")) << "left behind: " << name;
        }
    }

    kavio::test::ScratchFolder scratch;
    const fs::path docs = scratch / "Documents";
};

TEST_F(ConcurrentWriters, EveryLinkOfEveryWriterKeepsItsRecord)
{
    runWriters([&](int w, int i) {
        return std::vector<std::string>{link(w, i)};
    });
    const auto byFile = records();
    EXPECT_EQ(byFile.size(), std::size_t(kWriters * kEach));
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kEach; ++i) {
            const auto it = byFile.find(video(w, i) + ".mp4");
            ASSERT_NE(it, byFile.end()) << video(w, i);
            EXPECT_EQ(it->second.urlLink, "https://example.com/" + video(w, i));
        }
    expectConsistent();
}

TEST_F(ConcurrentWriters, EveryRenameOfEveryWriterKeepsItsTitleArtistAndKey)
{
    videosWithRecords();
    runWriters([&](int w, int i) {
        return std::vector<std::string>{"rename " + folder() + " " + video(w, i) + ".mp4 " + video(w, i, "r") +
                                        " --artist writer" + std::to_string(w)};
    });
    const auto byFile = records();
    EXPECT_EQ(byFile.size(), std::size_t(kWriters * kEach));
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kEach; ++i) {
            const auto it = byFile.find(video(w, i, "r") + ".mp4");
            ASSERT_NE(it, byFile.end()) << video(w, i, "r");
            EXPECT_EQ(it->second.KEY, "kKV" + video(w, i)) << "a rename keeps the key";
            EXPECT_EQ(it->second.ARTIST, "writer" + std::to_string(w));
            EXPECT_EQ(readFile(docs / (video(w, i, "r") + ".mp4")), "video " + video(w, i));
        }
    expectConsistent();
}

TEST_F(ConcurrentWriters, EveryThumbnailOfEveryWriterIsKept)
{
    videosWithRecords();
    for (int w = 0; w < kWriters; ++w)
        writeFile(scratch / ("picture" + std::to_string(w) + ".png"), png(w * 80));
    runWriters([&](int w, int i) {
        return std::vector<std::string>{"thumbnail " + folder() + " " + video(w, i) + ".mp4 " +
                                        quoted(scratch / ("picture" + std::to_string(w) + ".png"))};
    });
    const auto byFile = records();
    EXPECT_EQ(byFile.size(), std::size_t(kWriters * kEach));
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kEach; ++i) {
            const MovieInfo& r = byFile.at(video(w, i) + ".mp4");
            ASSERT_TRUE(r.imgData);
            EXPECT_EQ(r.imgData->view(), png(w * 80)) << video(w, i);
        }
}

TEST_F(ConcurrentWriters, EveryRemovalOfEveryWriterTakesItsRecordOut)
{
    videosWithRecords();
    kavio::test::fileRecords(docs, {kavio::test::record("kept")});
    writeFile(docs / "kept.mp4", "kept");
    runWriters([&](int w, int i) { return std::vector<std::string>{"rm " + folder() + " " + video(w, i) + ".mp4"}; });
    const auto byFile = records();
    ASSERT_EQ(byFile.size(), 1u);
    EXPECT_TRUE(byFile.contains("kept.mp4"));
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kEach; ++i)
            EXPECT_TRUE(fs::exists(scratch / "data" / "Trash" / "files" / (video(w, i) + ".mp4"))) << video(w, i);
    expectConsistent();
}

TEST_F(ConcurrentWriters, MixedVerbsOfEveryWriterAllLand)
{
    videosWithRecords("v");
    videosWithRecords("d");
    writeFile(scratch / "picture.png", png(200));
    constexpr int kRounds = 4; // six calls each
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
            "rename " + folder() + " " + video(w, i) + ".mp4 " + video(w, i, "r"),
            "thumbnail " + folder() + " " + video(w, i, "r") + ".mp4 " + quoted(scratch / "picture.png"),
            "rm " + folder() + " " + video(w, i, "d") + ".mp4",
            "import " + folder() + " " + quoted(scratch / (video(w, i, "s") + ".mov")) + " --title " + video(w, i, "i"),
            "mkdir " + folder() + " " + video(w, i, "f")};
    }, kRounds);
    const auto byFile = records();
    EXPECT_EQ(byFile.size(), std::size_t(2 * kWriters * kEach + kWriters * kRounds)); // the imports' too
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kRounds; ++i) {
            EXPECT_EQ(byFile.at(video(w, i, "l") + ".mp4").urlLink, "https://example.com/" + video(w, i));
            EXPECT_EQ(byFile.at(video(w, i, "r") + ".mp4").imgData->view(), png(200));
            EXPECT_EQ(byFile.at(video(w, i, "r") + ".mp4").KEY, "kKV" + video(w, i));
            EXPECT_FALSE(byFile.contains(video(w, i, "d") + ".mp4"));
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
        return std::vector<std::string>{link(w, i)};
    });
    expectConsistent();
}

TEST_F(ConcurrentWriters, AFolderHeldTooLongMakesTheToolGiveUpBusyChangingNothing)
{
    kavio::test::fileRecords(docs, {kavio::test::record("clip")});
    writeFile(docs / "clip.mp4", "video");
    const std::string store = readFile(docs / kStoreFileName);
    kavio::test::HeldLock hung(docs);
    ASSERT_TRUE(hung.held());
    int code = -1;
    const std::string errors = kavio::test::run(std::string(KAVIO_STORE_TOOL) + " rename " + folder() +
                                                    " clip.mp4 Holiday 2>&1 >/dev/null",
                                                &code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(errors.find("busy"), std::string::npos) << errors;
    EXPECT_TRUE(fs::exists(docs / "clip.mp4"));
    EXPECT_FALSE(fs::exists(docs / "Holiday.mp4"));
    EXPECT_EQ(readFile(docs / kStoreFileName), store);
}

} // namespace
} // namespace kavio::phone::test
