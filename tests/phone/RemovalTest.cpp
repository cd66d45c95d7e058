// Removals and their undoing on a real folder and a real trash: what goes, what comes back
// with its record, what stays and says why, and what the desktop's trash puts back.

#include "support/ScopedEnv.h"
#include "support/TestSupport.h"

#include "library/FolderModel.h"
#include "library/RemovedRecords.h"
#include "phone/FileOperations.h"

#include <gtest/gtest.h>

#include <map>

namespace kavio::phone::test {
namespace {

namespace fs = std::filesystem;
using kavio::test::fileRecords;
using kavio::test::readFile;
using kavio::test::record;
using kavio::test::writeFile;

class RemovalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(docs);
        fs::create_directories(scratch / "home");
    }

    FolderModel& model()
    {
        model_ = std::make_unique<FolderModel>(docs);
        model_->reloadContent();
        return *model_;
    }
    EntryRef ref(const std::string& name)
    {
        std::optional<EntryRef> found = entryRefNamed(model(), name);
        EXPECT_TRUE(found) << name;
        return found.value_or(EntryRef{name, EntryKind::Video, std::nullopt});
    }
    // Three videos with records (one a stream), a folder with its own, a file without one.
    void library()
    {
        fileRecords(docs, {record("Beach Day"), record("Concert", "mov"), record("Live", "mp4", "https://example.com/live.m3u8")});
        writeFile(docs / "Beach Day.mp4", "beach");
        writeFile(docs / "Concert.mov", "concert");
        writeFile(docs / "Live.mp4", "");
        writeFile(docs / "copied in.m4v", "by hand");
        fileRecords(docs / "Trip", {record("Day 1")});
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
    std::map<std::string, MovieInfo> recordsByFile()
    {
        std::map<std::string, MovieInfo> byFile;
        for (const RecordPtr& r : *model().save_items())
            byFile[r->FILENAME.value_or("") + "." + r->EXTENSION.value_or("")] = *r;
        return byFile;
    }
    void emptyTheTrash() const { fs::remove_all(scratch / "data" / "Trash"); }

    kavio::test::ScratchFolder scratch;
    const kavio::test::ScopedEnv home{{"HOME", (scratch / "home").string()},
                                      {"XDG_DATA_HOME", (scratch / "data").string()},
                                      {"XDG_STATE_HOME", (scratch / "state").string()}};
    const fs::path docs = scratch / "Documents";

private:
    std::unique_ptr<FolderModel> model_;
};

TEST_F(RemovalTest, EachRemovalPutBackRestoresItsFilesAndRecordsExactly)
{
    library();
    const auto before = snapshot();
    std::vector<Removal> removals;
    for (const char* name : {"Beach Day.mp4", "Concert.mov", "Live.mp4", "Trip", "copied in.m4v"}) {
        const RemovalOutcome out = removeEntry(model(), ref(name));
        ASSERT_TRUE(out.done()) << out.message;
        EXPECT_TRUE(out.untrashable.empty());
        ASSERT_EQ(out.removal.items.size(), 1u);
        EXPECT_FALSE(fs::exists(docs / name));
        removals.push_back(out.removal);
    }
    EXPECT_TRUE(recordsByFile().empty());
    for (auto it = removals.rbegin(); it != removals.rend(); ++it) {
        const Outcome back = restoreRemoval(model(), *it);
        EXPECT_TRUE(back.done()) << back.message;
    }
    EXPECT_EQ(snapshot(), before) << "every file, record, thumbnail and stream address as it was";
    EXPECT_EQ(fs::directory_iterator(scratch / "state" / "Kavio" / "removed"), fs::directory_iterator())
        << "records put back are no longer kept";
}

TEST_F(RemovalTest, DeletingVideosPutBackRestoresTheWholeFolderInOneGo)
{
    library();
    const auto before = snapshot();
    std::vector<std::pair<std::size_t, std::size_t>> progress;
    const RemovalOutcome out = emptyFolder(model(), {}, Disposal::ToTrash, [&](std::size_t settled, std::size_t total) {
        progress.emplace_back(settled, total);
        return true;
    });
    ASSERT_TRUE(out.done()) << out.message;
    EXPECT_EQ(removalNotice(out.removal), "4 videos and 1 folder moved to the trash");
    EXPECT_EQ(fs::directory_iterator(docs), fs::directory_iterator()) << "the store went last";
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), std::make_pair(std::size_t(5), std::size_t(5)));

    const Outcome back = restoreRemoval(model(), out.removal);
    EXPECT_TRUE(back.done()) << back.message;
    EXPECT_EQ(restoredNotice(out.removal), "4 videos and 1 folder put back");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(RemovalTest, PuttingBackWhatTheTrashNoLongerHoldsSaysSoAndChangesNothing)
{
    library();
    const RemovalOutcome out = removeEntry(model(), ref("Beach Day.mp4"));
    ASSERT_TRUE(out.done());
    emptyTheTrash();
    const auto after = snapshot();
    const Outcome back = restoreRemoval(model(), out.removal);
    EXPECT_EQ(back.kind, Outcome::Kind::Refused);
    EXPECT_EQ(back.message, "\"Beach Day.mp4\" is no longer in the trash, so nothing was put back.");
    EXPECT_EQ(snapshot(), after);
}

TEST_F(RemovalTest, ANameTakenMeanwhileKeepsThatOneInTheTrashAndPutsBackTheRest)
{
    library();
    const RemovalOutcome out = emptyFolder(model());
    ASSERT_TRUE(out.done()) << out.message;
    writeFile(docs / "Concert.mov", "a new concert");
    const Outcome back = restoreRemoval(model(), out.removal);
    EXPECT_EQ(back.kind, Outcome::Kind::Failed);
    EXPECT_EQ(back.message, "\"Concert.mov\" already exists in this folder; the one in the trash stays there.");
    EXPECT_EQ(readFile(docs / "Concert.mov"), "a new concert");
    EXPECT_EQ(readFile(docs / "Beach Day.mp4"), "beach");
    const auto records = recordsByFile();
    ASSERT_TRUE(records.contains("Live.mp4"));
    EXPECT_EQ(records.at("Live.mp4").urlLink, "https://example.com/live.m3u8");
}

TEST_F(RemovalTest, AVideoTheDesktopsTrashPutsBackGetsItsRecordAtTheNextLoad)
{
    library();
    const MovieInfo beach = recordsByFile().at("Beach Day.mp4");
    ASSERT_TRUE(removeEntry(model(), ref("Beach Day.mp4")).done());
    int code = -1;
    kavio::test::run("echo 0 | trash-restore '" + (docs / "Beach Day.mp4").string() + "' >/dev/null 2>&1", &code);
    ASSERT_EQ(code, 0) << "trash-cli put it back";
    ASSERT_EQ(readFile(docs / "Beach Day.mp4"), "beach");

    const auto records = recordsByFile();
    ASSERT_TRUE(records.contains("Beach Day.mp4"));
    EXPECT_EQ(records.at("Beach Day.mp4"), beach) << "title, artist, thumbnail and key as before";
    FolderModel reread(docs);
    reread.loadMp4Files();
    EXPECT_EQ(reread.save_items()->size(), 3u) << "filed in the store, not only shown";

    // A file of the same name that is not the one removed gets no record.
    ASSERT_TRUE(removeEntry(model(), ref("Concert.mov")).done());
    writeFile(docs / "Concert.mov", "another concert");
    EXPECT_FALSE(recordsByFile().contains("Concert.mov"));
}

TEST_F(RemovalTest, WhatNoTrashTakesStaysNamedAndIsErasedOnlyOnPurpose)
{
    library();
    // The trash lives inside this folder: moving the folder into its own trash is refused.
    const kavio::test::ScopedEnv trashInside{{"XDG_DATA_HOME", (docs / "Trip" / "data").string()}};
    const auto before = snapshot();
    const RemovalOutcome out = removeEntry(model(), ref("Trip"));
    EXPECT_EQ(out.kind, Outcome::Kind::Failed);
    ASSERT_EQ(out.untrashable.size(), 1u);
    EXPECT_EQ(out.untrashable.front().entry.name, "Trip");
    EXPECT_NE(out.message.find("\"Trip\" was not moved to the trash: it holds the trash itself"), std::string::npos)
        << out.message;
    EXPECT_TRUE(out.removal.empty());
    EXPECT_EQ(snapshot(), before);

    const RemovalOutcome erased = erasePermanently(model(), {out.untrashable.front().entry, ref("Beach Day.mp4")});
    EXPECT_TRUE(erased.done()) << erased.message;
    EXPECT_FALSE(fs::exists(docs / "Trip"));
    EXPECT_FALSE(fs::exists(docs / "Beach Day.mp4"));
    EXPECT_FALSE(recordsByFile().contains("Beach Day.mp4")) << "its record went with it";
    EXPECT_TRUE(recordsByFile().contains("Concert.mov"));
}

TEST_F(RemovalTest, TheLatestRemovalOfANameIsFoundWithItsRecord)
{
    library();
    ASSERT_TRUE(removeEntry(model(), ref("Live.mp4")).done());
    const Removal latest = latestRemovalOf(model(), "Live.mp4");
    ASSERT_EQ(latest.items.size(), 1u);
    ASSERT_TRUE(latest.items.front().record);
    EXPECT_EQ(latest.items.front().record->urlLink, "https://example.com/live.m3u8");
    EXPECT_TRUE(latestRemovalOf(model(), "Concert.mov").empty());
}

TEST_F(RemovalTest, TheNoticeNamesOneItemByItsTitleAndCountsMany)
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

} // namespace
} // namespace kavio::phone::test
