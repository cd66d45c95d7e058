#pragma once
// How every screen benchmark starts: offscreen, on no session bus (so nothing reaches a
// running Kavio or the desktop), with animations off.

#include "platform/screens/Application.h"

#include <memory>

namespace kavio::bench {

std::unique_ptr<platform::Application> startOffscreen(int& argc, char** argv);
// Google Benchmark's run of what the program registered; the exit status.
int runBenchmarks(int& argc, char** argv);

} // namespace kavio::bench
