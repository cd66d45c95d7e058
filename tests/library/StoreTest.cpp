#include "TestSupport.h"

#include "library/AtomicFile.h"
#include "library/FolderModel.h"
#include "library/RecordKey.h"
#include "library/SavedVideosStore.h"
#include "library/Samples.h"
#include "library/plist/Codec.h"

#include <gtest/gtest.h>

#include <sstream>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace kavio {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

// Lowers RLIMIT_FSIZE for its lifetime; writes beyond it fail with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = saved_;
        lower.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    sighandler_t previous_ = SIG_DFL;
};

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override { clearStoreCache(); }

    fs::path storePath() const { return folder / kStoreFileName; }

    // A model whose store already holds the given records, filed as the editor files them.
    std::unique_ptr<FolderModel> modelWith(const std::vector<MovieInfo>& records)
    {
        auto model = std::make_unique<FolderModel>(folder.path());
        model->loadMp4Files();
        for (const MovieInfo& r : records) {
            model->save_items()->push_back(std::make_shared<MovieInfo>(r));
            EXPECT_TRUE(model->saveMovieModules(*r.KEY).isOk());
        }
        return model;
    }

    static std::vector<std::string> titles(const RecordList& list)
    {
        std::vector<std::string> out;
        for (const RecordPtr& r : list)
            out.push_back(r->FILENAME.value_or("<none>"));
        return out;
    }

    test::ScratchFolder folder;
};

TEST_F(StoreTest, NoStoreFileGivesEmptyWritableState)
{
    FolderModel model(folder.path());
    model.loadMp4Files();
    EXPECT_EQ(model.PLIST_PATH(), storePath());
    ASSERT_TRUE(model.prefsDict());
    EXPECT_TRUE(model.prefsDict()->empty());
    EXPECT_TRUE(model.save_items()->empty());
    EXPECT_FALSE(fs::exists(storePath()));
}

TEST_F(StoreTest, LoadOrderIsAscendingKeyAndArraysInOrder)
{
    modelWith({test::makeRecord("c", "kKV20240103000000"), test::makeRecord("a", "kKV20240101000000"),
               test::makeRecord("b", "kKV20240102000000")});
    FolderModel model(folder.path());
    model.loadMp4Files();
    EXPECT_EQ(titles(*model.save_items()), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(StoreTest, ReloadHandsOutNewObjectsAndOldHoldersKeepTheirs)
{
    auto model = modelWith({test::makeRecord("a", "kKV20240101000000")});
    model->loadMp4Files();
    std::shared_ptr<RecordList> queue = model->save_items();
    std::shared_ptr<StoreDictionary> dict = model->prefsDict();

    model->loadMp4Files(); // unchanged file: served from the cache
    EXPECT_NE(model->save_items(), queue);
    EXPECT_NE(model->save_items()->front(), queue->front());
    EXPECT_NE(model->prefsDict(), dict);
    model->save_items()->front()->FILENAME = "renamed in memory";
    EXPECT_EQ(queue->front()->FILENAME, "a");

    // A change on disk is seen at the next load; the player's list stays as it was.
    auto other = modelWith({test::makeRecord("b", "kKV20240102000000")});
    model->loadMp4Files();
    EXPECT_EQ(titles(*model->save_items()), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(titles(*queue), (std::vector<std::string>{"a"}));
}

TEST_F(StoreTest, UnreadableStoreIsNeverWritten)
{
    writeFile(storePath(), "this is not a property list");
    FolderModel model(folder.path());
    model.loadMp4Files();
    EXPECT_FALSE(model.prefsDict());
    EXPECT_TRUE(model.save_items()->empty());
    EXPECT_FALSE(model.storeStatus().isOk());

    model.save_items()->push_back(std::make_shared<MovieInfo>(test::makeRecord("x", "kKV20240101000000")));
    EXPECT_FALSE(model.saveMovieModules("kKV20240101000000").isOk());
    EXPECT_FALSE(model.updateRecord(0).isOk());
    EXPECT_EQ(readFile(storePath()), "this is not a property list");
}

TEST_F(StoreTest, StoreThatIsNotADictionaryIsUnreadable)
{
    writeFile(storePath(), plist::writeXml(*plist::Value::makeArray({})));
    FolderModel model(folder.path());
    model.loadMp4Files();
    EXPECT_FALSE(model.prefsDict());
}

TEST_F(StoreTest, OneBadArchiveNeverStopsTheOthers)
{
    plist::Dictionary dict;
    dict["kKV1"] = plist::Value::makeArray({plist::Value::makeData(plist::Bytes(encodeMovieInfo(test::makeRecord("good", "kKV1"))))});
    dict["kKV2"] = plist::Value::makeArray({plist::Value::makeData(plist::Bytes(std::string("bplist00garbage")))});
    dict["kKV3"] = plist::Value::makeString("not an array");
    dict["kKV4"] = plist::Value::makeArray({plist::Value::makeString("not data"),
                                            plist::Value::makeData(plist::Bytes(encodeMovieInfo(test::makeRecord("also good", "kKV4"))))});
    ASSERT_TRUE(writeStore(storePath(), dict).isOk());
    StoreLoad load = loadStore(storePath());
    EXPECT_EQ(titles(*load.records), (std::vector<std::string>{"good", "also good"}));
    EXPECT_EQ(load.skipped, 3u);
}

TEST_F(StoreTest, UpdateAndRemoveRewriteTheStore)
{
    auto model = modelWith({test::makeRecord("a", "kKV1"), test::makeRecord("b", "kKV2")});
    model->loadMp4Files();
    (*model->save_items())[0]->FILENAME = "renamed"; // a rename keeps the key
    ASSERT_TRUE(model->updateRecord(0).isOk());
    ASSERT_TRUE(model->removeRecord(1).isOk());

    FolderModel fresh(folder.path());
    fresh.loadMp4Files();
    EXPECT_EQ(titles(*fresh.save_items()), (std::vector<std::string>{"renamed"}));
    EXPECT_EQ(fresh.prefsDict()->size(), 1u);
    EXPECT_TRUE(fresh.prefsDict()->count("kKV1"));
}

TEST_F(StoreTest, SameSecondKeysNoLongerOverwrite)
{
    auto model = modelWith({});
    const auto now = std::chrono::system_clock::now();
    std::vector<std::string> keys;
    for (const char* title : {"first", "second", "third"}) {
        const std::string key = model->newRecordKey(now);
        keys.push_back(key);
        MovieInfo r = test::makeRecord(title, key);
        model->save_items()->push_back(std::make_shared<MovieInfo>(r));
        ASSERT_TRUE(model->saveMovieModules(key).isOk());
    }
    EXPECT_EQ(keys[0], recordKeyAt(now));
    EXPECT_EQ(keys[1], recordKeyAt(now + std::chrono::seconds(1)));
    EXPECT_EQ(keys[2], recordKeyAt(now + std::chrono::seconds(2)));
    model->loadMp4Files();
    EXPECT_EQ(titles(*model->save_items()), (std::vector<std::string>{"first", "second", "third"}));
}

TEST_F(StoreTest, RecordKeyFormat)
{
    const std::string key = recordKeyAt(std::chrono::system_clock::now());
    ASSERT_EQ(key.size(), 17u);
    EXPECT_EQ(key.substr(0, 3), "kKV");
    EXPECT_EQ(key.find_first_not_of("0123456789", 3), std::string::npos);
}

TEST_F(StoreTest, FailedWriteLeavesOldFileAndNoTemporary)
{
    auto model = modelWith({test::makeRecord("a", "kKV1")});
    const std::string before = readFile(storePath());
    model->save_items()->push_back(std::make_shared<MovieInfo>(test::makeRecord("b", "kKV2")));
    {
        // A file-size limit makes the write fail part-way, whoever runs the test.
        FileSizeLimit limit(before.size() + 10);
        EXPECT_FALSE(model->saveMovieModules("kKV2").isOk());
    }
    EXPECT_EQ(readFile(storePath()), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST_F(StoreTest, LeftoverTemporaryIsRemovedAtNextLoad)
{
    modelWith({test::makeRecord("a", "kKV1")});
    const fs::path leftover = folder / (temporaryPrefix(storePath()) + "Ab12Cd");
    writeFile(leftover, "half a store");
    clearStoreCache(); // a new process
    FolderModel model(folder.path());
    model.loadMp4Files();
    EXPECT_FALSE(fs::exists(leftover));
    EXPECT_EQ(model.save_items()->size(), 1u);
}

// While another process saves into the folder (it holds the folder's lock), a file named
// like a leftover may be that save's own: kept, and looked at again at the next load.
TEST_F(StoreTest, TemporaryIsKeptWhileAnotherSaveRunsAndRemovedAfter)
{
    modelWith({test::makeRecord("a", "kKV1")});
    const fs::path temporary = folder / (temporaryPrefix(storePath()) + "Ab12Cd");
    writeFile(temporary, "half a store");
    clearStoreCache();
    const int saving = ::open(folder.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(saving, 0);
    ASSERT_EQ(::flock(saving, LOCK_SH), 0);
    FolderModel model(folder.path());
    model.loadMp4Files();
    EXPECT_TRUE(fs::exists(temporary));
    ::close(saving);
    model.loadMp4Files(); // the store itself is unchanged
    EXPECT_FALSE(fs::exists(temporary));
    EXPECT_EQ(model.save_items()->size(), 1u);
}

TEST_F(StoreTest, WritePreservesPermissionsOfTheReplacedFile)
{
    auto model = modelWith({test::makeRecord("a", "kKV1")});
    fs::permissions(storePath(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(model->updateRecord(0).isOk());
    EXPECT_EQ(fs::status(storePath()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(StoreTest, LookupMatchesBaseNameExactly)
{
    auto model = modelWith({test::makeRecord("clip", "kKV1", "MOV"), test::makeRecord("clip.final", "kKV2"),
                            test::makeRecord("Clip", "kKV3")});
    model->loadMp4Files();
    EXPECT_EQ(model->recordIndexForBaseName("clip"), 0u);
    EXPECT_EQ(model->recordIndexFor({folder / "clip.mp4", "clip.mp4", EntryKind::Video}), 0u);
    EXPECT_EQ(model->recordIndexFor({folder / "clip.final.mp4", "clip.final.mp4", EntryKind::Video}), 1u);
    EXPECT_EQ(model->recordIndexForBaseName("CLIP"), std::nullopt);
    EXPECT_EQ(model->recordFilePath(*(*model->save_items())[0]), folder / "clip.MOV");
}

// Interop with a peer nobody here wrote: Python's plistlib.
class PlistlibInterop : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        if (!test::havePython())
            GTEST_SKIP() << "python3 with plistlib is not available";
    }
};

TEST_F(PlistlibInterop, StoreWrittenHereLoadsInPlistlib)
{
    MovieInfo withThumb = test::makeRecord("Caf\u00e9 at night", "kKV20240101000000");
    withThumb.imgData = plist::Bytes(std::string("\x89PNG\r\n\x1a\n", 8));
    MovieInfo url = test::makeRecord("Live", "kKV20240102000000");
    url.urlLink = "https://example.com/live.m3u8";
    url.ARTIST.reset();
    modelWith({withThumb, url});

    int code = 0;
    const std::string out = test::run("python3 " + test::peerScript() + " read-store '" + storePath().string() + "'", &code);
    ASSERT_EQ(code, 0) << out;
    std::istringstream lines(out);
    std::string header, first, second;
    std::getline(lines, header);
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_NE(header.find("\"format\": \"xml\""), std::string::npos) << header;
    EXPECT_NE(first.find("\"objects\": [\"string:$null\", \"object\", \"string\", \"string\", \"string\", \"data\", "
                         "\"string\", \"string\", \"class:MovieInfo:MovieInfo,NSObject\"]"),
              std::string::npos)
        << first;
    EXPECT_NE(first.find("Caf\\u00e9 at night"), std::string::npos) << first;
    EXPECT_NE(second.find("\"ARTIST\": null"), std::string::npos) << second;
    EXPECT_NE(second.find("\"urlLink\": \"https://example.com/live.m3u8\""), std::string::npos) << second;
}

TEST_F(PlistlibInterop, StoreBuiltByPlistlibLoadsHere)
{
    int code = 0;
    test::run("python3 " + test::peerScript() + " write-store '" + storePath().string() + "'", &code);
    ASSERT_EQ(code, 0);
    FolderModel model(folder.path());
    model.loadMp4Files();
    ASSERT_TRUE(model.prefsDict());
    EXPECT_EQ(titles(*model.save_items()),
              (std::vector<std::string>{"Alpha", "Beta", "Delta", "Gamma \u00e9t\u00e9 \u2603"}));
    EXPECT_EQ(model.skippedRecords(), 2u);

    const MovieInfo& beta = *(*model.save_items())[1];
    EXPECT_EQ(beta.ARTIST, "same");
    EXPECT_EQ(beta.KEY, "same");
    EXPECT_EQ(beta.EXTENSION, "MOV");
    ASSERT_TRUE(beta.imgData);
    EXPECT_EQ(beta.imgData->view().substr(1, 3), "PNG");
    const MovieInfo& gamma = *(*model.save_items())[3];
    EXPECT_TRUE(gamma.playsStream());
    EXPECT_FALSE(gamma.ARTIST);
}

} // namespace
} // namespace kavio

namespace kavio {
namespace {

class FirstRunSamples : public ::testing::Test {
protected:
    std::vector<SampleVideo> samples() const
    {
        return {{"Coastal Loop", "Kavio", "video one", "png one"}, {"Night Lights", "Kavio", "video two", "png two"}};
    }
    std::filesystem::path documents() const { return folder / "Documents"; }
    std::filesystem::path marker() const { return folder / "state" / "samples-installed"; }
    test::ScratchFolder folder;
};

TEST_F(FirstRunSamples, InstalledOnceIntoAnEmptyLibrary)
{
    std::filesystem::create_directories(documents());
    EXPECT_EQ(installSamplesOnFirstRun(documents(), marker(), samples()).value(), SamplesOutcome::Installed);
    FolderModel model(documents() / kSamplesFolderName);
    model.reloadContent();
    ASSERT_EQ(model.save_items()->size(), 2u);
    EXPECT_EQ((*model.save_items())[0]->FILENAME, "Coastal Loop"); // keys keep creation order
    EXPECT_EQ((*model.save_items())[1]->imgData->view(), "png two");
    EXPECT_EQ(model.dirCon().size(), 2u);

    // Deleted by the user: not back at the next start.
    std::filesystem::remove_all(documents() / kSamplesFolderName);
    EXPECT_EQ(installSamplesOnFirstRun(documents(), marker(), samples()).value(), SamplesOutcome::AlreadyOffered);
    EXPECT_FALSE(std::filesystem::exists(documents() / kSamplesFolderName));
}

TEST_F(FirstRunSamples, NeverOnTopOfAnExistingLibrary)
{
    std::filesystem::create_directories(documents() / "Trips");
    EXPECT_EQ(installSamplesOnFirstRun(documents(), marker(), samples()).value(), SamplesOutcome::DocumentsNotEmpty);
    EXPECT_FALSE(std::filesystem::exists(documents() / kSamplesFolderName));
    std::filesystem::remove_all(documents() / "Trips");
    EXPECT_EQ(installSamplesOnFirstRun(documents(), marker(), samples()).value(), SamplesOutcome::AlreadyOffered);
}

} // namespace
} // namespace kavio
