// The editor's save over a real folder: every row of its failure table with the files and
// the store checked afterwards, and copies that never leave half a file.

#include "FolderTestSupport.h"
#include "support/ScriptedFileSystem.h"

#include "library/FileCopy.h"
#include "phone/EditorSave.h"

#include <sys/stat.h>
#include <unistd.h>

namespace kavio::phone::test {
namespace {

using kavio::test::ScriptedFileSystem;
using Kind = EditorOutcome::Kind;

class EditorSaveTest : public FolderTest {
protected:
    void SetUp() override
    {
        FolderTest::SetUp();
        fs::create_directories(outside);
        writeFile(outside / "clip.MOV", bytes);
    }

    EditorOutcome save(const EditorInput& input, const std::string& title, const std::string& artist = "",
                       CopyControl* control = nullptr)
    {
        return saveEditor(model(), input, {title, artist, defaultThumbnailPng()}, files, now, control);
    }
    EditorInput copyOf(const fs::path& file) const { return {ImportKind::Copy, file, {}}; }
    EditorInput exportOf(const fs::path& file) const { return {ImportKind::Export, file, {}}; }
    EditorInput link(const std::string& url) const { return {ImportKind::Link, {}, url}; }

    const fs::path outside = scratch / "Videos";
    const std::string bytes = std::string(3 << 20, 'v') + "end";
    ScriptedFileSystem files;
    std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
};

// A picked document is copied and stays; an export is Kavio's own and is moved. The dialog
// asks for no extension; one typed anyway (any case) is not doubled.
TEST_F(EditorSaveTest, ADocumentIsCopiedAndAnExportMovedUnderTheTitleKeepingTheExtensionsCase)
{
    writeFile(scratch / "export.mp4", bytes);
    EXPECT_EQ(proposedTitle(copyOf(outside / "clip.MOV")), "clip");
    const EditorOutcome copied = save(copyOf(outside / "clip.MOV"), "Trip.mov");
    ASSERT_EQ(copied.kind, Kind::Saved) << copied.message;
    const EditorOutcome moved = save(exportOf(scratch / "export.mp4"), proposedTitle(exportOf(scratch / "export.mp4")));
    ASSERT_EQ(moved.kind, Kind::Saved) << moved.message << " (its own name is a success)";
    EXPECT_EQ(readFile(docs / "Trip.MOV"), bytes);
    EXPECT_EQ(readFile(docs / "export.mp4"), bytes);
    EXPECT_EQ(readFile(outside / "clip.MOV"), bytes);
    EXPECT_FALSE(fs::exists(scratch / "export.mp4"));
    const auto byFile = recordsAtNextLoad(docs);
    ASSERT_EQ(byFile.size(), 2u) << "two saves in one second make two records";
    EXPECT_EQ(byFile.at("Trip.MOV"), *copied.record);
    EXPECT_EQ(copied.record->ARTIST, "");
    EXPECT_EQ(copied.record->imgData->view(), defaultThumbnailPng());
}

// A link's placeholder and record are also tried through kavio-store (StoreToolTest).
TEST_F(EditorSaveTest, TheFailureTableRowByRow)
{
    writeFile(docs / "Taken.MOV", "existing");
    writeFile(docs / "News.mp4", "existing");
    const EditorOutcome linked = save(link("https://a/b.m3u8"), "First.MP4");
    ASSERT_EQ(linked.kind, Kind::Saved);
    EXPECT_EQ(linked.record->FILENAME, "First") << "the extension typed is not doubled";
    const std::string withFirst = store();
    const std::vector<std::string> namesWithFirst = namesIn(docs);

    const EditorOutcome empty = save(copyOf(outside / "clip.MOV"), "", "artist typed");
    EXPECT_EQ(empty.kind, Kind::StayOpen);
    EXPECT_EQ(empty.message, kTitleNotEntered);

    const EditorOutcome linkTaken = save(link("https://a/b.m3u8"), "News");
    EXPECT_EQ(linkTaken.kind, Kind::StayOpen);
    EXPECT_EQ(linkTaken.message, kLinkNameTaken);
    EXPECT_EQ(readFile(docs / "News.mp4"), "existing");

    files.failNext(ScriptedFileSystem::Operation::CreateEmptyFile, Status::ioError("Permission denied"));
    const EditorOutcome noPlaceholder = save(link("https://a/c"), "Other");
    EXPECT_EQ(noPlaceholder.kind, Kind::StayOpen);
    EXPECT_EQ(noPlaceholder.message, kPlaceholderFailed);
    EXPECT_EQ(namesIn(docs), namesWithFirst) << "no placeholder left behind";

    writeFile(scratch / "export.MOV", bytes);
    for (const EditorInput& taken : {copyOf(outside / "clip.MOV"), exportOf(scratch / "export.MOV")}) {
        const EditorOutcome out = save(taken, "Taken");
        EXPECT_EQ(out.kind, Kind::CloseAfter);
        EXPECT_EQ(out.message, kSameFileName);
        EXPECT_EQ(readFile(docs / "Taken.MOV"), "existing");
    }
    EXPECT_EQ(readFile(outside / "clip.MOV"), bytes);
    EXPECT_FALSE(fs::exists(scratch / "export.MOV")) << "the export is Kavio's own and goes";
    EXPECT_EQ(store(), withFirst);
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

// A copy that fails half way (the disk full a third of the way in) or is cancelled.
TEST_F(EditorSaveTest, ACopyThatFailsHalfWayOrIsCancelledLeavesNothing)
{
    ASSERT_EQ(save(link("https://a/1"), "One").kind, Kind::Saved);
    const std::string before = store();
    EditorOutcome out;
    withDiskFullAfter(1 << 20, [&] { out = save(copyOf(outside / "clip.MOV"), "Trip"); });
    EXPECT_EQ(out.kind, Kind::CloseAfter);
    EXPECT_TRUE(out.message.starts_with("The video could not be copied: ")) << out.message;
    EXPECT_EQ(namesIn(docs), (std::vector<std::string>{kStoreFileName, "One.mp4"})) << "no temporary file, no Trip";
    EXPECT_EQ(store(), before);

    CopyControl control;
    control.cancel();
    EXPECT_EQ(save(copyOf(outside / "clip.MOV"), "Trip", "", &control).kind, Kind::StayOpen) << "the editor stays open";
    EXPECT_EQ(namesIn(docs), (std::vector<std::string>{kStoreFileName, "One.mp4"}));
    EXPECT_EQ(store(), before);
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

} // namespace
} // namespace kavio::phone::test
