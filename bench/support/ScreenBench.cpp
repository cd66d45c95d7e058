#include "support/ScreenBench.h"

#include "platform/base/Animated.h"

#include <benchmark/benchmark.h>

namespace kavio::bench {

std::unique_ptr<platform::Application> startOffscreen(int& argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
    auto app = std::make_unique<platform::Application>(argc, argv);
    platform::setAnimationsEnabled(false);
    return app;
}

int runBenchmarks(int& argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace kavio::bench
