// Remembering where videos stopped must never stall playback. With 1,000 positions kept,
// this plays one video and saves the positions as the player does (serialised on the main
// thread, written and synced off it), far more often than the player's every 5 seconds,
// while a 1 ms timer on the main thread records the longest gap in its event loop.
// For comparison it also times the same save done entirely on the main thread.
// Run as  kavio_positions_bench [SCRATCH_DIR]   (default: the system's temporary folder).

#include "library/PlaybackPositions.h"
#include "support/Scratch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace kavio;

constexpr int kSaves = 200;
constexpr int kSaveEveryMs = 25;

PlaybackItem video(int i)
{
    PlaybackItem item = PlaybackItem::stream("");
    item.id = "/home/driver/Documents/Holidays " + std::to_string(i / 50) + "/Beach day at the lake, part " +
              std::to_string(i) + ".mp4";
    item.size = 700'000'000u + static_cast<unsigned>(i);
    item.modified = 1'700'000'000'000'000'000LL + i;
    return item;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const fs::path scratch = bench::newScratchFolder(argc, argv, "kavio-positions-bench");
    const fs::path file = scratch / "positions.plist";

    PlaybackPositions positions(file);
    for (int i = 0; i < static_cast<int>(PlaybackPositions::kCapacity); ++i)
        positions.record(video(i), 60 + i, 3600);
    if (Status s = positions.save(); !s) {
        std::fprintf(stderr, "cannot write %s: %s\n", file.c_str(), s.message().c_str());
        return 1;
    }
    std::printf("positions file: %zu entries, %ju bytes\n", positions.size(), static_cast<std::uintmax_t>(fs::file_size(file)));

    // The whole save on the main thread, for comparison.
    std::vector<double> inline_ms;
    for (int i = 0; i < 20; ++i) {
        positions.record(video(7), 100 + i, 3600);
        QElapsedTimer t;
        t.start();
        (void)positions.save();
        inline_ms.push_back(t.nsecsElapsed() / 1e6);
    }

    // As the player does it: copy the positions here, serialise and write off the main
    // thread. The same run without saving gives the machine's own noise.
    std::vector<double> handoff_ms;
    std::vector<double> gaps_ms;
    QElapsedTimer gap;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        gaps_ms.push_back(gap.nsecsElapsed() / 1e6);
        gap.restart();
    });
    QTimer saver;
    saver.setInterval(kSaveEveryMs);
    int ticks = 0;
    bool saving = false;
    double playing = 200;
    QObject::connect(&saver, &QTimer::timeout, [&] {
        QElapsedTimer t;
        t.start();
        playing += 0.5;
        positions.record(video(ticks % 1000), playing, 3600);
        if (saving) {
            saveInBackground(positions.file(), positions.snapshot());
            handoff_ms.push_back(t.nsecsElapsed() / 1e6);
        }
        if (++ticks == kSaves)
            app.quit();
    });
    const auto run = [&] {
        ticks = 0;
        gaps_ms.clear();
        gap.start();
        probe.start();
        saver.start();
        app.exec();
        probe.stop();
        saver.stop();
        waitForBackgroundSaves();
        std::sort(gaps_ms.begin(), gaps_ms.end());
        return std::pair{gaps_ms.back(), gaps_ms[gaps_ms.size() * 999 / 1000]};
    };
    const auto [quietMax, quietP999] = run();
    saving = true;
    const auto [savingMax, savingP999] = run();

    std::printf("save on the main thread (serialise, write, fsync, rename): median %.2f ms, max %.2f ms\n",
                median(inline_ms), *std::max_element(inline_ms.begin(), inline_ms.end()));
    std::printf("main thread's part of a background save: median %.2f ms, max %.2f ms (%d saves, one every %d ms)\n",
                median(handoff_ms), *std::max_element(handoff_ms.begin(), handoff_ms.end()), kSaves, kSaveEveryMs);
    std::printf("main thread's event loop while saving: longest gap %.2f ms, 99.9%% of gaps under %.2f ms "
                "(target: stall < 5 ms; the probe ticks every 1 ms)\n",
                savingMax, savingP999);
    std::printf("the same run without saving (the machine's noise): longest gap %.2f ms, 99.9%% under %.2f ms\n",
                quietMax, quietP999);
    PlaybackPositions reread(file);
    std::printf("file reads back: %s, %zu entries\n", reread.setAside() ? "no" : "yes", reread.size());
    fs::remove_all(scratch);
    return 0;
}
