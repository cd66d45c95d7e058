// The long-press menu and the dialogs' texts, as the phone browser shows them.

#include "support/TestSupport.h"

#include "phone/BrowserContent.h"

#include <gtest/gtest.h>

namespace kavio::phone::test {
namespace {

namespace fs = std::filesystem;

TEST(BrowserContentTest, MenuTitleDropsTheLastExtensionAndFoldersHaveNoThumbnailAction)
{
    const FolderEntry folder{"/x/my.stuff", "my.stuff", EntryKind::Folder};
    const FolderEntry video{"/x/clip.final.mp4", "clip.final.mp4", EntryKind::Video};
    EXPECT_EQ(rowMenuFor(folder).title, "my");
    EXPECT_EQ(rowMenuFor(folder).actions, (std::vector<RowAction>{RowAction::Rename, RowAction::Remove}));
    EXPECT_EQ(rowMenuFor(video).title, "clip.final");
    EXPECT_EQ(rowMenuFor(video).actions,
              (std::vector<RowAction>{RowAction::Rename, RowAction::ImageRewriting, RowAction::Remove}));
    EXPECT_TRUE(lookOf(RowAction::Remove).destructive);
    EXPECT_FALSE(lookOf(RowAction::Rename).destructive);
}

TEST(BrowserContentTest, RenameDialogStartsFromTheRecordOrTheFileName)
{
    kavio::test::ScratchFolder scratch;
    auto clip = kavio::test::record("clip");
    clip->ARTIST = "";
    kavio::test::fileRecords(scratch.path(), {clip});
    FolderModel model(scratch.path());
    model.loadMp4Files();

    const DialogContent withRecord = renameDialogFor(model, {scratch / "clip.mp4", "clip.mp4", EntryKind::Video});
    ASSERT_EQ(withRecord.fields.size(), 2u);
    EXPECT_EQ(withRecord.fields[0].text, "clip");
    EXPECT_EQ(withRecord.fields[1].text, "") << "the record's empty artist";

    const DialogContent byHand = renameDialogFor(model, {scratch / "Hand made.MOV", "Hand made.MOV", EntryKind::Video});
    EXPECT_EQ(byHand.fields[0].text, "Hand made");

    const DialogContent folder = renameDialogFor(model, {scratch / "Trip", "Trip", EntryKind::Folder});
    ASSERT_EQ(folder.fields.size(), 1u);
    EXPECT_EQ(folder.fields[0].text, "Trip");
}

} // namespace
} // namespace kavio::phone::test
