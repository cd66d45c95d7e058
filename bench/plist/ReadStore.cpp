// Reads one property-list file in a fresh process and prints the wall time and the peak
// resident memory, the figures a store load costs when the application starts.

#include "library/plist/Codec.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>

namespace {

long peakRssKb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const long before = peakRssKb();
    const auto start = std::chrono::steady_clock::now();
    const auto r = kavio::plist::readFile(argv[1], kavio::plist::Limits::store());
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    if (!r) {
        std::fprintf(stderr, "%s\n", r.status().toString().c_str());
        return 1;
    }
    std::size_t decoded = 0;
    if (const auto* d = (*r)->dictionary()) {
        for (const auto& [key, v] : *d) {
            if (const auto* a = v->array(); a && !a->empty() && (*a)[0]->data()) decoded += (*a)[0]->data()->size();
        }
    }
    std::printf("seconds %.4f peak_rss_mb %.1f baseline_rss_mb %.1f decoded_mb %.1f\n", elapsed.count(),
                peakRssKb() / 1024.0, before / 1024.0, decoded / 1048576.0);
    return 0;
}
