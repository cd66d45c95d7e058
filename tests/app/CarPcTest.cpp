// A car PC: the car face alone on the dashboard's touchscreen (DSI-1, 800x480) beside
// another screen (DP-1), from the command line to the window.

#include "CarScenes.h"

#include "app/CarOnly.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QScreen>
#include <QWindow>

namespace kavio::app {
namespace {

namespace fs = std::filesystem;

// The program under this test's own screens.
std::string kavio(const std::string& arguments, int* code)
{
    return kavio::test::run("QT_QPA_PLATFORM='" KAVIO_TEST_PLATFORM "' DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "
                                KAVIO_APP " " + arguments + " 2>&1",
                            code);
}

TEST(CarPcCommandLine, ListsTheScreensAndRefusesAnUnknownOne)
{
    int code = -1;
    const std::string listed = kavio("--list-screens", &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(listed.find("DSI-1 800x480+1280+0\n"), std::string::npos) << listed;
    EXPECT_NE(listed.find("DP-1 1280x800+0+0\n"), std::string::npos) << listed;

    const std::string refused = kavio("--car-only --car-screen DSI-9", &code);
    EXPECT_EQ(code, 2);
    EXPECT_NE(refused.find("kavio: no screen named \"DSI-9\"; the screens are: "), std::string::npos) << refused;
    EXPECT_NE(refused.find("DSI-1"), std::string::npos);
    EXPECT_NE(refused.find("DP-1"), std::string::npos);
}

// Every screen rendered offscreen: the car's at its panel's size or the size asked, the
// phone's at its own.
TEST(CarPcCommandLine, ScreenshotsOfEveryScreenAtThePanelsSizeOrTheSizeAsked)
{
    kavio::test::ScratchFolder out;
    int code = -1;
    const std::pair<std::string, QSize> runs[] = {{"", QSize(800, 480)}, {" --size 1024x600", QSize(1024, 600)}};
    for (const auto& [size, car] : runs) {
        const fs::path shots = out / std::to_string(car.width());
        fs::create_directory(shots);
        const std::string printed = kavio("--screenshots '" + shots.string() + "'" + size, &code);
        ASSERT_EQ(code, 0) << printed;
        for (const std::string name : {"car-root", "car-folder", "player-left", "player-right", "phone-movies",
                                       "phone-folder-menu", "phone-editor", "phone-support"}) {
            const QImage shot(QString::fromStdString((shots / (name + ".png")).string()));
            EXPECT_EQ(shot.size(), name.starts_with("phone") ? QSize(390, 740) : car) << name << size;
        }
    }
    kavio("--screenshots '" + out.path().string() + "' --size 1024", &code);
    EXPECT_EQ(code, 2);
}

using CarOnly = CarScene;

TEST_F(CarOnly, TheCarWindowAloneFillsTheNamedScreenWithoutAFrameAndNoTapClosesIt)
{
    EXPECT_EQ(carScreenNamed({}).value(), QGuiApplication::primaryScreen());
    ASSERT_TRUE(carScreenNamed(QStringLiteral("DSI-1")));
    QScreen* dashboard = *carScreenNamed(QStringLiteral("DSI-1"));
    ASSERT_EQ(dashboard->name(), "DSI-1");
    ASSERT_NE(dashboard, QGuiApplication::primaryScreen()) << "the test means a screen other than the default";

    platform::Scene* car = connectCarOnly(scenes, dashboard);
    carplay::test::CarWindow::settle();
    ASSERT_TRUE(car);
    EXPECT_FALSE(scenes.isConnected(platform::SceneRole::Phone));
    platform::Window& window = car->window();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.windowState() & Qt::WindowFullScreen);
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.screen(), dashboard);
    EXPECT_EQ(window.geometry(), dashboard->geometry());

    // The window system's close (a stray tap on a frame, a gesture) is refused.
    EXPECT_FALSE(window.windowHandle()->close());
    carplay::test::CarWindow::settle();
    EXPECT_TRUE(scenes.isConnected(platform::SceneRole::Car));
    EXPECT_TRUE(window.isVisible());

    // The phone's menu reconnects the car the same way after the program closed it.
    scenes.disconnectScene(platform::SceneRole::Car);
    carplay::test::CarWindow::settle();
    platform::Scene* again = scenes.connectScene(platform::SceneRole::Car);
    ASSERT_TRUE(again);
    EXPECT_TRUE(again->window().isKiosk());
    EXPECT_EQ(again->window().screen(), dashboard);
}

TEST_F(CarOnly, ThePointerHidesAtATouchAndAfterThreeSecondsShowsWhenTheMouseMoves)
{
    platform::Scene* car = connectCarOnly(scenes, *carScreenNamed(QStringLiteral("DSI-1")));
    carplay::test::CarWindow::settle();
    const auto pointerShown = [] { return QGuiApplication::overrideCursor() == nullptr; };
    QWidget* content = car->window().contentView();
    static QPointingDevice* finger = QTest::createTouchDevice();
    QTest::touchEvent(content, finger).press(0, {400, 300}, content);
    QTest::touchEvent(content, finger).release(0, {400, 300}, content);
    EXPECT_FALSE(pointerShown());
    QMouseEvent move(QEvent::MouseMove, QPointF(100, 100), content->mapToGlobal(QPointF(100, 100)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(content, &move);
    EXPECT_TRUE(pointerShown());
    QTest::qWait(2000);
    EXPECT_TRUE(pointerShown()) << "a mouse in use keeps it";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pointerShown(); }, 3000));
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
    scenes.disconnectScene(platform::SceneRole::Car);
}

} // namespace
} // namespace kavio::app
