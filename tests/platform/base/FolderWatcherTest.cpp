// Following a folder on disk: changes made by anyone arrive, bursts arrive once.

#include "platform/base/FolderWatcher.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

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
        QTest::qWaitFor([&] { return spy.size() > before; }, 5000);
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

TEST_F(FolderWatcherTest, AStoreCreatedLaterIsWatchedFromThenOn)
{
    FolderWatcher watcher(folder, store, nullptr);
    QSignalSpy spy(&watcher, &FolderWatcher::changed);
    write(store, "first");
    EXPECT_EQ(changesAfter(spy), 1);
    write(store, "second");
    EXPECT_EQ(changesAfter(spy), 2);
}

} // namespace
} // namespace kavio::platform
