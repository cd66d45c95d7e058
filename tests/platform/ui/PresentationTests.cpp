// Presenting and dismissing: order of callbacks, animated transitions, self-dismissal,
// and who owns what when.

#include "UiTestSupport.h"

#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QPointer>
#include <QPushButton>

namespace kavio::platform::test {
namespace {

using ::testing::ElementsAre;

class PresentationTest : public WindowTest {
protected:
    std::function<void()> mark(const char* what)
    {
        return [this, what] { log.push_back(what); };
    }
};

TEST_F(PresentationTest, PresentCallsLifecycleInPlatformOrder)
{
    RecordingController* root = showRoot();
    root->present(make("modal"), Animated::No, mark("completion"));
    EXPECT_THAT(log, ElementsAre("modal.loadView", "modal.viewDidLoad", "root.willDisappear", "modal.willAppear",
                                 "modal.didAppear", "root.didDisappear", "completion"));
}

TEST_F(PresentationTest, DismissCallsLifecycleInPlatformOrder)
{
    RecordingController* root = showRoot();
    presentOver(*root, "modal");
    log.clear();
    root->dismiss(Animated::No, mark("completion"));
    EXPECT_THAT(log, ElementsAre("modal.willDisappear", "root.willAppear", "modal.didDisappear", "root.didAppear",
                                 "completion"));
}

TEST_F(PresentationTest, PresentationLinksBothSides)
{
    RecordingController* root = showRoot();
    RecordingController* modal = presentOver(*root, "modal");
    EXPECT_EQ(root->presentedViewController(), modal);
    EXPECT_EQ(modal->presentingViewController(), root);
    EXPECT_EQ(modal->window(), window.get());
    EXPECT_EQ(window->topViewController(), modal);
}

TEST_F(PresentationTest, PresentedViewCoversTheContentAreaAndHidesThePresenter)
{
    RecordingController* root = showRoot();
    RecordingController* modal = presentOver(*root, "modal");
    EXPECT_EQ(modal->view()->parentWidget(), window->contentView());
    EXPECT_EQ(modal->view()->geometry(), window->contentView()->rect());
    EXPECT_TRUE(modal->view()->isVisible());
    EXPECT_FALSE(root->view()->isVisible());
    window->resize(640, 360);
    EXPECT_EQ(modal->view()->geometry(), window->contentView()->rect());
}

TEST_F(PresentationTest, DismissOnThePresentedForwardsToThePresenter)
{
    RecordingController* root = showRoot();
    RecordingController* modal = presentOver(*root, "modal");
    modal->dismiss(Animated::No);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_TRUE(root->view()->isVisible());
}

TEST_F(PresentationTest, DismissOnAPresenterTakesEverythingAboveIt)
{
    RecordingController* root = showRoot();
    RecordingController* sheet = presentOver(*root, "sheet");
    QPointer<ViewController> alert = presentOver(*sheet, "alert");
    QPointer<ViewController> sheetAlive = sheet;
    log.clear();
    root->dismiss(Animated::No);
    // The covered sheet already disappeared; only the visible alert goes away on screen.
    EXPECT_THAT(log, ElementsAre("alert.willDisappear", "root.willAppear", "alert.didDisappear", "root.didAppear"));
    flushDeferredDeletes();
    EXPECT_TRUE(sheetAlive.isNull());
    EXPECT_TRUE(alert.isNull());
}

TEST_F(PresentationTest, PresentingOverACoveredScreenLandsOnTheTopMost)
{
    RecordingController* root = showRoot();
    RecordingController* sheet = presentOver(*root, "sheet");
    RecordingController* alert = presentOver(*root, "alert");
    EXPECT_EQ(alert->presentingViewController(), sheet);
    EXPECT_EQ(window->topViewController(), alert);
}

TEST_F(PresentationTest, PresentingOutsideAWindowIsRefused)
{
    RecordingController loose("loose", log);
    auto vc = make("modal");
    QPointer<ViewController> modal = vc.get();
    bool completed = false;
    loose.present(std::move(vc), Animated::No, [&] { completed = true; });
    EXPECT_EQ(loose.presentedViewController(), nullptr);
    EXPECT_FALSE(completed);
    flushDeferredDeletes();
    EXPECT_TRUE(modal.isNull());
}

TEST_F(PresentationTest, DismissWithNothingPresentedStillCompletes)
{
    RecordingController* root = showRoot();
    bool completed = false;
    root->dismiss(Animated::No, [&] { completed = true; });
    EXPECT_TRUE(completed);
}

TEST_F(PresentationTest, AnimatedPresentCompletesAfterTheTransition)
{
    setAnimationsEnabled(true);
    RecordingController* root = showRoot();
    auto vc = make("modal");
    RecordingController* modal = vc.get();
    bool completed = false;
    root->present(std::move(vc), Animated::Yes, [&] { completed = true; log.push_back("completion"); });
    EXPECT_FALSE(completed);
    EXPECT_TRUE(modal->isBeingPresented());
    EXPECT_THAT(log, ::testing::Not(::testing::Contains("modal.didAppear")));
    ASSERT_TRUE(waitUntil([&] { return completed; }));
    EXPECT_FALSE(modal->isBeingPresented());
    EXPECT_THAT(log, ElementsAre("modal.loadView", "modal.viewDidLoad", "root.willDisappear", "modal.willAppear",
                                 "modal.didAppear", "root.didDisappear", "completion"));
    EXPECT_EQ(modal->view()->geometry(), window->contentView()->rect());
}

TEST_F(PresentationTest, AnimatedDismissCompletesAfterTheTransitionThenDestroys)
{
    RecordingController* root = showRoot();
    QPointer<RecordingController> modal = presentOver(*root, "modal");
    setAnimationsEnabled(true);
    bool completed = false;
    root->dismiss(Animated::Yes, [&] { completed = true; });
    EXPECT_FALSE(completed);
    EXPECT_TRUE(modal->isBeingDismissed());
    ASSERT_TRUE(waitUntil([&] { return completed && modal.isNull(); }));
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

TEST_F(PresentationTest, CrossDissolveRunsToTheSameEnd)
{
    setAnimationsEnabled(true);
    RecordingController* root = showRoot();
    auto vc = make("modal");
    vc->setModalTransitionStyle(ModalTransitionStyle::CrossDissolve);
    RecordingController* modal = vc.get();
    bool completed = false;
    root->present(std::move(vc), Animated::Yes, [&] { completed = true; });
    ASSERT_TRUE(waitUntil([&] { return completed; }));
    EXPECT_EQ(modal->view()->graphicsEffect(), nullptr);
    EXPECT_EQ(modal->view()->geometry(), window->contentView()->rect());
}

TEST_F(PresentationTest, DismissDuringAnimatedPresentFinishesThePresentFirst)
{
    setAnimationsEnabled(true);
    RecordingController* root = showRoot();
    std::vector<std::string> order;
    root->present(make("modal"), Animated::Yes, [&] { order.push_back("presented"); });
    root->dismiss(Animated::No, [&] { order.push_back("dismissed"); });
    EXPECT_THAT(order, ElementsAre("presented", "dismissed"));
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_TRUE(root->isVisible());
}

TEST_F(PresentationTest, SecondDismissDuringAnimatedDismissJoinsIt)
{
    RecordingController* root = showRoot();
    RecordingController* modal = presentOver(*root, "modal");
    setAnimationsEnabled(true);
    int completions = 0;
    root->dismiss(Animated::Yes, [&] { ++completions; });
    modal->dismiss(Animated::Yes, [&] { ++completions; });
    ASSERT_TRUE(waitUntil([&] { return completions == 2; }));
    log.clear();
    flushDeferredDeletes();
    EXPECT_TRUE(log.empty()) << "dismissed once, no extra callbacks";
}

class OverFullScreenTest : public PresentationTest {
protected:
    RecordingController* presentOverFullScreen(ViewController& over, const std::string& name)
    {
        auto vc = make(name);
        vc->setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
        RecordingController* raw = vc.get();
        over.present(std::move(vc), Animated::No);
        return raw;
    }
};

TEST_F(OverFullScreenTest, PresenterStaysOnShowWithoutCallbacks)
{
    RecordingController* root = showRoot();
    RecordingController* alert = presentOverFullScreen(*root, "alert");
    EXPECT_TRUE(root->view()->isVisible());
    EXPECT_TRUE(root->isVisible());
    alert->dismiss(Animated::No);
    EXPECT_THAT(log, ElementsAre("alert.loadView", "alert.viewDidLoad", "alert.willAppear", "alert.didAppear",
                                 "alert.willDisappear", "alert.didDisappear"));
}

TEST_F(OverFullScreenTest, FullScreenOverItCoversEverythingBelow)
{
    RecordingController* root = showRoot();
    RecordingController* alert = presentOverFullScreen(*root, "alert");
    RecordingController* sheet = presentOver(*alert, "sheet");
    EXPECT_FALSE(root->isVisible());
    EXPECT_FALSE(alert->isVisible());
    EXPECT_FALSE(root->view()->isVisible());
    log.clear();
    sheet->dismiss(Animated::No);
    EXPECT_THAT(log, ElementsAre("sheet.willDisappear", "root.willAppear", "alert.willAppear", "sheet.didDisappear",
                                 "root.didAppear", "alert.didAppear"));
    EXPECT_TRUE(root->view()->isVisible());
    EXPECT_TRUE(alert->view()->isVisible());
}

TEST_F(OverFullScreenTest, WindowHidingTakesTheWholeStackOffScreen)
{
    RecordingController* root = showRoot();
    presentOverFullScreen(*root, "alert");
    log.clear();
    window->hide();
    EXPECT_THAT(log, ElementsAre("alert.willDisappear", "root.willDisappear", "alert.didDisappear",
                                 "root.didDisappear"));
}

// The close button of a modal usually dismisses it from inside its own slot.
class SelfDismissalTest : public PresentationTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SelfDismissalTest, DismissFromOwnHandlerIsSafe)
{
    setAnimationsEnabled(GetParam());
    RecordingController* root = showRoot();
    QPointer<RecordingController> modal = presentOver(*root, "modal");
    ASSERT_TRUE(waitUntil([&] { return !modal->isBeingPresented(); }));
    bool completed = false;
    modal->onClose = [&](RecordingController& self) { self.dismiss(Animated::Yes, [&] { completed = true; }); };
    modal->closeButton()->click();
    ASSERT_FALSE(modal.isNull());
    EXPECT_TRUE(modal->touchedAfterClose);
    ASSERT_TRUE(waitUntil([&] { return completed && modal.isNull(); }));
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(AnimationsOffAndOn, SelfDismissalTest, ::testing::Bool());

TEST_F(PresentationTest, DestroyingTheWindowDestroysTheWholeChainSilently)
{
    RecordingController* root = showRoot();
    QPointer<ViewController> rootAlive = root;
    QPointer<ViewController> sheet = presentOver(*root, "sheet");
    QPointer<ViewController> alert = presentOver(*sheet, "alert");
    QPointer<QWidget> alertView = alert->view();
    log.clear();
    window.reset();
    EXPECT_TRUE(rootAlive.isNull());
    EXPECT_TRUE(sheet.isNull());
    EXPECT_TRUE(alert.isNull());
    EXPECT_TRUE(alertView.isNull());
    EXPECT_TRUE(log.empty());
}

TEST_F(PresentationTest, DestroyingTheWindowMidTransitionCallsNothing)
{
    setAnimationsEnabled(true);
    RecordingController* root = showRoot();
    bool completed = false;
    root->present(make("modal"), Animated::Yes, [&] { completed = true; });
    window.reset();
    QCoreApplication::processEvents();
    EXPECT_FALSE(completed);
}

TEST_F(PresentationTest, ObserversOfADestroyedControllerAreGone)
{
    RecordingController* root = showRoot();
    RecordingController* modal = presentOver(*root, "modal");
    NotificationCenter& center = NotificationCenter::defaultCenter();
    int calls = 0;
    center.addObserver(modal, NotificationName::WillEnterForeground, [&](const Notification&) { ++calls; });
    center.post(NotificationName::WillEnterForeground);
    ASSERT_EQ(calls, 1);
    window.reset();
    center.post(NotificationName::WillEnterForeground);
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace kavio::platform::test
