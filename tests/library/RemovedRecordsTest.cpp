// The records of removed videos: found again only for the same file back at the same
// place, the latest removal first, whatever bytes the name holds; never more than the
// newest thousand.

#include "support/TestSupport.h"

#include "library/RemovedRecords.h"

#include <gtest/gtest.h>

#include <iterator>

namespace kavio {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

class RemovedRecordsTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(lib); }

    // Keeps the record of lib/name as it is on disk now.
    fs::path keep(const std::string& name, const std::string& title)
    {
        const auto identity = RemovedRecords::identityOf(lib / name);
        EXPECT_TRUE(identity) << name;
        MovieInfo record = *test::record(title);
        std::vector<fs::path> files;
        EXPECT_TRUE(kept.remember({{lib / name, identity->first, identity->second, record}}, &files));
        return files.at(0);
    }
    std::vector<std::string> titlesReturning(const std::vector<std::string>& names, const fs::path& folder = {})
    {
        std::vector<std::string> titles;
        for (const KeptRecord& k : kept.returningTo(folder.empty() ? lib : folder, names))
            titles.push_back(k.removed.record.FILENAME.value_or(""));
        return titles;
    }
    std::ptrdiff_t stateFiles() const { return std::distance(fs::directory_iterator(kept.folder()), {}); }

    test::ScratchFolder scratch;
    const fs::path lib = scratch / "lib";
    const RemovedRecords kept{scratch / "state" / "removed"};
};

TEST_F(RemovedRecordsTest, ARecordComesBackOnlyForTheSameFileBackInTheSamePlaceAndTheLatestWins)
{
    enum class Change { None, Size, Time, Name, Folder };
    struct Row {
        const char* guard;
        Change change;
        bool found;
    };
    for (const Row& row : {Row{"same file, same place", Change::None, true}, Row{"other size", Change::Size, false},
                           Row{"other time", Change::Time, false}, Row{"other name", Change::Name, false},
                           Row{"other folder", Change::Folder, false}}) {
        SCOPED_TRACE(row.guard);
        fs::remove_all(lib);
        fs::create_directories(lib / "other");
        writeFile(lib / "clip.mp4", "video");
        const fs::path file = keep("clip.mp4", "Beach Day");
        std::string name = "clip.mp4";
        fs::path folder = lib;
        switch (row.change) {
        case Change::None: break;
        case Change::Size: writeFile(lib / name, "another video"); break;
        case Change::Time: fs::last_write_time(lib / name, fs::last_write_time(lib / name) + std::chrono::seconds(5)); break;
        case Change::Name: fs::rename(lib / name, lib / "other.mp4"), name = "other.mp4"; break;
        case Change::Folder: fs::rename(lib / name, lib / "other" / name), folder = lib / "other"; break;
        }
        EXPECT_EQ(titlesReturning({name}, folder), row.found ? std::vector<std::string>{"Beach Day"} : std::vector<std::string>{});
        kept.forget({file});
    }
    writeFile(lib / "clip.mp4", "video");
    keep("clip.mp4", "First");
    keep("clip.mp4", "Second");
    EXPECT_EQ(titlesReturning({"clip.mp4"}), std::vector<std::string>{"Second"}) << "the latest removal wins";
}

TEST_F(RemovedRecordsTest, NamesInAnyBytesAndFoldersReachedThroughLinksAreFound)
{
    const std::vector<std::string> names = {"caf\xE9.mp4", "two\nlines.mp4", std::string(251, 'n') + ".mp4"};
    for (const std::string& name : names) {
        writeFile(lib / name, name);
        keep(name, "title of " + std::to_string(name.size()));
    }
    fs::create_directory_symlink(lib, scratch / "link to lib");
    std::vector<std::string> titles;
    for (const std::string& name : names)
        titles.push_back("title of " + std::to_string(name.size()));
    EXPECT_EQ(titlesReturning(names, scratch / "link to lib"), titles);
    const auto identity = RemovedRecords::identityOf(lib / names[1]);
    const std::optional<KeptRecord> latest = kept.latestFor(scratch / "link to lib" / names[1], identity->first, identity->second);
    ASSERT_TRUE(latest);
    EXPECT_EQ(latest->removed.path, lib / names[1]);
    EXPECT_TRUE(kept.anyFor(scratch / "link to lib"));
    EXPECT_FALSE(kept.anyFor(scratch.path()));
}

TEST_F(RemovedRecordsTest, OnlyTheNewestThousandAreKept)
{
    writeFile(lib / "clip.mp4", "video");
    const auto identity = RemovedRecords::identityOf(lib / "clip.mp4");
    std::vector<RemovedRecord> many;
    for (std::size_t i = 0; i < RemovedRecords::kCapacity + 5; ++i)
        many.push_back({lib / ("v" + std::to_string(i) + ".mp4"), identity->first, identity->second, *test::record("v" + std::to_string(i))});
    std::vector<fs::path> files;
    ASSERT_TRUE(kept.remember(many, &files));
    EXPECT_EQ(stateFiles(), std::ptrdiff_t(RemovedRecords::kCapacity));
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_TRUE(files[i].empty()) << "the oldest went: " << i;
    EXPECT_FALSE(files[5].empty());
    kept.forget(files);
    EXPECT_EQ(stateFiles(), 0);
}

} // namespace
} // namespace kavio
