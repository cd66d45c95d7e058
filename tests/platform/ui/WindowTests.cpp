// The window around the controllers: content area, closing, placement.

#include "UiTestSupport.h"

#include <QGuiApplication>
#include <QScreen>

namespace kavio::platform::test {
namespace {

using WindowBehaviourTest = WindowTest;

TEST_F(WindowBehaviourTest, RootViewFillsTheContentAreaAcrossResizes)
{
    RecordingController* root = showRoot();
    EXPECT_EQ(root->view()->parentWidget(), window->contentView());
    EXPECT_EQ(root->view()->geometry(), window->contentView()->rect());
    window->resize(800, 480);
    EXPECT_EQ(window->contentView()->size(), QSize(800, 480));
    EXPECT_EQ(root->view()->geometry(), window->contentView()->rect());
}

TEST_F(WindowBehaviourTest, CloseSignalsOnceAfterTheScreensDisappeared)
{
    showRoot();
    int closed = 0;
    std::size_t logSizeAtClose = 0;
    QObject::connect(window.get(), &Window::closed, [&] {
        ++closed;
        logSizeAtClose = log.size();
    });
    window->close();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(logSizeAtClose, 2u) << "root.willDisappear and root.didDisappear came first";
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowBehaviourTest, HidingIsNotClosing)
{
    showRoot();
    int closed = 0;
    QObject::connect(window.get(), &Window::closed, [&] { ++closed; });
    window->hide();
    EXPECT_EQ(closed, 0);
}

TEST_F(WindowBehaviourTest, CarPlacementOnASingleScreenIsAResizableCarSizedWindow)
{
    if (QGuiApplication::screens().size() > 1)
        GTEST_SKIP() << "a second screen is attached";
    window->placeForCarDisplay();
    EXPECT_EQ(window->mode(), WindowMode::Windowed);
    EXPECT_EQ(window->size(), Window::kCarWindowSize);
    EXPECT_EQ(Window::secondaryScreen(QGuiApplication::screens(), QGuiApplication::primaryScreen()), nullptr);
}

TEST_F(WindowBehaviourTest, SecondaryScreenIsNeverThePrimary)
{
    QScreen* primary = QGuiApplication::primaryScreen();
    EXPECT_EQ(Window::secondaryScreen({primary}, primary), nullptr);
    EXPECT_EQ(Window::secondaryScreen({}, primary), nullptr);
    EXPECT_EQ(Window::secondaryScreen({primary, primary}, primary), nullptr);
}

TEST_F(WindowBehaviourTest, FullScreenModeShowsFullScreen)
{
    window->setRootViewController(make("root"));
    window->setMode(WindowMode::FullScreen);
    window->makeKeyAndVisible();
    EXPECT_TRUE(window->isFullScreen());
}

} // namespace
} // namespace kavio::platform::test
