// The application around the screens: its foreground notice, its scenes (each connection built
// anew through a fresh delegate, closing tears it down), and work bound to its owner.

#include "ScreensTestSupport.h"

#include "platform/base/Dispatch.h"
#include "platform/base/NotificationCenter.h"
#include "platform/screens/Application.h"
#include "platform/screens/Scene.h"

#include <QAction>
#include <QPointer>
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

// Work bound to an owner runs later or in the background, and never reaches an owner that died.
TEST(DispatchTest, RunsLaterOrInTheBackgroundAndNeverForAnOwnerThatDied)
{
    QObject owner;
    auto dead = std::make_unique<QObject>();
    std::atomic<bool> release{false};
    bool ran = false;
    bool deadRan = false;
    std::optional<bool> workOnMain;
    std::optional<std::string> got;
    dispatchAfter(&owner, 20ms, [&] { ran = true; });
    dispatchAfter(dead.get(), 1ms, [&] { deadRan = true; });
    EXPECT_FALSE(ran) << "never inside the caller's frame";
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
    }, [&](int) { deadRan = true; });
    dead.reset(); // while its background work still runs
    release = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran && got.has_value(); }));
    EXPECT_EQ(got, "made");
    EXPECT_EQ(workOnMain, false);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(deadRan);
}

// --- scenes ----------------------------------------------------------------------------

struct SceneRecord {
    int delegatesCreated = 0;
    int delegatesDestroyed = 0;
    int disconnects = 0;
    QPointer<ViewController> lastRoot;
    Log log; // the roots' lifecycle, unread: the roots need one
};

class RecordingSceneDelegate final : public SceneDelegate {
public:
    explicit RecordingSceneDelegate(SceneRecord& record) : record_(record) { ++record_.delegatesCreated; }
    ~RecordingSceneDelegate() override { ++record_.delegatesDestroyed; }

    void sceneWillConnect(Scene& scene) override
    {
        auto root = std::make_unique<RecordingController>("root" + std::to_string(record_.delegatesCreated), record_.log);
        record_.lastRoot = root.get();
        scene.window().setRootViewController(std::move(root));
    }
    void sceneDidDisconnect(Scene&) override { ++record_.disconnects; }

private:
    SceneRecord& record_;
};

class SceneTest : public ::testing::Test {
protected:
    void TearDown() override { closeManager(); }
    void closeManager()
    {
        manager.reset();
        flushDeferredDeletes();
    }
    std::unique_ptr<SceneManager> makeManager()
    {
        return std::make_unique<SceneManager>(
            [this](SceneRole) { return std::make_unique<RecordingSceneDelegate>(record); });
    }

    SceneRecord record;
    std::unique_ptr<SceneManager> manager = makeManager();
};

// Closing either window disconnects its scene; the car display can be connected again
// from the menu, through a fresh delegate.
TEST_F(SceneTest, ClosingTheCarWindowTearsDownOnlyItsSceneAndReconnectingBuildsAFreshRoot)
{
    Scene* phone = manager->connectScene(SceneRole::Phone);
    QPointer<Scene> car = manager->connectScene(SceneRole::Car);
    ASSERT_TRUE(car && car->window().isVisible());
    EXPECT_EQ(manager->connectScene(SceneRole::Car), car.data()) << "already connected";
    QAction* connectCar = manager->connectCarDisplayAction();
    EXPECT_FALSE(connectCar->isEnabled());
    QPointer<ViewController> root = record.lastRoot;
    car->window().close();
    EXPECT_EQ(record.disconnects, 1);
    flushDeferredDeletes();
    EXPECT_TRUE(car.isNull() && root.isNull() && record.delegatesDestroyed == 1);
    EXPECT_TRUE(manager->scene(SceneRole::Phone) == phone && phone->window().isVisible());
    ASSERT_TRUE(connectCar->isEnabled());
    connectCar->trigger();
    ASSERT_TRUE(manager->isConnected(SceneRole::Car));
    EXPECT_EQ(manager->scene(SceneRole::Car)->window().rootViewController(), record.lastRoot.data());
    EXPECT_EQ(record.delegatesCreated, 3) << "a fresh delegate builds a fresh root";
}

// With a phone window, closing the last window quits; without one, quitting is left to the
// tray or the last-window rule.
TEST_F(SceneTest, QuitsOnlyWhenThePhoneWindowWasOpenAndBothWindowsClosed)
{
    using enum SceneRole;
    const struct {
        const char* name;
        std::vector<SceneRole> opened;
        std::vector<SceneRole> closed;
        int quits;
    } rows[] = {
        {"both open, the phone closes", {Phone, Car}, {Phone}, 0},
        {"both open, both close", {Phone, Car}, {Phone, Car}, 1},
        {"only the car, it closes", {Car}, {Car}, 0},
    };
    for (const auto& row : rows) {
        closeManager();
        manager = makeManager();
        int quits = 0;
        QObject::connect(manager->quitAction(), &QAction::triggered, [&] { ++quits; });
        for (SceneRole role : row.opened)
            manager->connectScene(role);
        for (SceneRole role : row.closed) {
            manager->disconnectScene(role);
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(quits, row.quits) << row.name;
    }
}

} // namespace
} // namespace kavio::platform::test
