// The application's notifications: return to the foreground, windows becoming visible.

#include "UiTestSupport.h"

#include "platform/Application.h"
#include "platform/NotificationCenter.h"

#include <QDialog>

namespace kavio::platform::test {
namespace {

struct ForegroundCase {
    const char* name;
    std::vector<Qt::ApplicationState> states;
    int expectedPosts;
};

constexpr Qt::ApplicationState Active = Qt::ApplicationActive;
constexpr Qt::ApplicationState Inactive = Qt::ApplicationInactive;
constexpr Qt::ApplicationState Hidden = Qt::ApplicationHidden;
constexpr Qt::ApplicationState Suspended = Qt::ApplicationSuspended;

class ForegroundTrackerTest : public ::testing::TestWithParam<ForegroundCase> {};

TEST_P(ForegroundTrackerTest, PostsOnlyOnReturnToActive)
{
    NotificationCenter center;
    QObject observer;
    int posts = 0;
    center.addObserver(&observer, NotificationName::WillEnterForeground, [&](const Notification&) { ++posts; });
    ForegroundTracker tracker(center);
    for (Qt::ApplicationState state : GetParam().states)
        tracker.applicationStateChanged(state);
    EXPECT_EQ(posts, GetParam().expectedPosts);
}

INSTANTIATE_TEST_SUITE_P(
    States, ForegroundTrackerTest,
    ::testing::Values(ForegroundCase{"FirstActivation", {Active}, 0},
                      ForegroundCase{"StartInactiveThenActive", {Inactive, Active}, 0},
                      ForegroundCase{"StartHiddenThenActive", {Hidden, Inactive, Active}, 0},
                      ForegroundCase{"BackFromInactive", {Active, Inactive, Active}, 1},
                      ForegroundCase{"BackFromHidden", {Active, Hidden, Active}, 1},
                      ForegroundCase{"BackFromSuspended", {Active, Suspended, Active}, 1},
                      ForegroundCase{"ThroughSeveralStates", {Active, Inactive, Hidden, Inactive, Active}, 1},
                      ForegroundCase{"RepeatedActiveIsNoReturn", {Active, Active}, 0},
                      ForegroundCase{"TwoReturns", {Active, Inactive, Active, Hidden, Active}, 2}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

class ApplicationNotificationsTest : public WindowTest {
protected:
    void observe(NotificationName name)
    {
        NotificationCenter::defaultCenter().addObserver(&observer_, name, [this](const Notification& n) {
            objects.push_back(n.object);
        });
    }
    std::vector<const void*> objects;

private:
    QObject observer_;
};

TEST_F(ApplicationNotificationsTest, ReturnToForegroundReachesTheDefaultCenter)
{
    observe(NotificationName::WillEnterForeground);
    ASSERT_NE(Application::instance(), nullptr);
    Application::instance()->simulateReturnToForeground();
    EXPECT_EQ(objects.size(), 1u);
}

TEST_F(ApplicationNotificationsTest, ShowingAWindowPostsItAsVisible)
{
    observe(NotificationName::WindowDidBecomeVisible);
    window->show();
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects.front(), static_cast<QWidget*>(window.get()));
}

TEST_F(ApplicationNotificationsTest, DialogsCountChildWidgetsDoNot)
{
    window->show();
    observe(NotificationName::WindowDidBecomeVisible);
    auto* child = new QWidget(window->contentView());
    child->show();
    EXPECT_TRUE(objects.empty());
    QDialog dialog(window.get());
    dialog.show();
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects.front(), static_cast<QWidget*>(&dialog));
}

} // namespace
} // namespace kavio::platform::test
