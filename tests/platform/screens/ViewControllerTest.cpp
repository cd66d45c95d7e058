// Screens in a window: appearance, presenting and dismissing, ownership.

#include "ScreensTestSupport.h"

#include "platform/base/NotificationCenter.h"

#include <QPointer>

namespace kavio::platform::test {
namespace {

using ::testing::ElementsAre;

using ViewControllerTest = WindowTest;

TEST_F(ViewControllerTest, OnlyTheTopScreenAppearsOnlyWhileTheWindowIsShownAndClosingSignalsOnceAfterwards)
{
    window->setRootViewController(make("root"));
    presentOver(*window->rootViewController(), "modal");
    Log closings; // what had happened when each close signal came
    QObject::connect(window.get(), &Window::closed, [&] { closings.push_back(log.empty() ? "early" : log.back()); });
    window->show();
    window->hide(); // hiding is not closing
    window->show();
    window->close();
    EXPECT_THAT(events(), ElementsAre("root.loadView", "root.viewDidLoad", "modal.loadView", "modal.viewDidLoad",
                                      "modal.willAppear", "modal.didAppear", "modal.willDisappear",
                                      "modal.didDisappear", "modal.willAppear", "modal.didAppear",
                                      "modal.willDisappear", "modal.didDisappear"));
    EXPECT_THAT(closings, ElementsAre("modal.didDisappear"));
}

TEST_F(ViewControllerTest, ReplacingTheRootEvenFromItsOwnSlotRetiresTheOldOneLater)
{
    QPointer<RecordingController> old = showRoot("old");
    old->onClose = [this](RecordingController&) { window->setRootViewController(make("new")); };
    old->closeButton()->click();
    EXPECT_TRUE(old->touchedAfterClose);
    EXPECT_THAT(events(), ElementsAre("old.willDisappear", "old.didDisappear", "new.loadView", "new.viewDidLoad",
                                      "new.willAppear", "new.didAppear"));
    flushDeferredDeletes();
    EXPECT_TRUE(old.isNull());
}

// An over-full-screen modal keeps its presenter shown until a full-screen one covers both.
TEST_F(ViewControllerTest, PresentedScreensLandOnTheTopMostCoverTheContentAreaAndADismissTakesEverythingAbove)
{
    RecordingController* root = showRoot();
    auto vc = make("alert");
    vc->setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
    QPointer<RecordingController> alert = vc.get();
    root->present(std::move(vc), Animated::No, [this] { log.push_back("presented"); });
    EXPECT_THAT(events(),
                ElementsAre("alert.loadView", "alert.viewDidLoad", "alert.willAppear", "alert.didAppear", "presented"));
    EXPECT_TRUE(root->view()->isVisible() && root->isVisible());
    QPointer<RecordingController> sheet = presentOver(*root, "sheet"); // lands on the top-most
    EXPECT_TRUE(sheet->presentingViewController() == alert && window->topViewController() == sheet);
    EXPECT_THAT(events(), ElementsAre("sheet.loadView", "sheet.viewDidLoad", "alert.willDisappear", "root.willDisappear",
                                      "sheet.willAppear", "sheet.didAppear", "alert.didDisappear", "root.didDisappear"));
    EXPECT_FALSE(root->isVisible() || alert->isVisible() || root->view()->isVisible());
    window->resize(640, 360);
    EXPECT_EQ(sheet->view()->geometry(), window->contentView()->rect());
    sheet->dismiss(Animated::No);
    EXPECT_THAT(events(), ElementsAre("sheet.willDisappear", "root.willAppear", "alert.willAppear",
                                      "sheet.didDisappear", "root.didAppear", "alert.didAppear"));
    EXPECT_TRUE(root->view()->isVisible() && alert->view()->isVisible());

    sheet = presentOver(*alert, "sheet");
    events();
    root->dismiss(Animated::No, [this] { log.push_back("dismissed"); });
    // The covered alert already disappeared; only the visible sheet goes away on screen.
    EXPECT_THAT(events(), ElementsAre("sheet.willDisappear", "root.willAppear", "sheet.didDisappear", "root.didAppear",
                                      "dismissed"));
    EXPECT_TRUE(root->presentedViewController() == nullptr && root->view()->isVisible());
    flushDeferredDeletes();
    EXPECT_TRUE(sheet.isNull() && alert.isNull());
}

TEST_F(ViewControllerTest, PresentOutsideAWindowIsRefusedAndAnEmptyDismissStillCompletes)
{
    RecordingController loose("loose", log);
    auto vc = make("modal");
    QPointer<ViewController> modal = vc.get();
    bool completed = false;
    loose.present(std::move(vc), Animated::No, [&] { completed = true; });
    EXPECT_TRUE(loose.presentedViewController() == nullptr && !completed);
    flushDeferredDeletes();
    EXPECT_TRUE(modal.isNull()) << "the refused screen is not leaked";
    showRoot()->dismiss(Animated::No, [&] { completed = true; });
    EXPECT_TRUE(completed);
}

struct TransitionCase {
    const char* name;
    bool animations;
    ModalTransitionStyle style;
};

class TransitionTest : public ViewControllerTest, public ::testing::WithParamInterface<TransitionCase> {};

// With animations off completion comes at once; with them on, only after the transition ran.
// The close button usually dismisses its modal from inside its own slot.
TEST_P(TransitionTest, CompletionWaitsForTheTransitionLeavesTheViewInPlaceAndSelfDismissalIsSafe)
{
    setAnimationsEnabled(GetParam().animations);
    const bool immediate = !GetParam().animations;
    RecordingController* root = showRoot();
    auto vc = make("modal");
    vc->setModalTransitionStyle(GetParam().style);
    QPointer<RecordingController> modal = vc.get();
    bool presented = false;
    root->present(std::move(vc), Animated::Yes, [&] { presented = true; });
    EXPECT_TRUE(presented == immediate && modal->isBeingPresented() == !immediate);
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented; }));
    EXPECT_EQ(modal->view()->geometry(), window->contentView()->rect());
    EXPECT_EQ(modal->view()->graphicsEffect(), nullptr);
    bool dismissed = false;
    modal->onClose = [&](RecordingController& self) { self.dismiss(Animated::Yes, [&] { dismissed = true; }); };
    modal->closeButton()->click();
    ASSERT_TRUE(!modal.isNull() && modal->touchedAfterClose);
    EXPECT_EQ(dismissed, immediate);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed && modal.isNull(); }));
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Styles, TransitionTest,
                         ::testing::Values(TransitionCase{"Off", false, ModalTransitionStyle::CoverVertical},
                                           TransitionCase{"CoverVertical", true, ModalTransitionStyle::CoverVertical},
                                           TransitionCase{"CrossDissolve", true, ModalTransitionStyle::CrossDissolve}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

// A dismiss during an animated present finishes the present first; a second dismiss
// during an animated dismiss joins it.
TEST_F(ViewControllerTest, OverlappingTransitionsRunInOrderAndDismissOnce)
{
    setAnimationsEnabled(true);
    RecordingController* root = showRoot();
    Log order;
    root->present(make("modal"), Animated::Yes, [&] { order.push_back("presented"); });
    root->dismiss(Animated::No, [&] { order.push_back("dismissed"); });
    EXPECT_THAT(order, ElementsAre("presented", "dismissed"));
    EXPECT_TRUE(root->presentedViewController() == nullptr && root->isVisible());
    RecordingController* modal = presentOver(*root, "modal");
    int completions = 0;
    root->dismiss(Animated::Yes, [&] { ++completions; });
    modal->dismiss(Animated::Yes, [&] { ++completions; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return completions == 2; }));
    events();
    flushDeferredDeletes();
    EXPECT_TRUE(log.empty()) << "dismissed once, no extra callbacks";
}

// Nothing reaches the chain afterwards: no lifecycle call, no completion of the transition
// under way, no notification.
TEST_F(ViewControllerTest, DestroyingTheWindowMidTransitionDestroysTheWholeChainSilently)
{
    QPointer<RecordingController> root = showRoot();
    QPointer<RecordingController> sheet = presentOver(*root, "sheet");
    QPointer<RecordingController> alert = presentOver(*sheet, "alert");
    QPointer<QWidget> alertView = alert->view();
    NotificationCenter& center = NotificationCenter::defaultCenter();
    int notified = 0;
    center.addObserver(alert, NotificationName::WillEnterForeground, [&](const Notification&) { ++notified; });
    center.post(NotificationName::WillEnterForeground);
    ASSERT_EQ(notified, 1);
    setAnimationsEnabled(true);
    bool completed = false;
    alert->present(make("modal"), Animated::Yes, [&] { completed = true; });
    events();
    window.reset();
    QCoreApplication::processEvents();
    center.post(NotificationName::WillEnterForeground);
    EXPECT_TRUE(root.isNull() && sheet.isNull() && alert.isNull() && alertView.isNull());
    EXPECT_TRUE(log.empty() && !completed && notified == 1);
}

} // namespace
} // namespace kavio::platform::test
