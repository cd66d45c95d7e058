// Loading, appearance and containment of controllers, and the window around them.

#include "ScreensTestSupport.h"

#include <QPointer>

namespace kavio::platform::test {
namespace {

using ViewControllerTest = WindowTest;
using ::testing::ElementsAre;

TEST_F(ViewControllerTest, ViewLoadsOnceOnFirstAccessAndDiesWithItsController)
{
    auto vc = make("a");
    QPointer<QWidget> view = vc->view();
    EXPECT_EQ(vc->view(), view.data());
    EXPECT_THAT(log, ElementsAre("a.loadView", "a.viewDidLoad")) << "once";
    vc.reset();
    EXPECT_TRUE(view.isNull());
}

TEST_F(ViewControllerTest, OnlyTheTopScreenAppearsAndOnlyWhileTheWindowIsShown)
{
    window->setRootViewController(make("root"));
    EXPECT_THAT(log, ElementsAre("root.loadView", "root.viewDidLoad"));
    presentOver(*window->rootViewController(), "modal");
    log.clear();
    window->show();
    window->hide();
    window->show();
    EXPECT_THAT(log, ElementsAre("modal.willAppear", "modal.didAppear", "modal.willDisappear", "modal.didDisappear",
                                 "modal.willAppear", "modal.didAppear"));
}

TEST_F(ViewControllerTest, ReplacingTheRootSwapsAppearanceAndRetiresTheOldOneLater)
{
    QPointer<RecordingController> old = showRoot("old");
    window->setRootViewController(make("new"));
    EXPECT_THAT(log, ElementsAre("old.willDisappear", "old.didDisappear", "new.loadView", "new.viewDidLoad",
                                 "new.willAppear", "new.didAppear"));
    EXPECT_FALSE(old.isNull()) << "retired with deferred deletion";
    flushDeferredDeletes();
    EXPECT_TRUE(old.isNull());
    // Again from a slot of the root being replaced.
    auto* current = static_cast<RecordingController*>(window->rootViewController());
    current->onClose = [this](RecordingController&) { window->setRootViewController(make("newer")); };
    current->closeButton()->click();
    EXPECT_TRUE(current->touchedAfterClose);
    flushDeferredDeletes();
    EXPECT_EQ(static_cast<RecordingController*>(window->rootViewController())->name(), "newer");
}

// A container that shows only its first child, like a navigation controller its top.
class FirstChildContainer : public RecordingController {
public:
    using RecordingController::RecordingController;

protected:
    std::vector<ViewController*> visibleChildViewControllers() const override
    {
        auto all = childViewControllers();
        return all.empty() ? all : std::vector<ViewController*>{all.front()};
    }
};

TEST_F(ViewControllerTest, AppearanceReachesOnlyTheVisibleChildren)
{
    auto container = std::make_unique<FirstChildContainer>("nav", log);
    container->addChildViewController(make("top"));
    container->addChildViewController(make("below"));
    window->setRootViewController(std::move(container));
    log.clear();
    window->show();
    EXPECT_THAT(log, ElementsAre("nav.willAppear", "top.loadView", "top.viewDidLoad", "top.willAppear",
                                 "nav.didAppear", "top.didAppear"));
}

TEST_F(ViewControllerTest, ClosingTheWindowSignalsOnceAfterTheScreensDisappeared)
{
    showRoot();
    Log closings; // what had happened when each close signal came
    QObject::connect(window.get(), &Window::closed, [&] { closings.push_back(log.empty() ? "early" : log.back()); });
    window->hide(); // hiding is not closing
    window->show();
    window->close();
    EXPECT_THAT(closings, ElementsAre("root.didDisappear"));
}

} // namespace
} // namespace kavio::platform::test
