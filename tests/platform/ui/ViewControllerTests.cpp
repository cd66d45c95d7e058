// Loading, appearance and containment of a single controller.

#include "UiTestSupport.h"

#include <QPointer>
#include <QPushButton>

namespace kavio::platform::test {
namespace {

using ViewControllerTest = WindowTest;
using ::testing::ElementsAre;

TEST_F(ViewControllerTest, ViewLoadsOnceOnFirstAccess)
{
    RecordingController vc("a", log);
    EXPECT_FALSE(vc.isViewLoaded());
    QWidget* first = vc.view();
    QWidget* second = vc.view();
    EXPECT_EQ(first, second);
    EXPECT_TRUE(vc.isViewLoaded());
    EXPECT_EQ(vc.loadViewCount(), 1);
    EXPECT_THAT(log, ElementsAre("a.loadView", "a.viewDidLoad"));
}

TEST_F(ViewControllerTest, DefaultLoadViewMakesAnEmptyWidget)
{
    ViewController vc;
    ASSERT_NE(vc.view(), nullptr);
}

TEST_F(ViewControllerTest, DestroyingAControllerDeletesItsView)
{
    auto vc = make("a");
    QPointer<QWidget> view = vc->view();
    vc.reset();
    EXPECT_TRUE(view.isNull());
}

TEST_F(ViewControllerTest, RootAppearsWhenTheWindowIsShown)
{
    window->setRootViewController(make("root"));
    EXPECT_THAT(log, ElementsAre("root.loadView", "root.viewDidLoad"));
    window->show();
    EXPECT_THAT(log, ElementsAre("root.loadView", "root.viewDidLoad", "root.willAppear", "root.didAppear"));
}

TEST_F(ViewControllerTest, TopScreenDisappearsAndReappearsWithTheWindow)
{
    RecordingController* root = showRoot();
    presentOver(*root, "modal");
    log.clear();
    window->hide();
    window->show();
    EXPECT_THAT(log, ElementsAre("modal.willDisappear", "modal.didDisappear", "modal.willAppear", "modal.didAppear"));
}

TEST_F(ViewControllerTest, NothingAppearsInAHiddenWindowUntilItIsShown)
{
    window->setRootViewController(make("root"));
    presentOver(*window->rootViewController(), "modal");
    log.clear();
    window->show();
    EXPECT_THAT(log, ElementsAre("modal.willAppear", "modal.didAppear"));
}

TEST_F(ViewControllerTest, ReplacingTheRootSwapsAppearanceAndRetiresTheOldOne)
{
    RecordingController* old = showRoot("old");
    QPointer<ViewController> oldAlive = old;
    window->setRootViewController(make("new"));
    EXPECT_THAT(log, ElementsAre("old.willDisappear", "old.didDisappear", "new.loadView", "new.viewDidLoad",
                                 "new.willAppear", "new.didAppear"));
    EXPECT_FALSE(oldAlive.isNull()) << "retired with deferred deletion";
    flushDeferredDeletes();
    EXPECT_TRUE(oldAlive.isNull());
}

TEST_F(ViewControllerTest, RootCanBeReplacedFromItsOwnSlot)
{
    RecordingController* old = showRoot("old");
    old->onClose = [this](RecordingController&) { window->setRootViewController(make("new")); };
    old->closeButton()->click();
    EXPECT_TRUE(old->touchedAfterClose);
    flushDeferredDeletes();
    EXPECT_EQ(static_cast<RecordingController*>(window->rootViewController())->name(), "new");
}

TEST_F(ViewControllerTest, TitleChangeIsSignalled)
{
    ViewController vc;
    QString seen;
    QObject::connect(&vc, &ViewController::titleChanged, [&](const QString& t) { seen = t; });
    vc.setTitle(QStringLiteral("Videos"));
    EXPECT_EQ(vc.title(), QStringLiteral("Videos"));
    EXPECT_EQ(seen, QStringLiteral("Videos"));
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

TEST_F(ViewControllerTest, ChildFindsItsContainerAndWindow)
{
    auto container = std::make_unique<FirstChildContainer>("nav", log);
    ViewController* child = container->addChildViewController(make("child"));
    FirstChildContainer* raw = container.get();
    window->setRootViewController(std::move(container));
    EXPECT_EQ(child->parentViewController(), raw);
    EXPECT_EQ(child->ancestor<FirstChildContainer>(), raw);
    EXPECT_EQ(child->window(), window.get());
}

TEST_F(ViewControllerTest, RemovedChildIsHandedBackDetached)
{
    RecordingController parent("p", log);
    ViewController* child = parent.addChildViewController(make("c"));
    std::unique_ptr<ViewController> removed = parent.removeChildViewController(child);
    EXPECT_EQ(removed.get(), child);
    EXPECT_EQ(removed->parentViewController(), nullptr);
    EXPECT_TRUE(parent.childViewControllers().empty());
}

} // namespace
} // namespace kavio::platform::test
