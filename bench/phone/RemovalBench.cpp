// "Deleting Videos" on a folder of 1,000 videos with records, and Undo, in the phone
// window on a real disk, printing figures: how long each takes, the longest the main
// thread went without running its event loop meanwhile (the work runs off it), and
// whether every file and record came back.
// Run as  kavio_removal_bench [SCRATCH_DIR]   (default: the system's temporary folder;
// a new folder made inside it holds the library, the trash and Kavio's state, on one volume).

#include "library/FolderModel.h"
#include "library/SavedVideosStore.h"
#include "library/archive/MovieInfo.h"
#include "library/plist/Value.h"
#include "phone/IPFMController.h"
#include "platform/lists/TableView.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/Window.h"
#include "support/LargeLibrary.h"
#include "support/ScreenBench.h"
#include "support/Scratch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>

namespace {

namespace fs = std::filesystem;
using namespace kavio;
using Clock = std::chrono::steady_clock;

constexpr int kVideos = 1000;

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void makeFolder(const fs::path& folder)
{
    fs::create_directories(folder);
    StoreDictionary dict;
    for (int i = 0; i < kVideos; ++i) {
        const std::string title = "Video " + std::to_string(i);
        std::ofstream(folder / (title + ".mp4")) << "video bytes " << i;
        MovieInfo r;
        r.FILENAME = title;
        r.ARTIST = "Artist";
        r.EXTENSION = "mp4";
        r.KEY = "kKV" + std::to_string(i);
        dict[*r.KEY] = plist::Value::makeData(plist::Bytes(encodeMovieInfo(r)));
    }
    if (Status s = writeStore(folder / kStoreFileName, dict); !s)
        std::fprintf(stderr, "store not written: %s\n", s.toString().c_str());
}

struct Run {
    double seconds = 0;
    qint64 longestStall = 0;
    qint64 stallEndedAt = 0; // ms after the start
};

// Starts the work, then runs the event loop until done() holds, watching its gaps.
Run watch(const std::function<void()>& start, const std::function<bool()>& done)
{
    QElapsedTimer gap, since;
    qint64 longest = 0, endedAt = 0;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (const qint64 g = gap.restart(); g > longest) {
            longest = g;
            endedAt = since.elapsed();
        }
    });
    since.start();
    const auto began = Clock::now();
    gap.start();
    probe.start();
    start();
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    probe.stop();
    return {std::chrono::duration<double>(Clock::now() - began).count(), std::max(longest, gap.elapsed()), endedAt};
}

} // namespace

int main(int argc, char** argv)
{
    const auto app = bench::startOffscreen(argc, argv);
    const fs::path scratch = bench::newScratchFolder(argc, argv, "kavio-removal-bench");
    ::setenv("XDG_DATA_HOME", (scratch / "data").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (scratch / "state").c_str(), 1);
    const fs::path folder = scratch / "Documents";
    makeFolder(folder);
    const std::string storeBefore = readAll(folder / kStoreFileName);

    platform::Window window;
    auto root = std::make_unique<phone::IPFMController>(folder);
    phone::IPFMController* browser = root.get();
    window.setRootViewController(std::make_unique<platform::NavigationController>(std::move(root)));
    window.resize(390, 800);
    window.show();
    bench::settle();
    auto rows = [&] { return browser->tableView()->numberOfRowsInSection(0); };

    const Run removal = watch([&] { browser->deletingVideos(); }, [&] { return rows() == 0; });
    const Run undo = watch([&] { browser->undoLastRemoval(); }, [&] { return rows() == kVideos; });

    // What the window does on the main thread when the work is done, for comparison.
    QElapsedTimer reload;
    reload.start();
    browser->reloadContent();
    const qint64 reloadMs = reload.elapsed();

    std::size_t back = 0;
    for (int i = 0; i < kVideos; ++i)
        back += fs::exists(folder / ("Video " + std::to_string(i) + ".mp4")) ? 1 : 0;
    std::printf("\"Deleting Videos\" on %d videos with records, then Undo (%s)\n", kVideos, folder.c_str());
    std::printf("  to the trash: %.2f s; longest main-thread stall %lld ms, ending %lld ms in (target < 50 ms)\n",
                removal.seconds, static_cast<long long>(removal.longestStall), static_cast<long long>(removal.stallEndedAt));
    std::printf("  undo:         %.2f s; longest main-thread stall %lld ms, ending %lld ms in (target < 50 ms)\n", undo.seconds,
                static_cast<long long>(undo.longestStall), static_cast<long long>(undo.stallEndedAt));
    std::printf("  one reload of the %d-row folder on the main thread (done once at the end): %lld ms\n", kVideos,
                static_cast<long long>(reloadMs));
    std::printf("  back: %zu of %d files; store %s\n", back, kVideos,
                readAll(folder / kStoreFileName) == storeBefore ? "byte-identical" : "DIFFERS");
    fs::remove_all(scratch);
    return 0;
}
