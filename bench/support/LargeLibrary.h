#pragma once
// A large library folder for the benchmarks, made once per name and kept in the temporary
// folder between runs: 10,000 videos and the large store, records for 1,000 of them with
// 30 KB thumbnails that are real pictures to decode.

#include "support/LargeStore.h"

#include <filesystem>
#include <string>

namespace kavio::bench {

// <tmp>/<name>/Big, made when missing.
const std::filesystem::path& largeFolder(const std::string& name);

// Lets queued work (deferred deletion, layout, painting) run.
void settle();

} // namespace kavio::bench
