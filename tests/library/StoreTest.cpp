#include "support/TestSupport.h"

#include "library/FolderChange.h"
#include "library/FolderModel.h"
#include "library/RecordKey.h"
#include "library/Samples.h"
#include "library/SavedVideosStore.h"
#include "library/plist/Codec.h"

#include <gtest/gtest.h>

namespace kavio {
namespace {

namespace fs = std::filesystem;
using test::makeRecord;
using test::readFile;
using test::writeFile;
using Titles = std::vector<std::string>;

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override { clearStoreCache(); }

    fs::path storePath() const { return folder / kStoreFileName; }

    // A model whose store already holds the given records, filed as the editor files them.
    std::unique_ptr<FolderModel> modelWith(const std::vector<MovieInfo>& records)
    {
        auto model = std::make_unique<FolderModel>(folder.path());
        model->loadMp4Files();
        for (const MovieInfo& r : records)
            EXPECT_TRUE(file(*model, r).isOk());
        return model;
    }
    // One change of the folder filing r (replacing the record under its key), or taking it out.
    enum class Edit { File, TakeOut };
    static Status file(FolderModel& model, const MovieInfo& r, Edit edit = Edit::File)
    {
        Result<FolderChange> change = FolderChange::begin(model, std::chrono::milliseconds(0));
        if (!change)
            return change.status();
        if (edit == Edit::File)
            change->saveMovieModules(r);
        else
            change->removeRecord(r);
        return change->commit();
    }
    // The titles a new load of the folder shows.
    Titles titles()
    {
        FolderModel model(folder.path());
        model.loadMp4Files();
        return titles(*model.save_items());
    }
    static Titles titles(const RecordList& list)
    {
        Titles out;
        for (const RecordPtr& r : list)
            out.push_back(r->FILENAME.value_or("<none>"));
        return out;
    }

    test::ScratchFolder folder;
};

TEST_F(StoreTest, NoStoreIsEmptyAndWritableAndLoadOrderIsAscendingKey)
{
    FolderModel empty(folder.path());
    empty.loadMp4Files();
    ASSERT_TRUE(empty.prefsDict());
    EXPECT_TRUE(empty.save_items()->empty());
    EXPECT_FALSE(fs::exists(storePath()));
    modelWith({makeRecord("c", "kKV20240103000000"), makeRecord("a", "kKV20240101000000"), makeRecord("b", "kKV20240102000000")});
    EXPECT_EQ(titles(), (Titles{"a", "b", "c"}));
}

TEST_F(StoreTest, ReloadHandsOutNewObjectsAndOldHoldersKeepTheirs)
{
    auto model = modelWith({makeRecord("a", "kKV20240101000000")});
    std::shared_ptr<RecordList> queue = model->save_items();
    model->loadMp4Files(); // unchanged file: served from the cache, but never shared
    EXPECT_NE(model->save_items()->front(), queue->front());
    model->save_items()->front()->FILENAME = "renamed in memory";
    EXPECT_EQ(queue->front()->FILENAME, "a");

    // A change on disk is seen at the next load; the player's list stays as it was.
    auto other = modelWith({makeRecord("b", "kKV20240102000000")});
    model->loadMp4Files();
    EXPECT_EQ(titles(*model->save_items()), (Titles{"a", "b"}));
    EXPECT_EQ(titles(*queue), (Titles{"a"}));
}

// A rename keeps the key; the load after a save gives what a fresh parse gives, entries
// its readers skip included.
TEST_F(StoreTest, UpdatesAndRemovalsRewriteTheStoreAsAFreshParseReadsIt)
{
    auto model = modelWith({makeRecord("a", "kKV1"), makeRecord("b", "kKV2"), makeRecord("c", "kKV3"), makeRecord("d", "kKV4")});
    StoreDictionary withOddValue = *model->prefsDict();
    withOddValue["kKV5"] = plist::Value::makeString("not an array");
    ASSERT_TRUE(writeStore(storePath(), withOddValue).isOk());
    MovieInfo renamed = *(*model->save_items())[0];
    renamed.FILENAME = "renamed";
    ASSERT_TRUE(file(*model, renamed).isOk());
    const MovieInfo second = *(*model->save_items())[1]; // the change reloads the model's list
    ASSERT_TRUE(file(*model, second, Edit::TakeOut).isOk());
    MovieInfo changed = *(*model->save_items())[1];
    changed.ARTIST = "changed";
    ASSERT_TRUE(file(*model, changed).isOk());

    FolderModel cached(folder.path());
    cached.loadMp4Files(); // from what the save left in memory
    clearStoreCache();
    FolderModel parsed(folder.path());
    parsed.loadMp4Files();
    EXPECT_EQ(titles(*parsed.save_items()), (Titles{"renamed", "c", "d"}));
    EXPECT_TRUE(parsed.prefsDict()->count("kKV1"));
    ASSERT_EQ(cached.save_items()->size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(*(*cached.save_items())[i], *(*parsed.save_items())[i]) << i;
    EXPECT_EQ(cached.skippedRecords(), 1u);
    EXPECT_EQ(parsed.skippedRecords(), 1u);
    EXPECT_EQ(serializeStore(*cached.prefsDict()), serializeStore(*parsed.prefsDict()));
    EXPECT_EQ((*parsed.save_items())[1]->ARTIST, "changed");
}

// A store its readers would refuse is never written: the old file stays, and no temporary.
TEST_F(StoreTest, ARecordPastTheReadersLimitsLeavesTheOldFileAndNoTemporary)
{
    auto model = modelWith({makeRecord("a", "kKV1")});
    const std::string before = readFile(storePath());
    MovieInfo huge = makeRecord("huge", "kKV2");
    huge.imgData = plist::Bytes(std::string(plist::Limits::archive().maxFileSize + 1, 'x'));
    EXPECT_EQ(file(*model, huge).code(), Status::Code::LimitExceeded);
    EXPECT_EQ(readFile(storePath()), before);
    for (const auto& e : fs::directory_iterator(folder.path()))
        EXPECT_EQ(e.path().filename(), kStoreFileName) << "no temporary file left";
}

TEST_F(StoreTest, SameSecondKeysNoLongerOverwrite)
{
    auto model = modelWith({});
    const auto now = std::chrono::system_clock::now();
    int second = 0;
    for (const char* title : {"first", "second", "third"}) {
        const std::string key = model->newRecordKey(now); // the first free second
        EXPECT_EQ(key, recordKeyAt(now + std::chrono::seconds(second++)));
        ASSERT_TRUE(file(*model, makeRecord(title, key)).isOk());
    }
    EXPECT_EQ(titles(), (Titles{"first", "second", "third"}));
}

TEST_F(StoreTest, WritePreservesPermissionsOfTheReplacedFile)
{
    auto model = modelWith({makeRecord("a", "kKV1")});
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(storePath(), mode);
    ASSERT_TRUE(file(*model, *model->save_items()->front()).isOk());
    EXPECT_EQ(fs::status(storePath()).permissions() & fs::perms::all, mode);
}

TEST_F(StoreTest, LookupMatchesBaseNameExactly)
{
    auto model = modelWith({makeRecord("clip", "kKV1", "MOV"), makeRecord("clip.final", "kKV2"), makeRecord("Clip", "kKV3")});
    EXPECT_EQ(model->recordIndexFor({folder / "clip.mp4", "clip.mp4", EntryKind::Video}), 0u);
    EXPECT_EQ(model->recordIndexFor({folder / "clip.final.mp4", "clip.final.mp4", EntryKind::Video}), 1u);
    EXPECT_EQ(model->recordIndexForBaseName("CLIP"), std::nullopt);
    EXPECT_EQ(model->recordFilePath(*(*model->save_items())[0]), folder / "clip.MOV");
}

// Interop with a peer nobody here wrote: Python's plistlib.
TEST_F(StoreTest, StoresCrossToAndFromPlistlib)
{
    if (!test::havePython())
        GTEST_SKIP() << "python3 with plistlib is not available";
    MovieInfo withThumb = makeRecord("Caf\u00e9 at night", "kKV20240101000000");
    withThumb.imgData = plist::Bytes(std::string("\x89PNG\r\n\x1a\n", 8));
    MovieInfo url = makeRecord("Live", "kKV20240102000000");
    url.urlLink = "https://example.com/live.m3u8";
    url.ARTIST.reset();
    modelWith({withThumb, url});
    int code = 0;
    const std::string out = test::run("python3 " + test::peerScript() + " read-store '" + storePath().string() + "'", &code);
    ASSERT_EQ(code, 0) << out;
    for (const char* part : {"\"format\": \"xml\"", "Caf\\u00e9 at night", "\"ARTIST\": null",
                             "\"urlLink\": \"https://example.com/live.m3u8\"",
                             "\"objects\": [\"string:$null\", \"object\", \"string\", \"string\", \"string\", \"data\", "
                             "\"string\", \"string\", \"class:MovieInfo:MovieInfo,NSObject\"]"})
        EXPECT_NE(out.find(part), std::string::npos) << part << "\n" << out;

    test::run("python3 " + test::peerScript() + " write-store '" + storePath().string() + "'", &code);
    ASSERT_EQ(code, 0);
    clearStoreCache();
    FolderModel model(folder.path());
    model.loadMp4Files();
    ASSERT_TRUE(model.prefsDict());
    EXPECT_EQ(titles(*model.save_items()), (Titles{"Alpha", "Beta", "Delta", "Gamma \u00e9t\u00e9 \u2603"}));
    EXPECT_EQ(model.skippedRecords(), 2u);
    const MovieInfo& beta = *(*model.save_items())[1];
    EXPECT_EQ(beta.ARTIST, "same"); // two members sharing one object
    EXPECT_EQ(beta.KEY, "same");
    ASSERT_TRUE(beta.imgData);
    EXPECT_EQ(beta.imgData->view().substr(1, 3), "PNG");
    EXPECT_TRUE((*model.save_items())[3]->playsStream());
}

TEST(FirstRunSamples, InstalledOnceIntoAnEmptyLibraryAndNeverOnTopOfAnExistingOne)
{
    test::ScratchFolder folder;
    const fs::path documents = folder / "Documents", marker = folder / "state" / "samples-installed";
    const std::vector<SampleVideo> samples = {{"Coastal Loop", "Kavio", "video one", "png one"},
                                              {"Night Lights", "Kavio", "video two", "png two"}};
    const auto install = [&] { return installSamplesOnFirstRun(documents, marker, samples).value(); };
    fs::create_directories(documents / "Trips");
    EXPECT_EQ(install(), SamplesOutcome::DocumentsNotEmpty);
    EXPECT_FALSE(fs::exists(documents / kSamplesFolderName));
    fs::remove_all(documents / "Trips");
    EXPECT_EQ(install(), SamplesOutcome::AlreadyOffered);

    fs::remove(marker);
    EXPECT_EQ(install(), SamplesOutcome::Installed);
    FolderModel model(documents / kSamplesFolderName);
    model.reloadContent();
    ASSERT_EQ(model.save_items()->size(), 2u);
    EXPECT_EQ((*model.save_items())[0]->FILENAME, "Coastal Loop"); // keys keep creation order
    EXPECT_EQ((*model.save_items())[1]->imgData->view(), "png two");
    EXPECT_EQ(model.dirCon().size(), 2u);
    // Deleted by the user: not back at the next start.
    fs::remove_all(documents / kSamplesFolderName);
    EXPECT_EQ(install(), SamplesOutcome::AlreadyOffered);
    EXPECT_FALSE(fs::exists(documents / kSamplesFolderName));
}

} // namespace
} // namespace kavio
