// The editor's save over a real folder: every row of its failure table with the files and
// the store checked afterwards, and copies that never leave half a file.

#include "support/ScriptedFileSystem.h"
#include "support/TestSupport.h"

#include "library/FileCopy.h"
#include "library/FolderModel.h"
#include "phone/EditorSave.h"
#include "phone/FileOperations.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavio::phone::test {
namespace {

namespace fs = std::filesystem;
using kavio::test::ScriptedFileSystem;
using kavio::test::readFile;
using kavio::test::writeFile;
using Kind = EditorOutcome::Kind;

class EditorSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(docs);
        fs::create_directories(outside);
        writeFile(outside / "clip.MOV", bytes);
    }

    EditorOutcome save(const EditorInput& input, const std::string& title, const std::string& artist = "")
    {
        model.reloadContent();
        return saveEditor(model, input, {title, artist, defaultThumbnailPng()}, files, now);
    }
    std::string store() const { return fs::exists(docs / kStoreFileName) ? readFile(docs / kStoreFileName) : ""; }
    std::vector<std::string> namesIn(const fs::path& folder) const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    EditorInput copyOf(const fs::path& file) const { return {ImportKind::Copy, file, {}}; }
    EditorInput exportOf(const fs::path& file) const { return {ImportKind::Export, file, {}}; }
    EditorInput link(const std::string& url) const { return {ImportKind::Link, {}, url}; }

    kavio::test::ScratchFolder scratch;
    const kavio::test::ScopedEnv trashInScratch{{"XDG_DATA_HOME", (scratch / "data").string()}};
    const fs::path docs = scratch / "Documents";
    const fs::path outside = scratch / "Videos";
    const std::string bytes = std::string(3 << 20, 'v') + "end";
    FolderModel model{docs};
    ScriptedFileSystem files;
    std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
};

TEST_F(EditorSaveTest, ADocumentIsCopiedUnderItsTitleKeepingTheExtensionsCase)
{
    const EditorOutcome out = save(copyOf(outside / "clip.MOV"), "Trip", "");
    ASSERT_EQ(out.kind, Kind::Saved) << out.message;
    EXPECT_EQ(readFile(docs / "Trip.MOV"), bytes);
    EXPECT_EQ(readFile(outside / "clip.MOV"), bytes) << "the picked document stays";
    EXPECT_EQ(out.record->EXTENSION, "MOV");
    EXPECT_EQ(out.record->ARTIST, "");
    EXPECT_EQ(out.record->urlLink, "");
    EXPECT_EQ(out.record->imgData->view(), defaultThumbnailPng());
    EXPECT_TRUE(defaultThumbnailPng().starts_with("\x89PNG"));
    FolderModel fresh(docs);
    fresh.loadMp4Files();
    ASSERT_EQ(fresh.save_items()->size(), 1u);
    EXPECT_EQ(*fresh.save_items()->front(), *out.record);
    EXPECT_EQ(proposedTitle(copyOf(outside / "clip.MOV")), "clip");
}

TEST_F(EditorSaveTest, AnExportIsMovedAndItsOwnNameIsASuccess)
{
    writeFile(scratch / "export.mp4", bytes);
    const EditorOutcome out = save(exportOf(scratch / "export.mp4"), proposedTitle(exportOf(scratch / "export.mp4")));
    ASSERT_EQ(out.kind, Kind::Saved) << out.message;
    EXPECT_EQ(readFile(docs / "export.mp4"), bytes);
    EXPECT_FALSE(fs::exists(scratch / "export.mp4"));
}

TEST_F(EditorSaveTest, TheFailureTableRowByRow)
{
    writeFile(docs / "Taken.MOV", "existing");
    writeFile(docs / "News.mp4", "existing");
    ASSERT_EQ(save(link("https://a/b.m3u8"), "First").kind, Kind::Saved);
    const std::string before = store();

    const EditorOutcome empty = save(copyOf(outside / "clip.MOV"), "", "artist typed");
    EXPECT_EQ(empty.kind, Kind::StayOpen);
    EXPECT_EQ(empty.message, kTitleNotEntered);

    const EditorOutcome linkTaken = save(link("https://a/b.m3u8"), "News");
    EXPECT_EQ(linkTaken.kind, Kind::StayOpen);
    EXPECT_EQ(linkTaken.message, kLinkNameTaken);
    EXPECT_EQ(store(), before);
    EXPECT_EQ(readFile(docs / "News.mp4"), "existing");
    const EditorOutcome retried = save(link("https://a/b.m3u8"), "News2");
    ASSERT_EQ(retried.kind, Kind::Saved);
    EXPECT_EQ(fs::file_size(docs / "News2.mp4"), 0u);
    EXPECT_EQ(retried.record->urlLink, "https://a/b.m3u8");
    EXPECT_EQ(retried.record->EXTENSION, "mp4");
    const std::string withNews2 = store();
    const std::vector<std::string> namesWithNews2 = namesIn(docs);

    files.failNext(ScriptedFileSystem::Operation::CreateEmptyFile, Status::ioError("Permission denied"));
    const EditorOutcome noPlaceholder = save(link("https://a/c"), "Other");
    EXPECT_EQ(noPlaceholder.kind, Kind::StayOpen);
    EXPECT_EQ(noPlaceholder.message, kPlaceholderFailed);
    EXPECT_EQ(store(), withNews2);
    EXPECT_EQ(namesIn(docs), namesWithNews2) << "no placeholder left behind";

    const EditorOutcome docTaken = save(copyOf(outside / "clip.MOV"), "Taken");
    EXPECT_EQ(docTaken.kind, Kind::CloseAfter);
    EXPECT_EQ(docTaken.message, kSameFileName);
    EXPECT_EQ(readFile(docs / "Taken.MOV"), "existing");
    EXPECT_EQ(readFile(outside / "clip.MOV"), bytes);

    writeFile(scratch / "export.MOV", bytes);
    const EditorOutcome exportTaken = save(exportOf(scratch / "export.MOV"), "Taken");
    EXPECT_EQ(exportTaken.kind, Kind::CloseAfter);
    EXPECT_EQ(exportTaken.message, kSameFileName);
    EXPECT_FALSE(fs::exists(scratch / "export.MOV")) << "the export is Kavio's own and goes";
    EXPECT_EQ(readFile(docs / "Taken.MOV"), "existing");
    EXPECT_EQ(store(), withNews2);
}

TEST_F(EditorSaveTest, TitlesThatLeaveTheFolderAreRefusedAndOneSpaceIsATitle)
{
    for (const std::string& title : std::vector<std::string>{"..", ".", "../../x", "a/b", std::string("a\0b", 3), ".hidden"}) {
        const EditorOutcome out = save(copyOf(outside / "clip.MOV"), title);
        EXPECT_EQ(out.kind, Kind::StayOpen) << title;
        EXPECT_FALSE(out.message.empty()) << title;
    }
    EXPECT_EQ(namesIn(docs), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(scratch / "x.MOV"));
    ASSERT_EQ(save(copyOf(outside / "clip.MOV"), " ").kind, Kind::Saved);
    EXPECT_TRUE(fs::exists(docs / " .MOV"));
}

TEST_F(EditorSaveTest, TwoSavesInOneSecondMakeTwoRecords)
{
    ASSERT_EQ(save(link("https://a/1"), "One").kind, Kind::Saved);
    ASSERT_EQ(save(link("https://a/2"), "Two").kind, Kind::Saved);
    FolderModel fresh(docs);
    fresh.loadMp4Files();
    EXPECT_EQ(fresh.save_items()->size(), 2u);
}

TEST_F(EditorSaveTest, ACopyThatFailsHalfWayLeavesNothingAndSaysWhy)
{
    ASSERT_EQ(save(link("https://a/1"), "One").kind, Kind::Saved);
    const std::string before = store();
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit lower = saved;
    lower.rlim_cur = 1 << 20; // the disk "fills" a third of the way in
    const sighandler_t previous = ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &lower);
    model.reloadContent();
    const EditorOutcome out = saveEditor(model, copyOf(outside / "clip.MOV"), {"Trip", "", std::nullopt}, files, now);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previous);
    EXPECT_EQ(out.kind, Kind::CloseAfter);
    EXPECT_TRUE(out.message.starts_with("The video could not be copied: ")) << out.message;
    EXPECT_EQ(namesIn(docs), (std::vector<std::string>{kStoreFileName, "One.mp4"})) << "no temporary file, no Trip";
    EXPECT_EQ(store(), before);
}

TEST_F(EditorSaveTest, ACancelledCopyLeavesNothingAndKeepsTheEditorOpen)
{
    CopyControl control;
    control.cancel();
    model.reloadContent();
    const EditorOutcome out = saveEditor(model, copyOf(outside / "clip.MOV"), {"Trip", "", std::nullopt}, files, now, &control);
    EXPECT_EQ(out.kind, Kind::StayOpen);
    EXPECT_EQ(namesIn(docs), std::vector<std::string>{});
    EXPECT_EQ(readFile(outside / "clip.MOV"), bytes);
}

TEST_F(EditorSaveTest, AStoreThatCannotTakeTheRecordLeavesTheVideoWhereItWas)
{
    writeFile(docs / kStoreFileName, "not a property list");
    writeFile(scratch / "export.mp4", bytes);
    const EditorOutcome out = save(exportOf(scratch / "export.mp4"), "Trip");
    EXPECT_EQ(out.kind, Kind::StayOpen);
    EXPECT_FALSE(out.message.empty());
    EXPECT_FALSE(fs::exists(docs / "Trip.mp4"));
    EXPECT_EQ(readFile(scratch / "export.mp4"), bytes) << "back where it was, for another try";
    EXPECT_EQ(store(), "not a property list");
}

TEST_F(EditorSaveTest, CopiesAndMovesKeepEveryByteAndNeverReplace)
{
    CopyControl control;
    CopyMethod method{};
    ASSERT_TRUE(copyFileNoReplace(outside / "clip.MOV", docs / "a.MOV", &control, &method).isOk());
    EXPECT_EQ(readFile(docs / "a.MOV"), bytes);
    EXPECT_EQ(control.done(), bytes.size());
    EXPECT_EQ(control.total(), bytes.size());
    EXPECT_EQ(copyFileNoReplace(outside / "clip.MOV", docs / "a.MOV").code(), Status::Code::AlreadyExists);
    ASSERT_TRUE(moveFileNoReplace(docs / "a.MOV", docs / "b.MOV").isOk());
    EXPECT_EQ(readFile(docs / "b.MOV"), bytes);
    EXPECT_EQ(namesIn(docs), std::vector<std::string>{"b.MOV"});
}

TEST_F(EditorSaveTest, AMoveAcrossFileSystemsCopiesThenRemovesTheSource)
{
    const fs::path other = "/dev/shm";
    struct stat a {}, b {};
    if (::stat(other.c_str(), &a) != 0 || ::stat(docs.c_str(), &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system at " << other;
    const fs::path source = other / ("kavio-test-" + std::to_string(::getpid()) + ".mp4");
    writeFile(source, bytes);
    ASSERT_TRUE(moveFileNoReplace(source, docs / "moved.mp4").isOk());
    EXPECT_EQ(readFile(docs / "moved.mp4"), bytes);
    EXPECT_FALSE(fs::exists(source));
    writeFile(source, "other");
    EXPECT_EQ(moveFileNoReplace(source, docs / "moved.mp4").code(), Status::Code::AlreadyExists);
    EXPECT_TRUE(fs::exists(source)) << "a refused move keeps its source";
    fs::remove(source);
}

TEST_F(EditorSaveTest, DeletingVideosEmptiesTheFolderIntoTheTrash)
{
    model.reloadContent();
    EXPECT_TRUE(emptyFolder(model).done()) << "an empty folder only refreshes";
    ASSERT_EQ(save(link("https://a/1"), "One").kind, Kind::Saved);
    fs::create_directories(docs / "Trip" / "Day");
    writeFile(docs / "Trip" / "Day" / "x.mp4", "x");
    writeFile(docs / ".hidden", "h");
    model.reloadContent();
    EXPECT_TRUE(emptyFolder(model).done());
    EXPECT_EQ(namesIn(docs), std::vector<std::string>{});
    EXPECT_TRUE(model.save_items()->empty());
    for (const char* name : {"One.mp4", "Trip", ".hidden", kStoreFileName})
        EXPECT_TRUE(fs::exists(scratch / "data" / "Trash" / "files" / name)) << name;
}

} // namespace
} // namespace kavio::phone::test
