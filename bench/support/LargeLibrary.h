#pragma once
// A large library folder for the benchmarks, made once per name and kept in the temporary
// folder between runs: 10,000 videos, records for 1,000 of them with 30 KB thumbnails.

#include <filesystem>
#include <string>

namespace kavio::bench {

inline constexpr int kVideos = 10000;
inline constexpr int kRecords = 1000;

// <tmp>/<name>/Big, made when missing.
const std::filesystem::path& largeFolder(const std::string& name);

// Lets queued work (deferred deletion, layout, painting) run.
void settle();

} // namespace kavio::bench
