// The phone's file operations on a real folder: what changes on disk, byte for byte, and
// what is refused with nothing changed.

#include "support/TestSupport.h"

#include "library/FolderModel.h"
#include "phone/FileOperations.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cstdlib>

namespace kavio::phone::test {
namespace {

namespace fs = std::filesystem;
using kavio::test::fileRecords;
using kavio::test::readFile;
using kavio::test::record;
using kavio::test::writeFile;

class FileOperationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(docs);
    }

    FolderModel& model(const fs::path& folder = {})
    {
        model_ = std::make_unique<FolderModel>(folder.empty() ? docs : folder);
        model_->reloadContent();
        return *model_;
    }
    EntryRef ref(const std::string& name, const fs::path& folder = {})
    {
        std::optional<EntryRef> found = entryRefNamed(model(folder), name);
        EXPECT_TRUE(found) << name;
        return found.value_or(EntryRef{name, EntryKind::Video, std::nullopt});
    }
    std::string store(const fs::path& folder = {}) { return readFile((folder.empty() ? docs : folder) / kStoreFileName); }
    // The bytes a store holding exactly these records has.
    std::string storeOf(const std::vector<RecordPtr>& records)
    {
        const fs::path other = scratch / ("expected" + std::to_string(++expected_));
        fileRecords(other, records);
        return readFile(other / kStoreFileName);
    }
    void touch(const std::string& name, const fs::path& folder = {}) { writeFile((folder.empty() ? docs : folder) / name, "video"); }
    bool exists(const fs::path& path) const
    {
        std::error_code ec;
        return fs::exists(fs::symlink_status(path, ec));
    }
    bool trashed(const std::string& name) const { return exists(scratch / "data" / "Trash" / "files" / name); }

    kavio::test::ScratchFolder scratch;
    const kavio::test::ScopedEnv trashInScratch{{"XDG_DATA_HOME", (scratch / "data").string()}};
    const fs::path docs = scratch / "Documents";

private:
    std::unique_ptr<FolderModel> model_;
    int expected_ = 0;
};

RecordPtr retitled(RecordPtr r, const std::string& title, std::optional<std::string> artist = {})
{
    auto copy = std::make_shared<MovieInfo>(*r);
    copy->FILENAME = title;
    if (artist)
        copy->ARTIST = *artist;
    return copy;
}

std::string picture(int width, int height, bool noisy, const char* format = "PNG")
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    if (noisy) { // noise does not compress: a big file
        auto* rng = QRandomGenerator::global();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image.setPixel(x, y, rng->generate());
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

TEST_F(FileOperationsTest, DeleteTakesTheFileToTheTrashAndOnlyItsOwnRecordFromTheStore)
{
    const RecordPtr a = record("a"), b = record("b");
    fileRecords(docs, {a, b});
    touch("a.mp4");
    touch("b.mp4");
    const Outcome out = removeEntry(model(), ref("a.mp4"));
    EXPECT_TRUE(out.done()) << out.message;
    EXPECT_FALSE(exists(docs / "a.mp4"));
    EXPECT_TRUE(trashed("a.mp4"));
    EXPECT_EQ(store(), storeOf({b}));
}

TEST_F(FileOperationsTest, DeleteOfAVideoWithoutRecordLeavesTheStoreByteForByte)
{
    fileRecords(docs, {record("a")});
    touch("a.mp4");
    touch("copied in.mov");
    const std::string before = store();
    EXPECT_TRUE(removeEntry(model(), ref("copied in.mov")).done());
    EXPECT_FALSE(exists(docs / "copied in.mov"));
    EXPECT_EQ(store(), before);
}

TEST_F(FileOperationsTest, DeleteOfAFolderTakesItsSubfoldersAndStoreAndLeavesTheParentStore)
{
    fileRecords(docs, {record("top")});
    fileRecords(docs / "Trip", {record("day")});
    fileRecords(docs / "Trip" / "Day 1", {record("morning")});
    const std::string parent = store();
    EXPECT_TRUE(removeEntry(model(), ref("Trip")).done());
    EXPECT_FALSE(exists(docs / "Trip"));
    EXPECT_TRUE(exists(scratch / "data" / "Trash" / "files" / "Trip" / "Day 1" / kStoreFileName));
    EXPECT_EQ(store(), parent);
}

// The extension never changes; typed after the title, in any case, it is not doubled.
TEST_F(FileOperationsTest, RenameKeepsTheKeyAndTheExtensionWhateverIsTyped)
{
    struct Row {
        std::string typed, title, file;
    };
    for (const Row& row : {Row{"holiday", "holiday", "holiday.mov"}, Row{"holiday.mov", "holiday", "holiday.mov"},
                           Row{"holiday.MOV", "holiday", "holiday.mov"}, Row{"holiday.mp4", "holiday.mp4", "holiday.mp4.mov"},
                           Row{".mov", ".mov", ""}}) {
        SCOPED_TRACE(row.typed);
        fs::remove_all(docs);
        const RecordPtr clip = record("clip", "mov");
        fileRecords(docs, {clip});
        touch("clip.mov");
        const Outcome out = renameEntry(model(), ref("clip.mov"), row.typed);
        if (row.file.empty()) { // the extension alone is no title, and a hidden name besides
            EXPECT_EQ(out.kind, Outcome::Kind::Refused);
            EXPECT_TRUE(exists(docs / "clip.mov"));
            continue;
        }
        ASSERT_TRUE(out.done()) << out.message;
        EXPECT_TRUE(exists(docs / row.file));
        EXPECT_FALSE(exists(docs / "clip.mov"));
        EXPECT_EQ(store(), storeOf({retitled(clip, row.title)}));
        EXPECT_EQ(out.record->KEY, clip->KEY);
    }
}

TEST_F(FileOperationsTest, RenameOntoATakenTitleChangesNeitherFileNorStore)
{
    fileRecords(docs, {record("a"), record("b")});
    touch("a.mp4");
    touch("b.mp4");
    const std::string before = store();
    const Outcome out = renameEntry(model(), ref("a.mp4"), "b", "new artist");
    EXPECT_EQ(out.kind, Outcome::Kind::Refused);
    EXPECT_EQ(out.message, "\"b.mp4\" already exists in this folder.");
    EXPECT_EQ(readFile(docs / "a.mp4"), "video");
    EXPECT_EQ(readFile(docs / "b.mp4"), "video");
    EXPECT_EQ(store(), before);
}

TEST_F(FileOperationsTest, AnEmptyArtistKeepsTheArtistAndATypedOneReplacesIt)
{
    const RecordPtr clip = record("clip");
    fileRecords(docs, {clip});
    touch("clip.mp4");
    EXPECT_TRUE(renameEntry(model(), ref("clip.mp4"), "renamed", "").done());
    EXPECT_EQ(store(), storeOf({retitled(clip, "renamed")}));
    EXPECT_TRUE(renameEntry(model(), ref("renamed.mp4"), "renamed", "Someone").done());
    EXPECT_EQ(store(), storeOf({retitled(clip, "renamed", "Someone")}));
}

TEST_F(FileOperationsTest, FolderRenameCarriesItsStoreAndNeverMergesIntoAnExistingFolder)
{
    fileRecords(docs / "Trip", {record("day")});
    fs::create_directories(docs / "Taken");
    const std::string tripStore = store(docs / "Trip");

    const Outcome onto = renameEntry(model(), ref("Trip"), "Taken");
    EXPECT_EQ(onto.kind, Outcome::Kind::Failed);
    EXPECT_TRUE(onto.message.empty()) << "a failed folder rename only logs";
    ASSERT_EQ(onto.log.size(), 1u);
    EXPECT_EQ(onto.log[0], "フォルダーのリネームに失敗しました: File exists");
    EXPECT_EQ(store(docs / "Trip"), tripStore);
    EXPECT_FALSE(exists(docs / "Taken" / kStoreFileName));

    const Outcome out = renameEntry(model(), ref("Trip"), "Holiday");
    EXPECT_TRUE(out.done());
    EXPECT_EQ(out.log, std::vector<std::string>{"フォルダーがリネームされました: " + (docs / "Holiday").string()});
    EXPECT_EQ(store(docs / "Holiday"), tripStore);
}

TEST_F(FileOperationsTest, CreateMakesNestedFoldersAndRefusesAnExistingOne)
{
    EXPECT_TRUE(createFolder(model(), "Trips/2024/Alps").done());
    EXPECT_TRUE(fs::is_directory(docs / "Trips" / "2024" / "Alps"));
    EXPECT_TRUE(createFolder(model(), "Trips/2025").done()) << "inside an existing folder is fine";
    const Outcome again = createFolder(model(), "Trips/2024");
    EXPECT_EQ(again.kind, Outcome::Kind::Refused);
    EXPECT_EQ(again.message, kFolderAlreadyExists);
}

TEST_F(FileOperationsTest, CreateNeverFollowsALinkOutOfTheLibrary)
{
    fs::create_directories(scratch / "outside");
    fs::create_directory_symlink(scratch / "outside", docs / "link");
    const Outcome out = createFolder(model(), "link/x");
    EXPECT_EQ(out.kind, Outcome::Kind::Failed);
    EXPECT_FALSE(exists(scratch / "outside" / "x"));
}

TEST_F(FileOperationsTest, NamesThatLeaveTheFolderOrHideTheItemAreRefusedAndNothingChanges)
{
    const std::string escape = "kavio-must-not-exist-" + std::to_string(QRandomGenerator::global()->generate());
    fileRecords(docs, {record("clip")});
    touch("clip.mp4");
    fs::create_directories(docs / "Folder");
    const std::string before = store();
    const std::vector<std::string> bad = {"", ".", "..", ".hidden", std::string("a\0b", 3), "../" + escape, "a/../../" + escape,
                                          "/tmp/" + escape, "a//b", "a/"};
    for (const std::string& name : bad) {
        SCOPED_TRACE(name);
        const Outcome created = createFolder(model(), name);
        EXPECT_EQ(created.kind, Outcome::Kind::Refused);
        EXPECT_FALSE(created.message.empty());
        for (const std::string& entry : {std::string("clip.mp4"), std::string("Folder")}) {
            const Outcome renamed = renameEntry(model(), ref(entry), name);
            EXPECT_EQ(renamed.kind, Outcome::Kind::Refused) << entry;
            EXPECT_FALSE(renamed.message.empty());
        }
    }
    for (const std::string& withSlash : {std::string("a/b"), std::string("../x")}) {
        EXPECT_EQ(renameEntry(model(), ref("clip.mp4"), withSlash).message, "A name cannot contain \"/\".");
    }
    EXPECT_EQ(renameEntry(model(), ref("clip.mp4"), "").message, "No characters entered.");
    EXPECT_EQ(createFolder(model(), kStoreFileName).kind, Outcome::Kind::Refused) << "a folder would block the store";
    EXPECT_EQ(renameEntry(model(), ref("Folder"), kStoreFileName).kind, Outcome::Kind::Refused);
    EXPECT_FALSE(exists(scratch / escape));
    EXPECT_FALSE(exists(fs::path("/tmp") / escape));
    EXPECT_EQ(store(), before);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(docs))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Folder", kStoreFileName, "clip.mp4"}));
}

TEST_F(FileOperationsTest, AnActionOpenedBeforeAReloadActsOnItsOwnRecordOrNothing)
{
    const RecordPtr b = record("b");
    fileRecords(docs, {record("c"), b});
    touch("b.mp4");
    touch("c.mp4");
    const EntryRef heldB = ref("b.mp4");
    const EntryRef heldC = ref("c.mp4");

    // Elsewhere: a record filed before b (positions shift) and c renamed away.
    fileRecords(docs, {record("a")});
    touch("a.mp4");
    ASSERT_TRUE(renameEntry(model(), ref("c.mp4"), "z").done());

    EXPECT_TRUE(renameEntry(model(), heldB, "b2").done());
    const FolderModel& now = model();
    ASSERT_TRUE(now.recordIndexForKey("kKVb"));
    EXPECT_EQ((*now.save_items())[*now.recordIndexForKey("kKVb")]->FILENAME, "b2");
    EXPECT_EQ((*now.save_items())[*now.recordIndexForKey("kKVa")]->FILENAME, "a");

    const std::string before = store();
    for (const Outcome& stale : {renameEntry(model(), heldC, "y"), Outcome(removeEntry(model(), heldC))}) {
        EXPECT_EQ(stale.kind, Outcome::Kind::Refused);
        EXPECT_EQ(stale.message, "\"c.mp4\" changed before the action ran, so nothing was done.");
    }
    EXPECT_EQ(store(), before);
    EXPECT_TRUE(exists(docs / "z.mp4"));
}

TEST_F(FileOperationsTest, AVideoCopiedInByHandGetsARecordWhenRenamedOrGivenAThumbnail)
{
    touch("by hand.mp4");
    const Outcome renamed = renameEntry(model(), ref("by hand.mp4"), "Named", "Me");
    ASSERT_TRUE(renamed.done()) << renamed.message;
    ASSERT_TRUE(renamed.record);
    EXPECT_EQ(renamed.record->FILENAME, "Named");
    EXPECT_EQ(renamed.record->EXTENSION, "mp4");
    EXPECT_EQ(renamed.record->ARTIST, "Me");
    EXPECT_EQ(renamed.record->urlLink, "");
    EXPECT_EQ(renamed.record->KEY->size(), 17u);
    EXPECT_TRUE(renamed.record->KEY->starts_with("kKV"));
    EXPECT_TRUE(exists(docs / "Named.mp4"));

    touch("other.MOV");
    writeFile(scratch / "small.png", picture(64, 48, false));
    const Outcome thumbnail = changeThumbnail(model(), ref("other.MOV"), scratch / "small.png");
    ASSERT_TRUE(thumbnail.done()) << thumbnail.message;
    EXPECT_EQ(thumbnail.record->EXTENSION, "MOV");
    EXPECT_NE(thumbnail.record->KEY, renamed.record->KEY);
    const FolderModel& now = model();
    EXPECT_EQ(now.save_items()->size(), 2u);
    EXPECT_EQ((*now.save_items())[*now.recordIndexForBaseName("other")]->imgData->view(), readFile(scratch / "small.png"));
}

TEST_F(FileOperationsTest, ThumbnailsAreCheckedAndBoundedBeforeTheyAreStored)
{
    const RecordPtr clip = record("clip");
    fileRecords(docs, {clip});
    touch("clip.mp4");
    const std::string before = store();

    writeFile(scratch / "notes.jpg", "this is not a picture");
    const Outcome refused = changeThumbnail(model(), ref("clip.mp4"), scratch / "notes.jpg");
    EXPECT_EQ(refused.kind, Outcome::Kind::Refused);
    EXPECT_EQ(refused.message, "\"notes.jpg\" is not a picture Kavio can read.");
    EXPECT_EQ(store(), before);

    const std::string small = picture(300, 200, false, "JPEG");
    writeFile(scratch / "small.jpg", small);
    ASSERT_TRUE(changeThumbnail(model(), ref("clip.mp4"), scratch / "small.jpg").done());
    EXPECT_EQ(model().save_items()->front()->imgData->view(), small) << "kept byte for byte";

    const std::string big = picture(2400, 1600, true);
    ASSERT_GT(big.size(), std::size_t{1} << 20);
    writeFile(scratch / "camera.png", big);
    ASSERT_TRUE(changeThumbnail(model(), ref("clip.mp4"), scratch / "camera.png").done());
    const QImage stored = QImage::fromData(QByteArray::fromStdString(std::string(model().save_items()->front()->imgData->view())), "PNG");
    EXPECT_EQ(stored.width(), 1024);
    EXPECT_NEAR(stored.height(), 683, 1) << "the aspect ratio is kept";
}

} // namespace
} // namespace kavio::phone::test
