#include "support/TestSupport.h"

#include "library/FolderModel.h"
#include "library/ListingOrder.h"
#include "library/RowContent.h"

#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>

namespace kavio {
namespace {

namespace fs = std::filesystem;
using test::writeFile;

class ListingTest : public ::testing::Test {
protected:
    // The folder as a browser loads it.
    std::unique_ptr<FolderModel> load()
    {
        auto model = std::make_unique<FolderModel>(folder.path());
        model->reloadContent();
        return model;
    }
    const FolderEntry* entryNamed(const FolderModel& model, const std::string& name) const
    {
        for (const FolderEntry& e : model.dirCon()) {
            if (e.name == name)
                return &e;
        }
        ADD_FAILURE() << name << " not listed";
        return nullptr;
    }

    test::ScratchFolder folder;
};

// One rule for both browsers: the extension, in any case, contains mp4, mov or m4v; what
// is not a regular file (or a link to one) is a folder.
TEST_F(ListingTest, VideosByTheirExtensionAndEverythingNotARegularFileAsAFolder)
{
    const std::vector<std::string> videos = {"clip.M4V", "clip.MOV", "clip.MP4", "clip.final.Mov",
                                             "clip.m4v", "clip.mov", "clip.mp4v", "link.mov", "real.mov"};
    for (const std::string& name : videos)
        writeFile(folder / name, "x");
    for (const char* name : {"clip.mp4.txt", "clip", "KavioSave.plist", ".hidden.mp4", "mp4"})
        writeFile(folder / name, "");
    fs::remove(folder / "link.mov");
    fs::create_symlink(folder / "real.mov", folder / "link.mov");
    const std::vector<std::string> folders = {"Holidays", "clip.mp4", "dangling", "pipe.txt"}; // one named like a video
    fs::create_directory(folder / "clip.mp4");
    fs::create_directory(folder / "Holidays");
    fs::create_directory(folder / ".hidden-folder");
    fs::create_symlink(folder / "nowhere", folder / "dangling");
    ::mkfifo((folder / "pipe.txt").c_str(), 0600);

    std::map<std::string, EntryKind> listed, expected;
    for (const FolderEntry& e : load()->dirCon())
        listed[e.name] = e.kind;
    for (const std::string& name : videos)
        expected[name] = EntryKind::Video;
    for (const std::string& name : folders)
        expected[name] = EntryKind::Folder;
    EXPECT_EQ(listed, expected);
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

TEST_F(ListingTest, RowsShowTheRecordsTitleArtistThumbnailAndSizeElseTheFullName)
{
    writeFile(folder / "clip.mp4", std::string(1500, 'x'));
    writeFile(folder / "Holiday.MOV", "");
    writeFile(folder / "Live.mp4", "");
    writeFile(folder / "gone.mp4", "x");
    fs::create_directory(folder / "Other.mp4");
    MovieInfo clip = test::makeRecord("clip", "kKV1");
    clip.ARTIST = "";
    clip.imgData = plist::Bytes(std::string("not an image"));
    MovieInfo live = test::makeRecord("Live", "kKV2");
    live.urlLink = "https://example.com/live.m3u8";
    RecordList records;
    for (const MovieInfo& r : {clip, live, test::makeRecord("Other", "kKV3")})
        records.push_back(std::make_shared<MovieInfo>(r));
    auto model = load();
    fs::remove(folder / "gone.mp4");

    const RowContent video = rowContent(*entryNamed(*model, "clip.mp4"), records);
    EXPECT_EQ(video.title, "clip");
    EXPECT_EQ(video.detail, QString()); // empty artist: an empty second line
    EXPECT_EQ(video.image, RowContent::Image::Thumbnail);
    EXPECT_EQ(video.thumbnail.view(), "not an image"); // undecodable: still handed to the view
    EXPECT_EQ(video.sizeText, "2 KB");
    EXPECT_EQ(video.recordIndex, 0u);

    const RowContent bare = rowContent(*entryNamed(*model, "Holiday.MOV"), records);
    EXPECT_EQ(bare.title, "Holiday.MOV");
    EXPECT_FALSE(bare.detail);
    EXPECT_EQ(bare.image, RowContent::Image::VideoIcon);
    const RowContent sub = rowContent(*entryNamed(*model, "Other.mp4"), records); // a folder named like a record's video
    EXPECT_EQ(sub.title, "Other.mp4");
    EXPECT_EQ(sub.image, RowContent::Image::FolderIcon);
    EXPECT_TRUE(sub.disclosure);
    EXPECT_FALSE(sub.recordIndex);

    const RowContent stream = rowContent(*entryNamed(*model, "Live.mp4"), records);
    EXPECT_EQ(stream.title, "Live");
    EXPECT_EQ(stream.sizeText, "Stream") << "the placeholder's size says nothing of the stream";
    EXPECT_EQ(rowContent(*entryNamed(*model, "gone.mp4"), records).sizeText, "error");
}

// Folders first, then the shown title by number, ignoring case and accents; the same on
// every load.
TEST_F(ListingTest, FoldersFirstThenNaturalCaseAndAccentBlindOrder)
{
    for (const char* name : {"Episode 10.mp4", "episode 2.mp4", "Episode 1.mov", "Éclair 3.mp4", "eclair 20.mp4",
                             "zebra.mp4", "Apple.m4v", "e.mp4"})
        writeFile(folder / name, "x");
    fs::rename(folder / "e.mp4", folder / "b.mp4");
    for (const char* name : {"Trips 10", "trips 9", "Ärger", "Zoo"})
        fs::create_directory(folder / name);
    const std::vector<std::string> expected{"Ärger", "trips 9", "Trips 10", "Zoo", "Apple.m4v", "b.mp4",
                                            "Éclair 3.mp4", "eclair 20.mp4", "Episode 1.mov", "episode 2.mp4",
                                            "Episode 10.mp4", "zebra.mp4"};
    for (int pass = 0; pass < 2; ++pass) {
        auto model = load();
        std::vector<std::string> shown;
        for (const FolderEntry& e : model->dirCon())
            shown.push_back(shownTitle(e, *model->save_items()).toStdString());
        EXPECT_EQ(shown, expected);
    }
}

// Rows sort by what they show: a record's title, not the file name behind it. Equal
// titles fall back on the file's name, so two loads never differ.
TEST_F(ListingTest, RecordTitlesOrderTheirRowsAndTheFileNameBreaksTies)
{
    test::fileRecords(folder.path(), {test::record("Road North"), test::record("Fractal")});
    for (const char* name : {"Road North.mp4", "Fractal.mp4", "Fractal.mov", "ROAD NORTH.mp4", "road north.mp4"})
        writeFile(folder / name, "x");
    std::vector<std::string> names;
    for (const FolderEntry& e : load()->dirCon())
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Fractal.mov", "Fractal.mp4", "Road North.mp4", "ROAD NORTH.mp4",
                                               "road north.mp4"}));
}

} // namespace
} // namespace kavio
