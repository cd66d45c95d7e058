// Scenes: each connection builds anew through a fresh delegate; closing tears it down.

#include "ScreensTestSupport.h"

#include "platform/screens/Scene.h"

#include <QAction>
#include <QPointer>

namespace kavio::platform::test {
namespace {

struct SceneRecord {
    int delegatesCreated = 0;
    int delegatesDestroyed = 0;
    int disconnects = 0;
    QPointer<ViewController> lastRoot;
};

class RecordingSceneDelegate final : public SceneDelegate {
public:
    RecordingSceneDelegate(SceneRecord& record, Log& log) : record_(record), log_(log) { ++record_.delegatesCreated; }
    ~RecordingSceneDelegate() override { ++record_.delegatesDestroyed; }

    void sceneWillConnect(Scene& scene) override
    {
        auto root = std::make_unique<RecordingController>("root" + std::to_string(record_.delegatesCreated), log_);
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

TEST_F(SceneTest, ConnectShowsTheWindowOnceAndReconnectBuildsAFreshRoot)
{
    Scene* car = manager->connectScene(SceneRole::Car);
    ASSERT_NE(car, nullptr);
    EXPECT_TRUE(car->window().isVisible());
    EXPECT_EQ(manager->connectScene(SceneRole::Car), car) << "already connected";
    QPointer<ViewController> firstRoot = record.lastRoot;
    manager->disconnectScene(SceneRole::Car);
    flushDeferredDeletes();
    EXPECT_TRUE(firstRoot.isNull());
    Scene* again = manager->connectScene(SceneRole::Car);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->window().rootViewController(), record.lastRoot.data());
    EXPECT_EQ(record.delegatesCreated, 2) << "a fresh delegate builds a fresh root";
}

TEST_F(SceneTest, ClosingTheWindowDisconnectsAndTearsDownOnlyThatScene)
{
    Scene* phone = manager->connectScene(SceneRole::Phone);
    QPointer<Scene> car = manager->connectScene(SceneRole::Car);
    QPointer<ViewController> root = record.lastRoot;
    std::vector<SceneRole> disconnected;
    QObject::connect(manager.get(), &SceneManager::sceneDisconnected,
                     [&](SceneRole role) { disconnected.push_back(role); });
    car->window().close();
    EXPECT_EQ(record.disconnects, 1);
    EXPECT_EQ(disconnected, std::vector<SceneRole>{SceneRole::Car});
    flushDeferredDeletes();
    EXPECT_TRUE(car.isNull() && root.isNull());
    EXPECT_EQ(record.delegatesDestroyed, 1);
    EXPECT_TRUE(manager->scene(SceneRole::Phone) == phone && phone->window().isVisible());
}

TEST_F(SceneTest, ConnectCarActionIsEnabledOnlyWhileDisconnected)
{
    QAction* action = manager->connectCarDisplayAction();
    manager->connectScene(SceneRole::Car);
    EXPECT_FALSE(action->isEnabled());
    manager->disconnectScene(SceneRole::Car);
    EXPECT_TRUE(action->isEnabled());
    action->trigger();
    EXPECT_TRUE(manager->isConnected(SceneRole::Car));
}

TEST_F(SceneTest, WithThePhoneWindowClosingBothWindowsQuitsAndClosingOneDoesNot)
{
    int quits = 0;
    QObject::connect(manager->quitAction(), &QAction::triggered, [&] { ++quits; });
    manager->connectScene(SceneRole::Phone);
    manager->connectScene(SceneRole::Car);
    manager->disconnectScene(SceneRole::Phone);
    QCoreApplication::processEvents();
    EXPECT_EQ(quits, 0);
    EXPECT_TRUE(manager->isConnected(SceneRole::Car));
    manager->disconnectScene(SceneRole::Car);
    QCoreApplication::processEvents();
    EXPECT_EQ(quits, 1);
}

TEST_F(SceneTest, WithoutAPhoneWindowQuittingIsLeftToTheTrayOrTheLastWindowRule)
{
    int quits = 0;
    QObject::connect(manager->quitAction(), &QAction::triggered, [&] { ++quits; });
    manager->connectScene(SceneRole::Car);
    manager->disconnectScene(SceneRole::Car);
    QCoreApplication::processEvents();
    EXPECT_EQ(quits, 0);
}

} // namespace
} // namespace kavio::platform::test
