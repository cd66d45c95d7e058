// The phone browser on a large library, offscreen:
//  - opening a folder of 10,000 videos (records for 1,000, 30 KB thumbnails) the first time
//    and again unchanged, up to the first painted screen of rows;
//  - a rename in that folder, from the tap on "Rename" to the reloaded list (the store of
//    1,000 records, about 42 MB, written safely each time).
// Run as  kavio_phone_bench  (offscreen by itself); rename_vs_plistlib.py compares the rename
// with Python's plistlib writing the same store.
//   kavio_phone_bench --store-path    makes the folder and prints its store's path

#include "library/FolderModel.h"
#include "phone/IPFMController.h"
#include "platform/base/Animated.h"
#include "platform/modals/AlertController.h"
#include "platform/screens/Application.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/Window.h"
#include "support/LargeLibrary.h"
#include "support/ScreenBench.h"

#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace {

namespace fs = std::filesystem;
using namespace kavio;
using bench::settle;

constexpr QSize kPhoneWindow{390, 844};

const fs::path& bigFolder()
{
    return bench::largeFolder("kavio-phone-bench");
}

std::unique_ptr<platform::ViewController> phoneRoot(const fs::path& folder, phone::IPFMController** browser = nullptr)
{
    auto root = std::make_unique<phone::IPFMController>(folder);
    if (browser)
        *browser = root.get();
    return std::make_unique<platform::NavigationController>(std::move(root));
}

// From a new browser to its first painted screen.
void openFolder(benchmark::State& state, bench::StoreCache cache)
{
    const fs::path folder = bigFolder();
    bench::timeFirstPaint(state, kPhoneWindow, cache, [&] { return phoneRoot(folder); });
}

void BM_PhoneOpenFolderFirstTime(benchmark::State& state) { openFolder(state, bench::StoreCache::Cleared); }
BENCHMARK(BM_PhoneOpenFolderFirstTime)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_PhoneOpenFolderAgainUnchanged(benchmark::State& state) { openFolder(state, bench::StoreCache::Kept); }
BENCHMARK(BM_PhoneOpenFolderAgainUnchanged)->Unit(benchmark::kMillisecond)->Iterations(10);

// The title goes back and forth between two names, so every iteration moves the file,
// rewrites the store and reloads the list.
void BM_RenameToReloadedList(benchmark::State& state)
{
    const fs::path folder = bigFolder();
    phone::IPFMController* browser = nullptr;
    auto window = std::make_unique<platform::Window>();
    window->resize(kPhoneWindow);
    window->setRootViewController(phoneRoot(folder, &browser));
    window->show();
    settle();
    const std::string names[2] = {"Video 0", "Video 0 renamed"};
    int turn = fs::exists(folder / "Video 0.mp4") ? 0 : 1;
    for (auto _ : state) {
        state.PauseTiming();
        const std::optional<phone::EntryRef> ref = phone::entryRefNamed(browser->model(), names[turn] + ".mp4");
        const auto& entries = browser->model().dirCon();
        const auto entry = std::find_if(entries.begin(), entries.end(), [&](const FolderEntry& e) { return e.name == ref->name; });
        browser->RenamecunstomText(*entry);
        settle();
        auto* dialog = dynamic_cast<platform::AlertController*>(window->topViewController());
        dialog->textFields().at(0)->setText(QString::fromStdString(names[1 - turn]));
        state.ResumeTiming();
        dialog->triggerAction(QStringLiteral("Rename"));
        settle();
        state.PauseTiming();
        if (!fs::exists(folder / (names[1 - turn] + ".mp4")))
            state.SkipWithError("the rename did not happen");
        turn = 1 - turn;
        state.ResumeTiming();
    }
    state.counters["store_MB"] = static_cast<double>(fs::file_size(folder / kStoreFileName)) / 1e6;
}
BENCHMARK(BM_RenameToReloadedList)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    const auto app = bench::startOffscreen(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "--store-path") == 0) {
        std::printf("%s\n", (bigFolder() / kStoreFileName).c_str());
        return 0;
    }
    return bench::runBenchmarks(argc, argv);
}
