// One change of a folder at a time, across processes, and changes that survive their
// writer dying at any point: a killed writer's intent is finished by the next load or
// change, or shown as finished while another writer holds the folder; what killed writers
// left is removed at the next change, never while its maker still holds it.

#include "support/HeldLock.h"
#include "support/TestSupport.h"

#include "library/AtomicFile.h"
#include "library/FileCopy.h"
#include "library/FolderChange.h"
#include "library/FolderModel.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

namespace kavio {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::readFile;
using test::writeFile;

bool present(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

class FolderChangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clearStoreCache();
        fs::create_directories(docs);
    }

    // Runs a change in another process that dies (as a SIGKILL stops it) just before or
    // just after its file step.
    enum class DiesAt { BeforeStep, AfterStep };
    void changeThatDies(const std::function<void(FolderChange&)>& edit, const std::function<void()>& step, DiesAt at)
    {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FolderModel model(docs);
            Result<FolderChange> change = FolderChange::begin(model, 0ms);
            if (!change)
                ::_exit(2);
            edit(*change);
            (void)change->commit([&] {
                if (at == DiesAt::BeforeStep)
                    ::_exit(9);
                step();
                ::_exit(9);
                return Status::ok();
            });
            ::_exit(3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 9) << "the change never reached its step";
    }

    // The files the records name after the next load, as a new process makes it.
    std::vector<std::string> load()
    {
        clearStoreCache();
        FolderModel model(docs);
        model.reloadContent();
        std::vector<std::string> out;
        for (const RecordPtr& r : *model.save_items())
            out.push_back(r->FILENAME.value_or("") + "." + r->EXTENSION.value_or(""));
        return out;
    }

    test::ScratchFolder scratch;
    const fs::path docs = scratch / "Documents";
};

MovieInfo retitled(const RecordPtr& r, const std::string& title)
{
    MovieInfo copy = *r;
    copy.FILENAME = title;
    return copy;
}

// Each row: a change killed after its file step is finished by the next load (and shown
// finished while another writer holds the folder); killed before it, it never happened.
// Either way no video is without its record and no record names a file that is gone.
TEST_F(FolderChangeTest, AChangeKilledBeforeOrAfterItsFileStepEndsUndoneOrFinished)
{
    struct Row {
        const char* name;
        std::function<void(FolderChange&)> edit;
        std::function<void()> step;
        std::vector<std::string> undone, finished; // the records' files after the next load
    };
    const RecordPtr a = test::record("a"), b = test::record("b"), c = test::record("c");
    auto rename = [&](FolderChange& change) { change.saveMovieModules(retitled(a, "renamed")); };
    auto link = [&](FolderChange& change) { change.saveMovieModules(*test::record("live")); };
    auto removeTwo = [&](FolderChange& change) {
        for (const RecordPtr& r : {a, b, c})
            change.removeRecord(*r);
    };
    const std::vector<Row> rows = {
        {"rename", rename, [&] { fs::rename(docs / "a.mp4", docs / "renamed.mp4"); }, {"a.mp4", "b.mp4", "c.mp4"},
         {"renamed.mp4", "b.mp4", "c.mp4"}},
        {"link", link, [&] { writeFile(docs / "live.mp4", ""); }, {"a.mp4", "b.mp4", "c.mp4"},
         {"a.mp4", "b.mp4", "c.mp4", "live.mp4"}},
        {"two of three removed", removeTwo,
         [&] {
             fs::remove(docs / "a.mp4");
             fs::remove(docs / "c.mp4");
         },
         {"a.mp4", "b.mp4", "c.mp4"}, {"b.mp4"}},
    };
    for (const Row& row : rows) {
        for (DiesAt at : {DiesAt::BeforeStep, DiesAt::AfterStep}) {
            SCOPED_TRACE(std::string(row.name) +
                         (at == DiesAt::BeforeStep ? ", killed before the step" : ", killed after it"));
            fs::remove_all(docs);
            test::fileRecords(docs, {a, b, c});
            for (const char* name : {"a.mp4", "b.mp4", "c.mp4"})
                writeFile(docs / name, name);
            changeThatDies(row.edit, row.step, at);
            const std::string before = readFile(docs / kStoreFileName);
            const std::vector<std::string> expected = at == DiesAt::BeforeStep ? row.undone : row.finished;
            {
                test::HeldLock writer(docs);
                ASSERT_TRUE(writer.held());
                EXPECT_EQ(load(), expected) << "shown as it ends while another writer holds the folder, without waiting";
                EXPECT_EQ(readFile(docs / kStoreFileName), before) << "a reader writes nothing while the folder is held";
                EXPECT_TRUE(present(docs / kIntentFileName)) << "written before the step";
            }
            EXPECT_EQ(load(), expected);
            EXPECT_FALSE(present(docs / kIntentFileName)) << "finished by the load";
            EXPECT_EQ(load(), expected) << "written, not only shown";
        }
    }
}

TEST_F(FolderChangeTest, AnIntentCutShortIsDroppedAndTheStoreKept)
{
    test::fileRecords(docs, {test::record("a")});
    const std::string before = readFile(docs / kStoreFileName);
    writeFile(docs / kIntentFileName, std::string("bplist00\0\0\0", 11)); // the power went while it was written
    FolderModel model(docs);
    ASSERT_TRUE(FolderChange::begin(model, 0ms));
    EXPECT_FALSE(present(docs / kIntentFileName));
    EXPECT_EQ(readFile(docs / kStoreFileName), before);
}

// A reader never waiting is the killed changes' case above.
TEST_F(FolderChangeTest, AWriterWaitsForTheFolderThenIsBusy)
{
    test::fileRecords(docs, {test::record("a")});
    FolderModel model(docs);
    {
        test::HeldLock other(docs);
        ASSERT_TRUE(other.held());
        for (auto wait : {0ms, 200ms}) {
            const Result<FolderChange> change = FolderChange::begin(model, wait);
            ASSERT_FALSE(change);
            EXPECT_EQ(change.status().code(), Status::Code::Busy);
        }
    }
    Result<FolderChange> first = FolderChange::begin(model, 0ms);
    ASSERT_TRUE(first);
    FolderModel second(docs); // another window of this process is another writer too
    EXPECT_EQ(FolderChange::begin(second, 0ms).status().code(), Status::Code::Busy);
}

// A file named like a leftover may be its maker's: kept while the maker holds it (a store
// temporary: while another writer holds the folder), and never touched by a load.
TEST_F(FolderChangeTest, LeftoversGoAtTheNextChangeButNeverWhileTheirMakerHoldsThem)
{
    test::fileRecords(docs, {test::record("a")});
    const fs::path copy = docs / ".kavio-copy-Ab12Cd", exported = docs / ".kavio-export-Ef34Gh";
    const fs::path store = docs / (temporaryPrefix(docs / kStoreFileName) + "Ij56Kl");
    writeFile(copy, "half a copy");
    fs::create_directories(exported);
    writeFile(exported / "clip.mp4", "half a video");
    writeFile(docs / ".hidden", "someone's own");
    writeFile(store, "half a store");
    {
        test::HeldLock writer(docs);
        ASSERT_TRUE(writer.held());
        tidyFolder(docs);
        EXPECT_TRUE(present(store));
    }
    EXPECT_EQ(load(), std::vector<std::string>{"a.mp4"});
    EXPECT_TRUE(present(store)) << "a load is no writer";
    FolderModel model(docs);
    {
        test::HeldLock copying(copy, LOCK_SH);
        test::HeldLock exporting(exported, LOCK_SH);
        ASSERT_TRUE(copying.held() && exporting.held());
        ASSERT_TRUE(FolderChange::begin(model, 0ms));
        EXPECT_TRUE(present(copy)) << "a copy under way";
        EXPECT_TRUE(present(exported / "clip.mp4")) << "an export the editor may still take";
        EXPECT_FALSE(present(store));
    }
    ASSERT_TRUE(FolderChange::begin(model, 0ms));
    EXPECT_FALSE(present(copy));
    EXPECT_FALSE(present(exported));
    EXPECT_TRUE(present(docs / ".hidden"));
}

TEST_F(FolderChangeTest, AStagedCopyIsHeldUntilPlacedAndGoesWithItsObject)
{
    writeFile(scratch / "source.mp4", "movie");
    FolderModel model(docs);
    fs::path staging;
    {
        Result<StagedCopy> staged = stageCopy(scratch / "source.mp4", docs / "clip.mp4");
        ASSERT_TRUE(staged) << staged.status().toString();
        staging = staged->path();
        ASSERT_TRUE(FolderChange::begin(model, 0ms));
        EXPECT_TRUE(present(staging)) << "its maker holds it";
        EXPECT_TRUE(listFolder(docs).entries.empty()) << "never in sight";
    }
    EXPECT_FALSE(present(staging));
    Result<StagedCopy> staged = stageCopy(scratch / "source.mp4", docs / "clip.mp4");
    ASSERT_TRUE(staged);
    ASSERT_TRUE(staged->placeAs(docs / "clip.mp4"));
    EXPECT_EQ(readFile(docs / "clip.mp4"), "movie");
    EXPECT_EQ(stageCopy(scratch / "source.mp4", docs / "clip.mp4").status().code(), Status::Code::AlreadyExists);
}

} // namespace
} // namespace kavio
