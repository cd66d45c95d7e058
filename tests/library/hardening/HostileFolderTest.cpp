// Hostile stores and names in a folder: a load never crashes or hangs, shows what it
// can, and never writes over a store it could not read.

#include "support/TestSupport.h"

#include "library/AtomicFile.h"
#include "library/FolderChange.h"
#include "library/FolderModel.h"
#include "library/RowContent.h"
#include "library/plist/Codec.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kavio {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

constexpr char kNewKey[] = "kKV20250101000000";

// What is at a path, without following it: kind, bytes or link target, and mtime.
struct Snapshot {
    fs::file_type type = fs::file_type::none;
    std::string content;
    std::pair<time_t, long> mtime;

    static Snapshot of(const fs::path& p)
    {
        std::error_code ec;
        struct stat st {};
        Snapshot s{fs::symlink_status(p, ec).type(), {}, {}};
        if (::lstat(p.c_str(), &st) == 0)
            s.mtime = {st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
        if (s.type == fs::file_type::symlink)
            s.content = fs::read_symlink(p, ec).string();
        else if (s.type == fs::file_type::regular && st.st_size < (1 << 20))
            s.content = readFile(p);
        return s;
    }
    bool operator==(const Snapshot&) const = default;
};

// Everything a browser does with a folder: store, listing, and every row.
struct Shown {
    std::unique_ptr<FolderModel> model;
    std::vector<RowContent> rows;
};

Shown showFolder(const fs::path& folder)
{
    clearStoreCache();
    Shown shown{std::make_unique<FolderModel>(folder), {}};
    shown.model->reloadContent();
    for (const FolderEntry& e : shown.model->dirCon())
        shown.rows.push_back(rowContent(e, *shown.model->save_items()));
    return shown;
}

// Files a new record, and takes one out, each in one change of the folder as the editor
// does: whether either was saved.
bool anyChangeSaved(FolderModel& model)
{
    for (const bool add : {true, false}) {
        Result<FolderChange> change = FolderChange::begin(model, std::chrono::milliseconds(0));
        if (!change)
            continue;
        if (add)
            change->saveMovieModules(test::makeRecord("new", kNewKey));
        else
            change->removeRecord(test::makeRecord("clip", "kKV1"));
        if (change->commit().isOk())
            return true;
    }
    return false;
}

struct HostileStore {
    const char* name;
    // Puts the hostile thing at store; elsewhere is a folder outside the one shown.
    void (*make)(const fs::path& store, const fs::path& elsewhere);
    friend void PrintTo(const HostileStore& h, std::ostream* os) { *os << h.name; }
};

// Stores a load cannot read. A FIFO, a directory or a huge file in the store's place is
// refused by the codec's file tests, and NonRegularFilesAreNeverOpened checks that a load
// never opens one.
const HostileStore kUnreadableStores[] = {
    {"SymlinkToDevZero", [](const fs::path& store, const fs::path&) { fs::create_symlink("/dev/zero", store); }},
    {"DanglingSymlink", [](const fs::path& store, const fs::path& away) { fs::create_symlink(away / "gone" / kStoreFileName, store); }},
    {"SymlinkLoop", [](const fs::path& store, const fs::path&) {
         fs::create_symlink(store.parent_path() / "loop", store);
         fs::create_symlink(store, store.parent_path() / "loop");
     }},
    {"NotAPropertyList", [](const fs::path& store, const fs::path&) { writeFile(store, std::string(4096, '\xff')); }},
    {"ArrayAtTheRoot", [](const fs::path& store, const fs::path&) { writeFile(store, plist::writeXml(*plist::Value::makeArray({}))); }},
};

class OddFolder : public ::testing::Test {
protected:
    test::ScratchFolder folder;
    test::ScratchFolder elsewhere; // outside the folder shown
};

class HostileFolder : public OddFolder, public ::testing::WithParamInterface<HostileStore> {};

TEST_P(HostileFolder, StoreIsRefusedListingStillShownAndNothingWritten)
{
    writeFile(folder / "clip.mp4", "video");
    fs::create_directory(folder / "Trips");
    const fs::path store = folder / kStoreFileName;
    GetParam().make(store, elsewhere.path());
    const Snapshot before = Snapshot::of(store);

    Shown shown = showFolder(folder.path());
    EXPECT_FALSE(shown.model->prefsDict());
    EXPECT_FALSE(shown.model->storeStatus().isOk());
    EXPECT_TRUE(shown.model->save_items()->empty());
    EXPECT_GE(shown.rows.size(), 2u); // clip.mp4 and Trips
    EXPECT_FALSE(anyChangeSaved(*shown.model));
    EXPECT_TRUE(Snapshot::of(store) == before);
}

INSTANTIATE_TEST_SUITE_P(Stores, HostileFolder, ::testing::ValuesIn(kUnreadableStores),
                         [](const auto& p) { return std::string(p.param.name); });

// Opening a device can act (a watchdog arms, a tape rewinds): a load opens only regular
// files. inotify sees every open of the FIFOs standing in for devices.
TEST_F(OddFolder, NonRegularFilesAreNeverOpened)
{
    const fs::path store = folder / kStoreFileName;
    const fs::path leftover = folder / (temporaryPrefix(store) + "AbCdEf");
    ASSERT_EQ(::mkfifo(store.c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(leftover.c_str(), 0644), 0);
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, store.c_str(), IN_OPEN), 0);
    ASSERT_GE(::inotify_add_watch(watch, leftover.c_str(), IN_OPEN), 0);

    Shown shown = showFolder(folder.path());
    EXPECT_FALSE(shown.model->prefsDict());
    char events[4096];
    EXPECT_LT(::read(watch, events, sizeof events), 0) << "a FIFO was opened";
    ::close(watch);
    EXPECT_TRUE(fs::exists(leftover));
}

// Root reads any file whatever its mode: run the load as nobody in a child process.
TEST_F(OddFolder, StoreNobodyMayReadIsRefusedAndNeverWritten)
{
    test::fileRecords(folder.path(), {test::record("clip")});
    writeFile(folder / "clip.mp4", "video");
    fs::permissions(folder / kStoreFileName, fs::perms::none);
    fs::permissions(folder.path(), fs::perms::all); // nobody may list and rename in it
    const Snapshot before = Snapshot::of(folder / kStoreFileName);

    auto loadAndTryToSave = [&] {
        Shown shown = showFolder(folder.path());
        return !shown.model->prefsDict() && shown.model->storeStatus().code() == Status::Code::IOError &&
               shown.rows.size() == 1 && !anyChangeSaved(*shown.model);
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                                 ::setresuid(65534, 65534, 65534) != 0))
            ::_exit(77);
        ::_exit(loadAndTryToSave() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "running as root and cannot drop to uid 65534 here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the load did not refuse the store";
    EXPECT_TRUE(Snapshot::of(folder / kStoreFileName) == before);
}

TEST_F(OddFolder, InvalidUtf8AndLongestNamesAreListedAndMatchedThroughALinkedStore)
{
    std::string longTitle; // 125 two-byte characters and one byte: 255 bytes with ".mp4"
    for (int i = 0; i < 125; ++i)
        longTitle += "\xC3\xA9";
    longTitle += 'b';
    // A trailing slash makes a folder.
    const std::vector<std::string> names = {
        "\xFF\xFE.mp4", "bad\xC3(.mov", "\xED\xA0\x80surrogate.m4v", "cut\xE2\x82.MP4", "folder\xFF/",
        longTitle + ".mp4", std::string(248, 'c') + "\xE2\x82\xAC.mp4", std::string(255, 'd') + "/",
    };
    for (const std::string& n : names) {
        if (n.back() == '/')
            fs::create_directory(folder / n.substr(0, n.size() - 1));
        else
            writeFile(folder / n, "v");
    }
    // The store a link to a good one elsewhere.
    test::fileRecords(elsewhere.path(), {test::record(longTitle)});
    fs::create_symlink(elsewhere / kStoreFileName, folder / kStoreFileName);

    Shown shown = showFolder(folder.path());
    ASSERT_TRUE(shown.model->prefsDict());
    ASSERT_EQ(shown.rows.size(), names.size());
    std::size_t matched = 0, replaced = 0;
    for (const RowContent& row : shown.rows) {
        EXPECT_FALSE(row.title.isEmpty());
        matched += row.recordIndex.has_value() && row.image == RowContent::Image::Thumbnail;
        replaced += row.title.contains(QChar::ReplacementCharacter);
    }
    EXPECT_EQ(matched, 1u) << "the 255-byte name finds its record";
    EXPECT_EQ(replaced, 5u) << "bytes that are not UTF-8 show as replacement characters";
}

TEST_F(OddFolder, HundredThousandEntriesAreAllShown)
{
    // Hard links to a few hidden files: creating 100,000 inodes takes far longer.
    constexpr int kEntries = 100000;
    constexpr int kLinksPerFile = 50000; // under ext4's 65,000 links per inode
    for (int i = 0; i < kEntries; ++i) {
        char name[32];
        if (i % 100 == 0) {
            std::snprintf(name, sizeof name, "folder%06d", i);
            ASSERT_EQ(::mkdir((folder / name).c_str(), 0755), 0);
            continue;
        }
        const fs::path base = folder / (".base" + std::to_string(i / kLinksPerFile));
        if (!fs::exists(base))
            writeFile(base, "");
        std::snprintf(name, sizeof name, "v%06d.mp4", i);
        ASSERT_EQ(::link(base.c_str(), (folder / name).c_str()), 0) << name;
    }
    test::fileRecords(folder.path(), {test::record("v000001"), test::record("v099999")});
    Shown shown = showFolder(folder.path());
    ASSERT_EQ(shown.rows.size(), std::size_t(kEntries));
    EXPECT_EQ(std::count_if(shown.rows.begin(), shown.rows.end(), [](const RowContent& r) { return r.recordIndex.has_value(); }), 2);
}

} // namespace
} // namespace kavio
