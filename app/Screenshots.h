#pragma once
// kavio --screenshots DIR [--size WxH]: the car screens rendered offscreen on a sample
// library, for the README and for looking at a change (or a panel size) without a display.

#include "library/Status.h"

#include <QSize>
#include <QString>

#include <filesystem>
#include <optional>
#include <vector>

namespace kavio::app {

// Writes car-root.png, car-folder.png, player-left.png and player-right.png (the car
// display at carSize) and the phone screens into dir and returns the files written.
Result<std::vector<std::filesystem::path>> renderScreenshots(const std::filesystem::path& dir, QSize carSize);

// "1024x600" as a size; nothing for anything else.
std::optional<QSize> screenSizeFromText(const QString& text);

} // namespace kavio::app
