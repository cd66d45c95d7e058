#pragma once
// How every screen benchmark starts: offscreen, on no session bus (so nothing reaches a
// running Kavio or the desktop), with animations off.

#include "platform/screens/Application.h"
#include "platform/screens/ViewController.h"

#include <benchmark/benchmark.h>

#include <QSize>

#include <functional>
#include <memory>

namespace kavio::bench {

std::unique_ptr<platform::Application> startOffscreen(int& argc, char** argv);
// Google Benchmark's run of what the program registered; the exit status.
int runBenchmarks(int& argc, char** argv);

enum class StoreCache { Cleared, Kept };
// Times each iteration from a new root, on a fresh window of that size, to its first
// painted picture; with Cleared the store cache is emptied first (a first open).
void timeFirstPaint(benchmark::State& state, QSize size, StoreCache cache,
                    const std::function<std::unique_ptr<platform::ViewController>()>& makeRoot);

} // namespace kavio::bench
