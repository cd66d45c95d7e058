#include "TestSupport.h"

#include "library/FolderModel.h"
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
    std::vector<std::string> listedNames() const
    {
        std::vector<std::string> names;
        for (const FolderEntry& e : listFolder(folder.path()).entries)
            names.push_back(e.name);
        std::sort(names.begin(), names.end());
        return names;
    }

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

struct VideoNameRow {
    const char* name;
    bool listed;
};

// One rule for both browsers: the extension, in any case, contains mp4, mov or m4v.
const VideoNameRow kVideoNames[] = {
    {"clip.mp4", true},  {"clip.mov", true},      {"clip.MOV", true},     {"clip.m4v", true},
    {"clip.MP4", true},  {"clip.M4V", true},      {"clip.mp4v", true},    {"clip.mp4.txt", false},
    {"clip", false},     {"KavioSave.plist", false}, {".hidden.mp4", false}, {"mp4", false},
    {"clip.final.Mov", true},
};

TEST_F(ListingTest, VideoTestTable)
{
    for (const VideoNameRow& row : kVideoNames)
        writeFile(folder / row.name, "");
    std::vector<std::string> expected;
    for (const VideoNameRow& row : kVideoNames) {
        if (row.listed)
            expected.push_back(row.name);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listedNames(), expected);
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
    model.reloadContent();
    std::vector<std::string> first;
    for (const FolderEntry& e : model.dirCon())
        first.push_back(e.name);
    model.reloadContent();
    std::vector<std::string> second;
    for (const FolderEntry& e : model.dirCon())
        second.push_back(e.name);
    EXPECT_EQ(first, second);
    EXPECT_EQ(model.title(), QString::fromStdString(folder.path().filename().string()));
}

TEST_F(ListingTest, InvalidUtf8NamesAreListedAndShown)
{
    const std::string name = std::string("bad\xff\xfe name") + ".mp4";
    writeFile(folder / name, "");
    Listing listing = listFolder(folder.path());
    ASSERT_EQ(listing.entries.size(), 1u);
    EXPECT_EQ(listing.entries[0].name, name);
    EXPECT_TRUE(listing.entries[0].displayName().contains(QChar(0xFFFD)));
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
    EXPECT_EQ(row.thumbnail.view(), "not an image");
    EXPECT_EQ(row.sizeText, "2 KB");
    EXPECT_EQ(row.recordIndex, 0u);
    EXPECT_FALSE(row.disclosure);
}

TEST_F(RowContentTest, VideoWithoutRecordShowsFullName)
{
    writeFile(folder / "Holiday.MOV", "");
    RowContent row = rowFor("Holiday.MOV", records({test::makeRecord("Other", "kKV1")}));
    EXPECT_EQ(row.title, "Holiday.MOV");
    EXPECT_FALSE(row.detail);
    EXPECT_EQ(row.image, RowContent::Image::VideoIcon);
    EXPECT_EQ(row.sizeText, "Zero KB");
}

TEST_F(RowContentTest, FolderNamedLikeAVideo)
{
    fs::create_directory(folder / "clip.mp4");
    RowContent row = rowFor("clip.mp4", records({test::makeRecord("clip", "kKV1")}));
    EXPECT_EQ(row.title, "clip.mp4");
    EXPECT_EQ(row.image, RowContent::Image::FolderIcon);
    EXPECT_TRUE(row.disclosure);
    EXPECT_FALSE(row.sizeText);
    EXPECT_FALSE(row.recordIndex);
}

TEST_F(RowContentTest, UrlPlaceholderAndVanishedFile)
{
    writeFile(folder / "Live.mp4", "");
    MovieInfo url = test::makeRecord("Live", "kKV1");
    url.urlLink = "https://example.com/live.m3u8";
    RowContent placeholder = rowFor("Live.mp4", records({url}));
    EXPECT_EQ(placeholder.title, "Live");
    EXPECT_EQ(placeholder.sizeText, "Zero KB");

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

} // namespace
} // namespace kavio
