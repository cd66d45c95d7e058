// Following a folder on disk: changes made by anyone arrive, bursts arrive once.

#include "platform/base/FolderWatcher.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/mount.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace kavio::platform {
namespace {

namespace fs = std::filesystem;

class FolderWatcherTest : public ::testing::Test {
protected:
    void write(const fs::path& path, const char* bytes) { std::ofstream(path) << bytes; }
    // Waits for the next change, then past the quiet time again: what else followed.
    int changesAfter(QSignalSpy& spy)
    {
        const qsizetype before = spy.size();
        // One that never comes shows as a count that did not grow.
        static_cast<void>(QTest::qWaitFor([&] { return spy.size() > before; }, 5000));
        QTest::qWait(static_cast<int>(FolderWatcher::kQuietTime.count()) * 3);
        return static_cast<int>(spy.size());
    }

    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    const fs::path store = folder / "KavioSave.plist";
};

TEST_F(FolderWatcherTest, ABurstOfNewFilesArrivesAsOneChange)
{
    FolderWatcher watcher(folder, store, nullptr);
    QSignalSpy spy(&watcher, &FolderWatcher::changed);
    for (int i = 0; i < 50; ++i)
        write(folder / ("clip" + std::to_string(i) + ".mp4"), "");
    const int changes = changesAfter(spy);
    EXPECT_GE(changes, 1);
    EXPECT_LE(changes, 2) << "a loaded machine may split the burst once, never per file";
}

TEST_F(FolderWatcherTest, TheStoreRewrittenInPlaceOrReplacedIsSeenEveryTime)
{
    write(store, "one");
    FolderWatcher watcher(folder, store, nullptr);
    QSignalSpy spy(&watcher, &FolderWatcher::changed);
    write(store, "two"); // in place: only the file's own watch sees it
    EXPECT_EQ(changesAfter(spy), 1);
    write(folder / ".tmp", "three");
    fs::rename(folder / ".tmp", store); // as an atomic save replaces it
    EXPECT_EQ(changesAfter(spy), 2);
    write(store, "four"); // the new file is watched too
    EXPECT_EQ(changesAfter(spy), 3);
}

// A Documents folder on a USB stick: not there at start, pulled out, put back.
TEST_F(FolderWatcherTest, AMissingFolderIsWaitedForAndFollowedOnceItAppears)
{
    const fs::path stick = folder / "media" / "STICK";
    const fs::path documents = stick / "Kavio";
    FolderWatcher watcher(documents, documents / "KavioSave.plist", nullptr);
    QSignalSpy spy(&watcher, &FolderWatcher::changed);
    fs::create_directories(folder / "media" / "other");
    QTest::qWait(static_cast<int>(FolderWatcher::kQuietTime.count()) * 3);
    EXPECT_EQ(spy.size(), 0) << "a change above that does not bring the folder is no news";
    fs::create_directories(documents);
    EXPECT_EQ(changesAfter(spy), 1);
    write(documents / "clip.mp4", "");
    EXPECT_EQ(changesAfter(spy), 2) << "followed from then on";

    fs::remove_all(stick);
    EXPECT_EQ(changesAfter(spy), 3) << "pulled out";
    fs::create_directories(documents);
    EXPECT_EQ(changesAfter(spy), 4) << "put back";
    write(documents / "KavioSave.plist", "store"); // a store created later is watched from then on
    EXPECT_EQ(changesAfter(spy), 5);
    write(documents / "KavioSave.plist", "rewritten");
    EXPECT_EQ(changesAfter(spy), 6);
}

// Mounting changes no folder the watcher could see: the mount table tells it.
TEST_F(FolderWatcherTest, AStickMountedOverAnEmptyMountPointIsSeen)
{
    const fs::path stick = folder / "stick";      // what the stick holds
    const fs::path mountPoint = folder / "media"; // always there, empty until mounted
    fs::create_directories(stick / "Kavio");
    fs::create_directories(mountPoint);
    FolderWatcher watcher(mountPoint / "Kavio", mountPoint / "Kavio" / "KavioSave.plist", nullptr);
    QSignalSpy spy(&watcher, &FolderWatcher::changed);
    if (::mount(stick.c_str(), mountPoint.c_str(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "mounting needs privileges this run does not have (errno " << errno << ")";
    EXPECT_EQ(changesAfter(spy), 1);
    write(mountPoint / "Kavio" / "clip.mp4", "");
    EXPECT_EQ(changesAfter(spy), 2) << "the mounted folder is watched, not the one beneath";
    ASSERT_EQ(::umount(mountPoint.c_str()), 0);
    EXPECT_EQ(changesAfter(spy), 3) << "pulled out";
}

} // namespace
} // namespace kavio::platform
