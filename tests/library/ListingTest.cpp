#include "support/TestSupport.h"

#include "library/FolderModel.h"
#include "library/ListingOrder.h"
#include "library/RowContent.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

namespace kavio {
namespace {

namespace fs = std::filesystem;
using test::writeFile;

class ListingTest : public ::testing::Test {
protected:
    const FolderEntry* entryNamed(const Listing& listing, const std::string& name) const
    {
        for (const FolderEntry& e : listing.entries) {
            if (e.name == name)
                return &e;
        }
        return nullptr;
    }

    test::ScratchFolder folder;
};

// One rule for both browsers: the extension, in any case, contains mp4, mov or m4v.
TEST_F(ListingTest, VideoTestTable)
{
    const std::vector<std::string> listed = {"clip.M4V", "clip.MOV", "clip.MP4", "clip.final.Mov", // sorted
                                             "clip.m4v", "clip.mov", "clip.mp4", "clip.mp4v"};
    for (const std::string& name : listed)
        writeFile(folder / name, "");
    for (const char* name : {"clip.mp4.txt", "clip", "KavioSave.plist", ".hidden.mp4", "mp4"})
        writeFile(folder / name, "");
    std::vector<std::string> names;
    for (const FolderEntry& e : listFolder(folder.path()).entries)
        names.push_back(e.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, listed);
}

TEST_F(ListingTest, EverythingThatIsNotARegularFileIsAFolder)
{
    fs::create_directory(folder / "clip.mp4");       // a folder named like a video
    fs::create_directory(folder / "Holidays");
    fs::create_directory(folder / ".hidden-folder");
    fs::create_symlink(folder / "nowhere", folder / "dangling");
    ::mkfifo((folder / "pipe.txt").c_str(), 0600);
    writeFile(folder / "real.mov", "x");
    fs::create_symlink(folder / "real.mov", folder / "link.mov");

    Listing listing = listFolder(folder.path());
    EXPECT_TRUE(listing.folderExists);
    EXPECT_EQ(listing.entries.size(), 6u);
    for (const char* name : {"clip.mp4", "Holidays", "dangling", "pipe.txt"})
        EXPECT_EQ(entryNamed(listing, name)->kind, EntryKind::Folder) << name;
    EXPECT_EQ(entryNamed(listing, "real.mov")->kind, EntryKind::Video);
    EXPECT_EQ(entryNamed(listing, "link.mov")->kind, EntryKind::Video);
}

TEST_F(ListingTest, MissingOrUnreadableFolderGivesEmptyList)
{
    Listing missing = listFolder(folder / "gone");
    EXPECT_FALSE(missing.folderExists);
    EXPECT_TRUE(missing.entries.empty());

    fs::create_directory(folder / "locked");
    writeFile(folder / "locked" / "a.mp4", "");
    fs::permissions(folder / "locked", fs::perms::none);
    Listing locked = listFolder(folder / "locked");
    EXPECT_TRUE(locked.folderExists);
    if (::access((folder / "locked").c_str(), R_OK) != 0) {
        EXPECT_TRUE(locked.entries.empty());
    }
}

TEST_F(ListingTest, OrderIsTheDirectorysAndStableAcrossLoads)
{
    for (int i = 0; i < 50; ++i)
        writeFile(folder / ("v" + std::to_string(i) + ".mp4"), "");
    FolderModel model(folder.path());
    std::vector<std::string> loads[2];
    for (auto& names : loads) {
        model.reloadContent();
        for (const FolderEntry& e : model.dirCon())
            names.push_back(e.name);
    }
    EXPECT_EQ(loads[0], loads[1]);
    EXPECT_EQ(model.title(), QString::fromStdString(folder.path().filename().string()));
}

class RowContentTest : public ::testing::Test {
protected:
    RowContent rowFor(const std::string& name, const RecordList& records)
    {
        FolderModel model(folder.path());
        model.loadContent();
        for (const FolderEntry& e : model.dirCon()) {
            if (e.name == name)
                return rowContent(e, records);
        }
        ADD_FAILURE() << name << " not listed";
        return {};
    }

    static RecordList records(std::initializer_list<MovieInfo> list)
    {
        RecordList out;
        for (const MovieInfo& r : list)
            out.push_back(std::make_shared<MovieInfo>(r));
        return out;
    }

    test::ScratchFolder folder;
};

TEST_F(RowContentTest, VideoWithRecordShowsTitleArtistThumbnailSize)
{
    writeFile(folder / "clip.mp4", std::string(1500, 'x'));
    MovieInfo r = test::makeRecord("clip", "kKV1");
    r.ARTIST = "";
    r.imgData = plist::Bytes(std::string("not an image"));
    RowContent row = rowFor("clip.mp4", records({r}));
    EXPECT_EQ(row.title, "clip");
    EXPECT_EQ(row.detail, QString()); // empty artist: an empty second line
    EXPECT_EQ(row.image, RowContent::Image::Thumbnail);
    EXPECT_EQ(row.thumbnail.view(), "not an image"); // undecodable: still handed to the view
    EXPECT_EQ(row.sizeText, "2 KB");
    EXPECT_EQ(row.recordIndex, 0u);
}

TEST_F(RowContentTest, VideoWithoutRecordAndFolderNamedLikeAVideoShowFullName)
{
    writeFile(folder / "Holiday.MOV", "");
    fs::create_directory(folder / "clip.mp4");
    const RecordList list = records({test::makeRecord("Other", "kKV1"), test::makeRecord("clip", "kKV2")});
    RowContent video = rowFor("Holiday.MOV", list);
    EXPECT_EQ(video.title, "Holiday.MOV");
    EXPECT_FALSE(video.detail);
    EXPECT_EQ(video.image, RowContent::Image::VideoIcon);
    RowContent sub = rowFor("clip.mp4", list);
    EXPECT_EQ(sub.title, "clip.mp4");
    EXPECT_EQ(sub.image, RowContent::Image::FolderIcon);
    EXPECT_TRUE(sub.disclosure);
    EXPECT_FALSE(sub.recordIndex);
}

TEST_F(RowContentTest, UrlPlaceholderAndVanishedFile)
{
    writeFile(folder / "Live.mp4", "");
    MovieInfo url = test::makeRecord("Live", "kKV1");
    url.urlLink = "https://example.com/live.m3u8";
    const RowContent live = rowFor("Live.mp4", records({url}));
    EXPECT_EQ(live.title, "Live");
    EXPECT_EQ(live.sizeText, "Stream") << "the placeholder's size says nothing of the stream";

    writeFile(folder / "gone.mp4", "x");
    FolderModel model(folder.path());
    model.loadContent();
    fs::remove(folder / "gone.mp4");
    for (const FolderEntry& e : model.dirCon()) {
        if (e.name == "gone.mp4") {
            EXPECT_EQ(rowContent(e, {}).sizeText, "error");
        }
    }
}

class ListingOrderTest : public ::testing::Test {
protected:
    std::vector<QString> shownOrder(const RecordList& list = {})
    {
        FolderModel model(folder.path());
        model.loadMp4Files();
        model.loadContent();
        std::vector<QString> titles;
        for (const FolderEntry& e : model.dirCon())
            titles.push_back(shownTitle(e, list.empty() ? *model.save_items() : list));
        return titles;
    }
    test::ScratchFolder folder;
};

// Folders first, then the shown title by number, ignoring case and accents.
TEST_F(ListingOrderTest, FoldersFirstThenNaturalCaseAndAccentBlindOrder)
{
    for (const char* name : {"Episode 10.mp4", "episode 2.mp4", "Episode 1.mov", "Éclair 3.mp4", "eclair 20.mp4",
                             "zebra.mp4", "Apple.m4v", "b.mp4"})
        writeFile(folder / name, "x");
    for (const char* name : {"Trips 10", "trips 9", "Ärger", "Zoo"})
        fs::create_directory(folder / name);
    EXPECT_EQ(shownOrder(), (std::vector<QString>{"Ärger", "trips 9", "Trips 10", "Zoo", "Apple.m4v", "b.mp4",
                                                  "Éclair 3.mp4", "eclair 20.mp4", "Episode 1.mov", "episode 2.mp4",
                                                  "Episode 10.mp4", "zebra.mp4"}));
}

// Rows sort by what they show: a record's title, not the file name behind it. Equal
// titles fall back on the file's name, so two loads never differ.
TEST_F(ListingOrderTest, RecordTitlesOrderTheirRowsAndTheFileNameBreaksTies)
{
    test::fileRecords(folder.path(), {test::record("Road North"), test::record("Fractal")});
    for (const char* name : {"Road North.mp4", "Fractal.mp4", "Fractal.mov", "ROAD NORTH.mp4", "road north.mp4"})
        writeFile(folder / name, "x");
    FolderModel model(folder.path());
    model.reloadContent();
    std::vector<std::string> names;
    for (const FolderEntry& e : model.dirCon())
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Fractal.mov", "Fractal.mp4", "Road North.mp4", "ROAD NORTH.mp4",
                                               "road north.mp4"}));
}

// A renamed video goes to the row its new title sorts to, the same on every load.
TEST_F(ListingOrderTest, ARenamedVideoKeepsAStableSortedPlace)
{
    for (const char* name : {"a.mp4", "c.mp4", "e.mp4"})
        writeFile(folder / name, "x");
    fs::rename(folder / "e.mp4", folder / "b.mp4");
    const std::vector<QString> expected{"a.mp4", "b.mp4", "c.mp4"};
    for (int load = 0; load < 3; ++load)
        EXPECT_EQ(shownOrder(), expected);
}

} // namespace
} // namespace kavio
