// Delayed work bound to its owner.

#include "UiTestSupport.h"

#include "platform/Dispatch.h"

using namespace std::chrono_literals;

namespace kavio::platform::test {
namespace {

TEST(DispatchAfterTest, RunsOnTheMainThreadWhileTheOwnerLives)
{
    QObject owner;
    bool ran = false;
    dispatchAfter(&owner, 1ms, [&] { ran = true; });
    EXPECT_FALSE(ran) << "never inside the caller's frame";
    EXPECT_TRUE(waitUntil([&] { return ran; }));
}

TEST(DispatchAfterTest, NeverRunsAfterTheOwnerDied)
{
    auto owner = std::make_unique<QObject>();
    QObject sentinel;
    bool ran = false;
    bool sentinelRan = false;
    dispatchAfter(owner.get(), 1ms, [&] { ran = true; });
    dispatchAfter(&sentinel, 20ms, [&] { sentinelRan = true; });
    owner.reset();
    ASSERT_TRUE(waitUntil([&] { return sentinelRan; }));
    EXPECT_FALSE(ran);
}

TEST(DispatchAfterTest, ControllerDismissedBeforeTheDelayGetsNothing)
{
    Log log;
    Window window;
    window.setRootViewController(std::make_unique<RecordingController>("root", log));
    window.show();
    auto vc = std::make_unique<RecordingController>("modal", log);
    RecordingController* modal = vc.get();
    window.rootViewController()->present(std::move(vc), Animated::No);
    bool ran = false;
    QObject sentinel;
    bool sentinelRan = false;
    dispatchAfter(modal, 1ms, [&] { ran = true; });
    dispatchAfter(&sentinel, 20ms, [&] { sentinelRan = true; });
    modal->dismiss(Animated::No);
    flushDeferredDeletes();
    ASSERT_TRUE(waitUntil([&] { return sentinelRan; }));
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace kavio::platform::test
