#pragma once
// The sample clips and thumbnails compiled into the application.

#include "library/Samples.h"

#include <vector>

namespace kavio::app {

std::vector<SampleVideo> bundledSamples();

} // namespace kavio::app
