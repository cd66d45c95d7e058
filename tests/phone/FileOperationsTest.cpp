// The phone's file operations on a real folder and a real trash: what changes on disk, byte
// for byte, what is refused with nothing changed, what removals take and what putting
// back restores, and what the desktop's trash puts back.

#include "FolderTestSupport.h"

#include <QRandomGenerator>

#include <set>

namespace kavio::phone::test {
namespace {

class FileOperationsTest : public FolderTest {
protected:
    void touch(const std::string& name) { writeFile(docs / name, "video"); }
    // Three videos with records (one a stream), a folder with its own, a file without one.
    void library()
    {
        fileRecords(docs, {record("Beach Day"), record("Concert", "mov"), record("Live", "mp4", "https://example.com/live.m3u8")});
        writeFile(docs / "Beach Day.mp4", "beach");
        writeFile(docs / "Concert.mov", "concert");
        writeFile(docs / "Live.mp4", "");
        writeFile(docs / "copied in.m4v", "by hand");
        fileRecords(docs / "Trip", {record("Day 1")});
        fileRecords(docs / "Trip" / "Sub", {record("Night")});
        writeFile(docs / "Trip" / "Day 1.mp4", "day one");
    }
    // Every file under the library with its bytes: what "exactly as before" means.
    std::map<std::string, std::string> snapshot() const
    {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(docs))
            files[e.path().lexically_relative(docs).string()] = e.is_regular_file() ? readFile(e.path()) : "<dir>";
        return files;
    }
};

MovieInfo retitled(const RecordPtr& r, const std::string& title, const std::string& artist)
{
    MovieInfo copy = *r;
    copy.FILENAME = title;
    if (!artist.empty())
        copy.ARTIST = artist;
    return copy;
}

// Each removal takes its entry to the trash and only its own record out of the store (a
// file without one leaves the store byte for byte); putting each back restores all.
TEST_F(FileOperationsTest, EachRemovalTakesOnlyItsOwnRecordAndPuttingBackRestoresAllExactly)
{
    library();
    const auto before = snapshot();
    std::vector<Removal> removals;
    const std::pair<const char*, std::set<std::string>> rows[] = {
        {"Beach Day.mp4", {"Concert.mov", "Live.mp4"}}, {"copied in.m4v", {"Concert.mov", "Live.mp4"}},
        {"Live.mp4", {"Concert.mov"}}, {"Trip", {"Concert.mov"}}, {"Concert.mov", {}}};
    for (const auto& [name, left] : rows) {
        const std::string storeBefore = store();
        const RemovalOutcome out = removeEntry(model(), ref(name));
        ASSERT_TRUE(out.done()) << name << ": " << out.message;
        ASSERT_EQ(out.removal.items.size(), 1u) << name;
        EXPECT_TRUE(trashed(name)) << name;
        std::set<std::string> kept;
        for (const auto& [file, r] : records())
            kept.insert(file);
        EXPECT_EQ(kept, left) << name;
        if (std::string(name) == "copied in.m4v") {
            EXPECT_EQ(store(), storeBefore) << "no record: the store as it was";
        }
        removals.push_back(out.removal);
    }
    for (auto it = removals.rbegin(); it != removals.rend(); ++it) {
        const Outcome back = restoreRemoval(model(), *it);
        EXPECT_TRUE(back.done()) << back.message;
    }
    EXPECT_EQ(snapshot(), before) << "every file, record, thumbnail and stream address as it was";
    EXPECT_EQ(fs::directory_iterator(scratch / "state" / "Kavio" / "removed"), fs::directory_iterator())
        << "records put back are no longer kept";
}

TEST_F(FileOperationsTest, DeletingVideosPutBackRestoresTheWholeFolderInOneGo)
{
    EXPECT_TRUE(emptyFolder(model()).done()) << "an empty folder only refreshes";
    library();
    writeFile(docs / ".hidden", "h");
    const auto before = snapshot();
    std::vector<std::pair<std::size_t, std::size_t>> progress;
    const RemovalOutcome out = emptyFolder(model(), {}, Disposal::ToTrash, [&](std::size_t settled, std::size_t total) {
        progress.emplace_back(settled, total);
        return true;
    });
    ASSERT_TRUE(out.done()) << out.message;
    EXPECT_EQ(removalNotice(out.removal), "4 videos, 1 folder and 1 other item moved to the trash");
    EXPECT_EQ(namesIn(docs), std::vector<std::string>{}) << "the store went last";
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), std::make_pair(std::size_t(6), std::size_t(6)));

    const Outcome back = restoreRemoval(model(), out.removal);
    EXPECT_TRUE(back.done()) << back.message;
    EXPECT_EQ(restoredNotice(out.removal), "4 videos, 1 folder and 1 other item put back");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(FileOperationsTest, PuttingBackWhatTheTrashNoLongerHoldsOrANameTakenMeanwhileSaysSo)
{
    library();
    const RemovalOutcome one = removeEntry(model(), ref("Beach Day.mp4"));
    ASSERT_TRUE(one.done());
    fs::remove_all(scratch / "data" / "Trash");
    auto after = snapshot();
    const Outcome gone = restoreRemoval(model(), one.removal);
    EXPECT_EQ(gone.kind, Outcome::Kind::Refused);
    EXPECT_EQ(gone.message, "\"Beach Day.mp4\" is no longer in the trash, so nothing was put back.");
    EXPECT_EQ(snapshot(), after);

    const RemovalOutcome all = emptyFolder(model());
    ASSERT_TRUE(all.done()) << all.message;
    writeFile(docs / "Concert.mov", "a new concert");
    const Outcome back = restoreRemoval(model(), all.removal);
    EXPECT_EQ(back.kind, Outcome::Kind::Failed);
    EXPECT_EQ(back.message, "\"Concert.mov\" already exists in this folder; the one in the trash stays there.");
    EXPECT_EQ(readFile(docs / "Concert.mov"), "a new concert");
    EXPECT_EQ(readFile(docs / "Trip" / "Day 1.mp4"), "day one");
    EXPECT_EQ(records().at("Live.mp4").urlLink, "https://example.com/live.m3u8");
}

TEST_F(FileOperationsTest, AVideoTheDesktopsTrashPutsBackGetsItsRecordAtTheNextLoad)
{
    library();
    const MovieInfo beach = records().at("Beach Day.mp4");
    ASSERT_TRUE(removeEntry(model(), ref("Beach Day.mp4")).done());
    int code = -1;
    kavio::test::run("echo 0 | trash-restore " + quoted(docs / "Beach Day.mp4") + " >/dev/null 2>&1", &code);
    ASSERT_EQ(code, 0) << "trash-cli put it back";
    ASSERT_EQ(readFile(docs / "Beach Day.mp4"), "beach");
    ASSERT_TRUE(records().contains("Beach Day.mp4"));
    EXPECT_EQ(records().at("Beach Day.mp4"), beach) << "title, artist, thumbnail and key as before";
    EXPECT_EQ(recordsAtNextLoad(docs).size(), 3u) << "filed in the store, not only shown";
    // That a file of the same name which is not the one removed gets no record is
    // RemovedRecordsTest's; kavio-store's restore finds the latest removal (StoreToolTest).
}

TEST_F(FileOperationsTest, WhatNoTrashTakesStaysNamedAndIsErasedOnlyOnPurpose)
{
    library();
    // The trash lives inside this folder: moving the folder into its own trash is refused. How
// the window offers to erase it is PhoneBrowserTest's.
    const kavio::test::ScopedEnv trashInside{{"XDG_DATA_HOME", (docs / "Trip" / "data").string()}};
    const auto before = snapshot();
    const RemovalOutcome out = removeEntry(model(), ref("Trip"));
    EXPECT_EQ(out.kind, Outcome::Kind::Failed);
    ASSERT_EQ(out.untrashable.size(), 1u);
    EXPECT_NE(out.message.find("\"Trip\" was not moved to the trash: it holds the trash itself"), std::string::npos)
        << out.message;
    EXPECT_TRUE(out.removal.empty());
    EXPECT_EQ(snapshot(), before);

    const RemovalOutcome erased = erasePermanently(model(), {out.untrashable.front().entry, ref("Beach Day.mp4")});
    EXPECT_TRUE(erased.done()) << erased.message;
    EXPECT_FALSE(fs::exists(docs / "Trip"));
    EXPECT_FALSE(fs::exists(docs / "Beach Day.mp4"));
    EXPECT_FALSE(records().contains("Beach Day.mp4")) << "its record went with it";
    EXPECT_TRUE(records().contains("Concert.mov"));
}

TEST_F(FileOperationsTest, TheNoticeNamesOneItemByItsTitleAndCountsMany)
{
    auto removal = [](std::vector<std::pair<RemovedItem::Kind, std::string>> items) {
        Removal r;
        for (auto& [kind, name] : items)
            r.items.push_back({name, kind, {}, std::nullopt, {}});
        return r;
    };
    using K = RemovedItem::Kind;
    Removal titled = removal({{K::Video, "clip.mp4"}});
    titled.items.front().record = *record("Beach Day");
    EXPECT_EQ(removalNotice(titled), "\"Beach Day\" moved to the trash");
    EXPECT_EQ(removalNotice(removal({{K::Folder, "Trip\n2"}})), "\"Trip\\n2\" moved to the trash");
    EXPECT_EQ(removalNotice(removal({{K::Video, "a"}, {K::Video, "b"}, {K::Video, "c"}, {K::Folder, "d"}, {K::Store, "s"}})),
              "3 videos and 1 folder moved to the trash");
    EXPECT_EQ(restoredNotice(removal({{K::Folder, "a"}, {K::Folder, "b"}})), "2 folders put back");
}

// The extension never changes; typed after the title, in any case, it is not doubled. An
// empty artist keeps the artist, a typed one replaces it.
TEST_F(FileOperationsTest, RenameKeepsTheKeyAndTheExtensionWhateverIsTyped)
{
    struct Row {
        std::string typed, artist, title, file;
    };
    for (const Row& row : {Row{"holiday", "", "holiday", "holiday.mov"}, Row{"holiday.mov", "", "holiday", "holiday.mov"},
                           Row{"holiday.MOV", "Someone", "holiday", "holiday.mov"},
                           Row{"holiday.mp4", "", "holiday.mp4", "holiday.mp4.mov"}, Row{"clip", "Someone", "clip", "clip.mov"},
                           Row{".mov", "", ".mov", ""}}) {
        SCOPED_TRACE(row.typed);
        fs::remove_all(docs);
        const RecordPtr clip = record("clip", "mov");
        fileRecords(docs, {clip});
        touch("clip.mov");
        const Outcome out = renameEntry(model(), ref("clip.mov"), row.typed, row.artist);
        if (row.file.empty()) { // the extension alone is no title, and a hidden name besides
            EXPECT_EQ(out.kind, Outcome::Kind::Refused);
            EXPECT_TRUE(fs::exists(docs / "clip.mov"));
            continue;
        }
        ASSERT_TRUE(out.done()) << out.message;
        EXPECT_EQ(namesIn(docs), (std::vector<std::string>{kStoreFileName, row.file}));
        EXPECT_EQ(records(), (std::map<std::string, MovieInfo>{{row.file, retitled(clip, row.title, row.artist)}}));
        EXPECT_EQ(out.record->KEY, clip->KEY);
    }
}

TEST_F(FileOperationsTest, RenameOntoATakenTitleChangesNeitherFileNorStore)
{
    fileRecords(docs, {record("a"), record("b")});
    writeFile(docs / "a.mp4", "a");
    touch("b.mp4");
    const std::string before = store();
    const Outcome out = renameEntry(model(), ref("a.mp4"), "b", "new artist");
    EXPECT_EQ(out.kind, Outcome::Kind::Refused);
    EXPECT_EQ(out.message, "\"b.mp4\" already exists in this folder.");
    EXPECT_EQ(readFile(docs / "a.mp4"), "a");
    EXPECT_EQ(store(), before);
}

// A rename onto an existing folder, failing with only a line in the log and nothing changed,
// is StoreToolTest's.
TEST_F(FileOperationsTest, FolderRenameCarriesItsStore)
{
    fileRecords(docs / "Trip", {record("day")});
    const std::string tripStore = store(docs / "Trip");
    const Outcome out = renameEntry(model(), ref("Trip"), "Holiday");
    EXPECT_EQ(out.log, std::vector<std::string>{"フォルダーがリネームされました: " + (docs / "Holiday").string()});
    EXPECT_EQ(store(docs / "Holiday"), tripStore);
}

// An existing folder is refused through the window and kavio-store (PhoneBrowserTest,
// StoreToolTest).
TEST_F(FileOperationsTest, CreateMakesNestedFoldersAlsoInsideAnExistingOneButNeverThroughALinkOut)
{
    EXPECT_TRUE(createFolder(model(), "Trips/2024/Alps").done());
    EXPECT_TRUE(fs::is_directory(docs / "Trips" / "2024" / "Alps"));
    EXPECT_TRUE(createFolder(model(), "Trips/2025").done()) << "inside an existing folder is fine";

    fs::create_directories(scratch / "outside");
    fs::create_directory_symlink(scratch / "outside", docs / "link");
    EXPECT_EQ(createFolder(model(), "link/x").kind, Outcome::Kind::Failed);
    EXPECT_FALSE(fs::exists(scratch / "outside" / "x"));
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
    EXPECT_EQ(createFolder(model(), kStoreFileName).kind, Outcome::Kind::Refused) << "a folder would block the store";
    EXPECT_EQ(renameEntry(model(), ref("Folder"), kStoreFileName).kind, Outcome::Kind::Refused);
    EXPECT_EQ(renameEntry(model(), ref("clip.mp4"), "").message, "No characters entered.");
    EXPECT_FALSE(fs::exists(scratch / escape));
    EXPECT_FALSE(fs::exists(fs::path("/tmp") / escape));
    EXPECT_EQ(store(), before);
    EXPECT_EQ(namesIn(docs), (std::vector<std::string>{"Folder", kStoreFileName, "clip.mp4"}));
}

TEST_F(FileOperationsTest, AVideoCopiedInByHandGetsARecordWhenRenamedOrGivenAThumbnail)
{
    touch("by hand.mp4");
    const Outcome renamed = renameEntry(model(), ref("by hand.mp4"), "Named", "Me");
    ASSERT_TRUE(renamed.done()) << renamed.message;
    touch("other.MOV");
    writeFile(scratch / "small.png", picture(Qt::darkCyan, 64, 48));
    const Outcome thumbnail = changeThumbnail(model(), ref("other.MOV"), scratch / "small.png");
    ASSERT_TRUE(thumbnail.done()) << thumbnail.message;
    EXPECT_NE(thumbnail.record->KEY, renamed.record->KEY);

    const auto byFile = recordsAtNextLoad(docs);
    ASSERT_EQ(byFile.size(), 2u);
    EXPECT_EQ(byFile.at("Named.mp4").ARTIST, "Me");
    EXPECT_EQ(byFile.at("other.MOV").imgData->view(), readFile(scratch / "small.png"));
}

// A file that is no picture is refused, changing nothing, through kavio-store (StoreToolTest).
TEST_F(FileOperationsTest, ThumbnailsAreBoundedBeforeTheyAreStored)
{
    fileRecords(docs, {record("clip")});
    touch("clip.mp4");
    const std::string small = picture(Qt::darkCyan, 300, 200, "JPEG");
    writeFile(scratch / "small.jpg", small);
    ASSERT_TRUE(changeThumbnail(model(), ref("clip.mp4"), scratch / "small.jpg").done());
    EXPECT_EQ(model().save_items()->front()->imgData->view(), small) << "kept byte for byte";

    // Noise does not compress: a big file.
    QImage camera(2400, 1600, QImage::Format_RGB32);
    for (int y = 0; y < camera.height(); ++y)
        for (int x = 0; x < camera.width(); ++x)
            camera.setPixel(x, y, QRandomGenerator::global()->generate());
    ASSERT_TRUE(camera.save(QString::fromStdString((scratch / "camera.png").string())));
    ASSERT_GT(fs::file_size(scratch / "camera.png"), std::uintmax_t{1} << 20);
    ASSERT_TRUE(changeThumbnail(model(), ref("clip.mp4"), scratch / "camera.png").done());
    const QImage stored = QImage::fromData(QByteArray::fromStdString(std::string(model().save_items()->front()->imgData->view())), "PNG");
    EXPECT_EQ(stored.width(), 1024);
    EXPECT_NEAR(stored.height(), 683, 1) << "the aspect ratio is kept";
}

} // namespace
} // namespace kavio::phone::test
