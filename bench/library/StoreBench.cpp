// Speed of the library's hot paths on a realistic large folder: a store of 1,000 records
// with 30 KB thumbnails (the large store every store benchmark shares) and a folder of
// 10,000 entries.
//   kavio_library_bench [benchmark flags]   the Google Benchmark runs
//   kavio_library_bench --make-store DIR    writes DIR/KavioSave.plist and prints its size
//   kavio_library_bench --load-once DIR     one cold load; prints seconds and peak RSS

#include "library/FolderListing.h"
#include "library/FolderModel.h"
#include "library/ListingOrder.h"
#include "library/SavedVideosStore.h"
#include "support/LargeStore.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace kavio;

fs::path benchRoot()
{
    static const fs::path root = [] {
        fs::path p = fs::temp_directory_path() / "kavio-library-bench";
        fs::create_directories(p);
        return p;
    }();
    return root;
}

bool writeMakeStore(const fs::path& folder)
{
    const Status written = bench::writeLargeStore(folder);
    if (!written)
        std::fprintf(stderr, "could not write the store: %s\n", written.toString().c_str());
    return written.isOk();
}

const fs::path& storeFolder()
{
    static const fs::path folder = [] {
        fs::path f = benchRoot() / "store";
        if (!fs::exists(f / kStoreFileName))
            static_cast<void>(writeMakeStore(f));
        return f;
    }();
    return folder;
}

const fs::path& bigFolder()
{
    static const fs::path folder = [] {
        fs::path f = benchRoot() / "folder10000";
        if (!fs::exists(f / "v9999.mp4")) {
            fs::create_directories(f);
            for (int i = 0; i < 10000; ++i) {
                if (i % 50 == 0)
                    fs::create_directories(f / ("folder" + std::to_string(i)));
                else
                    std::ofstream(f / ("v" + std::to_string(i) + ".mp4"));
            }
        }
        return f;
    }();
    return folder;
}

void BM_ColdLoadMp4Files(benchmark::State& state)
{
    const fs::path folder = storeFolder();
    for (auto _ : state) {
        clearStoreCache();
        FolderModel model(folder);
        model.loadMp4Files();
        benchmark::DoNotOptimize(model.save_items()->size());
        if (model.save_items()->size() != bench::kRecords)
            state.SkipWithError("wrong record count");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(folder / kStoreFileName)));
}
BENCHMARK(BM_ColdLoadMp4Files)->Unit(benchmark::kMillisecond);

void BM_ReloadUnchangedStore(benchmark::State& state)
{
    FolderModel model(storeFolder());
    model.loadMp4Files();
    for (auto _ : state) {
        model.loadMp4Files();
        benchmark::DoNotOptimize(model.save_items().get());
    }
}
BENCHMARK(BM_ReloadUnchangedStore)->Unit(benchmark::kMillisecond);

void BM_ListFolder10000(benchmark::State& state)
{
    const fs::path folder = bigFolder();
    for (auto _ : state) {
        Listing listing = listFolder(folder);
        if (listing.entries.size() != 10000)
            state.SkipWithError("wrong entry count");
        benchmark::DoNotOptimize(listing.entries.data());
    }
}
BENCHMARK(BM_ListFolder10000)->Unit(benchmark::kMillisecond);

// The folder's order with natural, case- and accent-blind titles: what every load adds to
// the listing, with the 1,000 records of the store giving half the titles.
void BM_SortListing10000(benchmark::State& state)
{
    const Listing listing = listFolder(bigFolder());
    FolderModel store(storeFolder());
    store.loadMp4Files();
    RecordList records = *store.save_items();
    for (std::size_t i = 0; i < records.size(); ++i)
        records[i]->FILENAME = "v" + std::to_string(i * 2 + 1);
    for (auto _ : state) {
        std::vector<FolderEntry> entries = listing.entries;
        sortListing(entries, records);
        benchmark::DoNotOptimize(entries.data());
    }
}
BENCHMARK(BM_SortListing10000)->Unit(benchmark::kMillisecond);

// From /proc: unlike getrusage, the high-water mark starts afresh at exec, so a parent's
// large footprint does not leak into the figure.
long procStatusKiB(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, n, field) == 0)
            return std::strtol(line.c_str() + n + 1, nullptr, 10);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--make-store") == 0) {
        if (!writeMakeStore(argv[2]))
            return 1;
        std::printf("%ju\n", static_cast<std::uintmax_t>(fs::file_size(fs::path(argv[2]) / kStoreFileName)));
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--load-once") == 0) {
        const long before = procStatusKiB("VmRSS");
        const auto start = std::chrono::steady_clock::now();
        FolderModel model(argv[2]);
        model.loadMp4Files();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("{\"records\": %zu, \"seconds\": %.4f, \"rss_before_kib\": %ld, \"peak_rss_kib\": %ld}\n",
                    model.save_items()->size(), seconds, before, procStatusKiB("VmHWM"));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
