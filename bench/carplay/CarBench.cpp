// The car screens on a large library, offscreen:
//  - opening a folder of 10,000 videos (records for 1,000, 30 KB thumbnails) the first time
//    and again unchanged, up to the first painted screen of rows;
//  - scrolling it to the end, counting the rows the browser was asked for;
//  - opening the player on a 1,000-entry queue up to its first painted screen.
// Run as  QT_QPA_PLATFORM=offscreen kavio_car_bench

#include "carplay/CRFMController.h"
#include "carplay/KavioController.h"
#include "library/Avatar.h"
#include "library/FolderModel.h"
#include "platform/base/Animated.h"
#include "platform/lists/TableView.h"
#include "platform/screens/Application.h"
#include "platform/screens/Window.h"
#include "platform/testing/FakePlayer.h"
#include "support/LargeLibrary.h"
#include "support/ScreenBench.h"

#include <benchmark/benchmark.h>

namespace {

namespace fs = std::filesystem;
using namespace kavio;

using bench::kVideos;
using bench::settle;

const fs::path& bigFolder()
{
    return bench::largeFolder("kavio-car-bench");
}

// Counts what the table asks for.
class CountingBrowser : public carplay::CRFMController {
public:
    using CRFMController::CRFMController;
    std::unique_ptr<platform::TableViewCell> cellForRow(platform::TableView& t, const platform::IndexPath& p) override
    {
        ++cellsAsked;
        return CRFMController::cellForRow(t, p);
    }
    int cellsAsked = 0;
};

// From a new browser to its first painted screen.
void openFolder(benchmark::State& state, bench::StoreCache cache)
{
    const fs::path folder = bigFolder();
    bench::timeFirstPaint(state, platform::Window::kCarWindowSize, cache, [&] {
        return std::make_unique<carplay::CRFMController>(folder, carplay::CloseButton::Hidden);
    });
}

void BM_OpenFolderFirstTime(benchmark::State& state) { openFolder(state, bench::StoreCache::Cleared); }
BENCHMARK(BM_OpenFolderFirstTime)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenFolderAgainUnchanged(benchmark::State& state) { openFolder(state, bench::StoreCache::Kept); }
BENCHMARK(BM_OpenFolderAgainUnchanged)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ScrollFolderToEnd(benchmark::State& state)
{
    const fs::path folder = bigFolder();
    for (auto _ : state) {
        platform::Window window;
        window.resize(platform::Window::kCarWindowSize);
        auto owned = std::make_unique<CountingBrowser>(folder, carplay::CloseButton::Hidden);
        CountingBrowser* browser = owned.get();
        window.setRootViewController(std::move(owned));
        window.show();
        settle();
        platform::TableView* table = browser->tableView();
        const int visible = static_cast<int>(table->indexPathsForVisibleRows().size());
        int shown = visible;
        browser->cellsAsked = 0; // viewDidAppear's reload is part of opening, not scrolling
        table->reloadData();
        settle();
        // Page by page, as a driver flicking through the list.
        for (int offset = 0; offset < table->contentHeight(); offset += table->viewport()->height()) {
            table->setContentOffset(offset, platform::Animated::No);
            settle();
            shown += visible;
        }
        state.counters["rows"] = kVideos;
        state.counters["visible_rows"] = visible;
        state.counters["rows_asked"] = browser->cellsAsked;
        state.counters["asked_per_shown"] = static_cast<double>(browser->cellsAsked) / shown;
    }
}
BENCHMARK(BM_ScrollFolderToEnd)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_OpenPlayerOn1000Entries(benchmark::State& state)
{
    const fs::path folder = bigFolder();
    FolderModel model(folder);
    model.loadMp4Files();
    platform::FakePlayerFactory players;
    for (auto _ : state) {
        state.PauseTiming();
        platform::Window window;
        window.resize(platform::Window::kCarWindowSize);
        window.setRootViewController(std::make_unique<platform::ViewController>());
        window.show();
        settle();
        state.ResumeTiming();
        carplay::PlayQueue::Opening opening;
        opening.DOC_PATH = folder;
        opening.videoPath = folder / "Video 0.mp4";
        opening.infos = model.save_items();
        opening.currentIndex = 500;
        auto player = std::make_unique<carplay::KavioController>();
        player->setOpening(std::move(opening));
        window.rootViewController()->present(std::move(player), platform::Animated::No);
        settle();
        benchmark::DoNotOptimize(window.grab());
        state.PauseTiming();
        window.rootViewController()->dismiss(platform::Animated::No);
        settle();
        state.ResumeTiming();
    }
    state.counters["entries"] = static_cast<double>(model.save_items()->size());
}
BENCHMARK(BM_OpenPlayerOn1000Entries)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    const auto app = bench::startOffscreen(argc, argv);
    return bench::runBenchmarks(argc, argv);
}
