#pragma once
// kavio --screenshots DIR: the car screens rendered offscreen on a sample library, for
// the README and for looking at a change without a display.

#include "library/Status.h"

#include <filesystem>
#include <vector>

namespace kavio::app {

// Writes car-root.png, car-folder.png, player-left.png and player-right.png into dir and
// returns the files written.
Result<std::vector<std::filesystem::path>> renderScreenshots(const std::filesystem::path& dir);

} // namespace kavio::app
