// Scenes: connecting builds a window through a fresh delegate, closing the window
// disconnects and tears everything down, connecting again builds everything anew.

#include "UiTestSupport.h"

#include "platform/Scene.h"

#include <QAction>
#include <QGuiApplication>
#include <QPointer>
#include <QSystemTrayIcon>

namespace kavio::platform::test {
namespace {

struct SceneRecord {
    int delegatesCreated = 0;
    int delegatesDestroyed = 0;
    int connects = 0;
    int disconnects = 0;
    QPointer<ViewController> lastRoot;
};

class RecordingSceneDelegate final : public SceneDelegate {
public:
    RecordingSceneDelegate(SceneRecord& record, Log& log) : record_(record), log_(log)
    {
        ++record_.delegatesCreated;
    }
    ~RecordingSceneDelegate() override { ++record_.delegatesDestroyed; }

    void sceneWillConnect(Scene& scene) override
    {
        ++record_.connects;
        auto root = std::make_unique<RecordingController>("root" + std::to_string(record_.connects), log_);
        record_.lastRoot = root.get();
        scene.window().setRootViewController(std::move(root));
    }
    void sceneDidDisconnect(Scene&) override { ++record_.disconnects; }

private:
    SceneRecord& record_;
    Log& log_;
};

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override { setAnimationsEnabled(false); }
    void TearDown() override
    {
        manager.reset();
        flushDeferredDeletes();
    }

    Log log;
    SceneRecord record;
    std::unique_ptr<SceneManager> manager = std::make_unique<SceneManager>(
        [this](SceneRole) { return std::make_unique<RecordingSceneDelegate>(record, log); });
};

TEST_F(SceneTest, ConnectBuildsAndShowsTheWindowThroughTheDelegate)
{
    Scene* car = manager->connectScene(SceneRole::Car);
    ASSERT_NE(car, nullptr);
    EXPECT_EQ(car->role(), SceneRole::Car);
    EXPECT_EQ(record.connects, 1);
    EXPECT_EQ(car->window().rootViewController(), record.lastRoot);
    EXPECT_TRUE(car->window().isVisible());
    EXPECT_TRUE(manager->isConnected(SceneRole::Car));
    EXPECT_EQ(manager->connectScene(SceneRole::Car), car) << "already connected";
    EXPECT_EQ(record.delegatesCreated, 1);
}

TEST_F(SceneTest, ClosingTheWindowDisconnectsAndTearsDown)
{
    Scene* car = manager->connectScene(SceneRole::Car);
    QPointer<Scene> sceneAlive = car;
    QPointer<ViewController> root = record.lastRoot;
    std::vector<SceneRole> disconnected;
    QObject::connect(manager.get(), &SceneManager::sceneDisconnected,
                     [&](SceneRole role) { disconnected.push_back(role); });
    car->window().close();
    EXPECT_EQ(record.disconnects, 1);
    EXPECT_EQ(disconnected, std::vector<SceneRole>{SceneRole::Car});
    EXPECT_FALSE(manager->isConnected(SceneRole::Car));
    flushDeferredDeletes();
    EXPECT_TRUE(sceneAlive.isNull());
    EXPECT_TRUE(root.isNull());
    EXPECT_EQ(record.delegatesDestroyed, 1);
}

TEST_F(SceneTest, ReconnectBuildsAFreshRoot)
{
    manager->connectScene(SceneRole::Car);
    QPointer<ViewController> firstRoot = record.lastRoot;
    manager->disconnectScene(SceneRole::Car);
    flushDeferredDeletes();
    Scene* again = manager->connectScene(SceneRole::Car);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(record.delegatesCreated, 2);
    EXPECT_TRUE(firstRoot.isNull());
    ASSERT_FALSE(record.lastRoot.isNull());
    EXPECT_EQ(static_cast<RecordingController*>(record.lastRoot.data())->name(), "root2");
    EXPECT_EQ(again->window().rootViewController(), record.lastRoot);
}

TEST_F(SceneTest, ConnectCarActionIsEnabledOnlyWhileDisconnected)
{
    QAction* action = manager->connectCarDisplayAction();
    EXPECT_EQ(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+C")));
    EXPECT_TRUE(action->isEnabled());
    manager->connectScene(SceneRole::Car);
    EXPECT_FALSE(action->isEnabled());
    manager->disconnectScene(SceneRole::Car);
    EXPECT_TRUE(action->isEnabled());
    action->trigger();
    EXPECT_TRUE(manager->isConnected(SceneRole::Car));
    EXPECT_EQ(record.connects, 2);
}

TEST_F(SceneTest, PhoneSceneLivesOnWhenTheCarDisconnects)
{
    Scene* phone = manager->connectScene(SceneRole::Phone);
    manager->connectScene(SceneRole::Car);
    manager->disconnectScene(SceneRole::Car);
    flushDeferredDeletes();
    EXPECT_EQ(manager->scene(SceneRole::Phone), phone);
    EXPECT_TRUE(phone->window().isVisible());
}

TEST_F(SceneTest, WithoutATrayClosingTheLastWindowQuitsAsUsual)
{
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "this desktop has a system tray";
    manager->connectScene(SceneRole::Car);
    manager->disconnectScene(SceneRole::Car);
    EXPECT_EQ(manager->trayIcon(), nullptr);
    EXPECT_TRUE(QGuiApplication::quitOnLastWindowClosed());
}

} // namespace
} // namespace kavio::platform::test
