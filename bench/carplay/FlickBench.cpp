// A finger flicking through the car's 10,000-video folder (records with 30 KB thumbnails
// for every tenth), offscreen at the car display's size. Each frame is what the main
// thread does for one step of a flick's momentum: move the list (rows leaving and
// entering, their texts and thumbnails), paint the window, run what was queued. At 60
// frames a second on a small board, a frame must stay under 8 ms.
// Run as  QT_QPA_PLATFORM=offscreen kavio_flick_bench

#include "carplay/CRFMController.h"
#include "library/Avatar.h"
#include "platform/base/Animated.h"
#include "platform/lists/Flick.h"
#include "platform/lists/TableView.h"
#include "platform/screens/Application.h"
#include "platform/screens/Window.h"
#include "support/LargeLibrary.h"
#include "support/ScreenBench.h"

#include <QElapsedTimer>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace kavio;

constexpr double kFrameMs = 1000.0 / 60.0;
constexpr int kFlicks = 12;

// Counts the rows that come on screen.
class CountingBrowser : public carplay::CRFMController {
public:
    using CRFMController::CRFMController;
    void willDisplayCell(platform::TableView& t, platform::TableViewCell& c, const platform::IndexPath& p) override
    {
        ++rowsEntered;
        CRFMController::willDisplayCell(t, c, p);
    }
    long rowsEntered = 0;
};

// The car display with the browser on the large folder, shown and settled.
struct Screen {
    Screen()
    {
        const fs::path folder = bench::largeFolder("kavio-car-bench");
        Avatar::shared().setDocumentsDirectory(folder.parent_path());
        window.resize(platform::Window::kCarWindowSize);
        auto owned = std::make_unique<CountingBrowser>(folder, carplay::CloseButton::Hidden);
        browser = owned.get();
        window.setRootViewController(std::move(owned));
        window.show();
        bench::settle();
        browser->rowsEntered = 0;
    }

    // One frame: the list moved to y, the window painted, what was queued run.
    void frame(int y)
    {
        QElapsedTimer timer;
        timer.start();
        browser->tableView()->verticalScrollBar()->setValue(y);
        window.repaint();
        bench::settle();
        frames.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }

    void report(benchmark::State& state)
    {
        std::sort(frames.begin(), frames.end());
        const auto at = [&](double share) { return frames[static_cast<std::size_t>(share * static_cast<double>(frames.size() - 1))]; };
        double total = 0;
        for (double f : frames)
            total += f;
        const auto count = static_cast<double>(frames.size());
        state.counters["frames"] = count;
        state.counters["rows_travelled"] = browser->tableView()->contentOffset() / double(carplay::CRFMController::kRowHeight);
        state.counters["rows_per_frame"] = static_cast<double>(browser->rowsEntered) / count;
        state.counters["mean_ms"] = total / count;
        state.counters["p99_ms"] = at(0.99);
        state.counters["max_ms"] = frames.back();
        state.counters["over_8ms"] = static_cast<double>(std::count_if(frames.begin(), frames.end(), [](double f) { return f > 8.0; }));
    }

    platform::Window window;
    CountingBrowser* browser = nullptr;
    std::vector<double> frames;
};

// Flicks one after the other down the folder, each from where the last came to rest;
// range(0) is the finger's speed in points a second.
void BM_FlickThroughFolder(benchmark::State& state)
{
    const double speed = static_cast<double>(state.range(0));
    for (auto _ : state) {
        Screen screen;
        for (int flick = 0; flick < kFlicks; ++flick) {
            const platform::FlickMotion motion(screen.browser->tableView()->contentOffset(), speed);
            for (double ms = kFrameMs; ms < motion.duration() + kFrameMs; ms += kFrameMs)
                screen.frame(static_cast<int>(std::lround(motion.positionAt(std::min(ms, motion.duration())))));
        }
        screen.report(state);
    }
}
BENCHMARK(BM_FlickThroughFolder)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond)->Iterations(1);

// The worst a flick asks: the fastest finger's speed held, about two rows entering each
// frame, from the top to the end of the folder.
void BM_ScrollWholeFolderAtTopSpeed(benchmark::State& state)
{
    for (auto _ : state) {
        Screen screen;
        const int step = static_cast<int>(platform::VelocityTracker::kMaximumSpeed * kFrameMs / 1000.0);
        const int end = screen.browser->tableView()->verticalScrollBar()->maximum();
        for (int y = step; y < end + step; y += step)
            screen.frame(std::min(y, end));
        screen.report(state);
    }
}
BENCHMARK(BM_ScrollWholeFolderAtTopSpeed)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    const auto app = bench::startOffscreen(argc, argv);
    return bench::runBenchmarks(argc, argv);
}
