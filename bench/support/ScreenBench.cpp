#include "support/ScreenBench.h"

#include "library/SavedVideosStore.h"
#include "platform/base/Animated.h"
#include "platform/screens/Window.h"
#include "support/LargeLibrary.h"

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

void timeFirstPaint(benchmark::State& state, QSize size, StoreCache cache,
                    const std::function<std::unique_ptr<platform::ViewController>()>& makeRoot)
{
    for (auto _ : state) {
        state.PauseTiming();
        if (cache == StoreCache::Cleared)
            clearStoreCache();
        auto window = std::make_unique<platform::Window>();
        window->resize(size);
        state.ResumeTiming();
        window->setRootViewController(makeRoot());
        window->show();
        settle();
        benchmark::DoNotOptimize(window->grab());
        state.PauseTiming();
        window.reset();
        settle();
        state.ResumeTiming();
    }
}

} // namespace kavio::bench
