// Application notifications, and work bound to its owner: delayed or in the background.

#include "ScreensTestSupport.h"

#include "platform/base/Dispatch.h"
#include "platform/base/NotificationCenter.h"
#include "platform/screens/Application.h"

#include <QDialog>
#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <optional>

using namespace std::chrono_literals;

namespace kavio::platform::test {
namespace {

TEST(ForegroundTrackerTest, PostsOnReturnToActiveButNotAtFirstActivation)
{
    constexpr auto Active = Qt::ApplicationActive;
    constexpr auto Inactive = Qt::ApplicationInactive;
    constexpr auto Hidden = Qt::ApplicationHidden;
    const struct {
        const char* name;
        std::vector<Qt::ApplicationState> states;
        int posts;
    } rows[] = {
        {"first activation", {Active}, 0},
        {"start hidden, then active", {Hidden, Inactive, Active}, 0},
        {"back from suspended", {Active, Qt::ApplicationSuspended, Active}, 1},
        {"two returns, from inactive and hidden", {Active, Inactive, Active, Hidden, Active}, 2},
    };
    for (const auto& row : rows) {
        NotificationCenter center;
        QObject observer;
        int posts = 0;
        center.addObserver(&observer, NotificationName::WillEnterForeground, [&](const Notification&) { ++posts; });
        ForegroundTracker tracker(center);
        for (Qt::ApplicationState state : row.states)
            tracker.applicationStateChanged(state);
        EXPECT_EQ(posts, row.posts) << row.name;
    }
}

using ApplicationNotificationsTest = WindowTest;

TEST_F(ApplicationNotificationsTest, WindowsAndDialogsPostVisibleChildWidgetsDoNot)
{
    QObject observer;
    std::vector<const void*> objects;
    NotificationCenter::defaultCenter().addObserver(&observer, NotificationName::WindowDidBecomeVisible,
                                                    [&](const Notification& n) { objects.push_back(n.object); });
    window->show();
    ASSERT_EQ(objects, std::vector<const void*>{static_cast<QWidget*>(window.get())});
    objects.clear();
    (new QWidget(window->contentView()))->show();
    EXPECT_TRUE(objects.empty());
    QDialog dialog(window.get());
    dialog.show();
    EXPECT_EQ(objects, std::vector<const void*>{static_cast<QWidget*>(&dialog)});
}

TEST(DispatchAfterTest, RunsLaterWhileTheOwnerLivesAndNeverAfterItDied)
{
    QObject owner;
    auto dead = std::make_unique<QObject>();
    bool ran = false;
    bool deadRan = false;
    dispatchAfter(&owner, 20ms, [&] { ran = true; });
    dispatchAfter(dead.get(), 1ms, [&] { deadRan = true; });
    EXPECT_FALSE(ran) << "never inside the caller's frame";
    dead.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran; }));
    EXPECT_FALSE(deadRan);
}

TEST(DispatchInBackgroundTest, WorksOffTheMainThreadAndHandsTheResultBackOnlyWhileTheOwnerLives)
{
    QObject owner;
    auto dead = std::make_unique<QObject>();
    std::atomic<bool> release{false};
    std::optional<bool> workOnMain;
    std::optional<std::string> got;
    bool deadGot = false;
    dispatchInBackground(&owner, [&] {
        workOnMain = QThread::currentThread() == qApp->thread();
        return std::string("made");
    }, [&](std::string made) {
        EXPECT_EQ(QThread::currentThread(), qApp->thread());
        got = std::move(made);
    });
    dispatchInBackground(dead.get(), [&] {
        while (!release)
            QThread::msleep(1);
        return 1;
    }, [&](int) { deadGot = true; });
    dead.reset(); // while its work still runs
    release = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return got.has_value(); }));
    EXPECT_EQ(got, "made");
    EXPECT_EQ(workOnMain, false);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(deadGot);
}

} // namespace
} // namespace kavio::platform::test
