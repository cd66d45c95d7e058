// Reads one property-list file in a fresh process and prints the wall time and the peak
// resident memory, the figures a store load costs when the application starts.

#include "library/plist/Codec.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

namespace {

// VmHWM, not getrusage: ru_maxrss survives exec, so it would report the parent's peak.
double peakRssMb()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    const double before = peakRssMb();
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    const auto r = kavio::plist::readFile(argv[1], kavio::plist::Limits::store());
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
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
    std::printf("seconds %.4f cpu_seconds %.4f peak_rss_mb %.1f baseline_rss_mb %.1f decoded_mb %.1f\n",
                elapsed.count(), cpu, peakRssMb(), before, decoded / 1048576.0);
    return 0;
}
