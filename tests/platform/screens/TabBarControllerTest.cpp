// Tabs: switching and its lifecycle, the bar drawn from the items, keys, nesting.

#include "ScreensTestSupport.h"

#include "platform/screens/NavigationController.h"
#include "platform/screens/TabBar.h"
#include "platform/screens/TabBarController.h"
#include "platform/screens/TabBarItem.h"

#include <QAbstractButton>
#include <QPointer>

namespace kavio::platform::test {
namespace {

using ::testing::ElementsAre;

class TabBarTest : public WindowTest {
protected:
    // A shown window whose root is a tab bar controller over recording screens.
    TabBarController* showTabs(std::initializer_list<const char*> names)
    {
        auto tabs = std::make_unique<TabBarController>();
        std::vector<std::unique_ptr<ViewController>> screens;
        for (const char* name : names) {
            auto vc = make(name);
            vc->setTitle(QString::fromUtf8(name));
            screens.push_back(std::move(vc));
        }
        tabs->setViewControllers(std::move(screens));
        TabBarController* raw = tabs.get();
        window->setRootViewController(std::move(tabs));
        window->show();
        log.clear();
        return raw;
    }
    static RecordingController* screen(TabBarController& tabs, int index)
    {
        return static_cast<RecordingController*>(tabs.viewControllers().at(static_cast<size_t>(index)));
    }
};

TEST_F(TabBarTest, SwitchingTabsMovesAppearanceAndShowsOnlyTheSelectedView)
{
    TabBarController* tabs = showTabs({"a", "b", "c"});
    RecordingController* a = screen(*tabs, 0);
    EXPECT_TRUE(a->isVisible() && !screen(*tabs, 1)->isViewLoaded()) << "only the first tab loads";
    tabs->setSelectedIndex(1);
    EXPECT_THAT(log, ElementsAre("a.willDisappear", "b.loadView", "b.viewDidLoad", "b.willAppear",
                                 "a.didDisappear", "b.didAppear"));
    EXPECT_TRUE(screen(*tabs, 1)->view()->isVisible() && !a->view()->isVisible());
    EXPECT_EQ(tabs->selectedViewController(), screen(*tabs, 1));
    EXPECT_EQ(screen(*tabs, 1)->tabBarController(), tabs);
    log.clear();
    tabs->setSelectedIndex(1);
    tabs->setSelectedIndex(7);
    tabs->setSelectedIndex(-1);
    EXPECT_TRUE(log.empty() && tabs->selectedIndex() == 1);
}

TEST_F(TabBarTest, ReplacingTheTabsKeepsTheIndexAndRetiresTheOldScreensLater)
{
    TabBarController* tabs = showTabs({"a", "b", "c"});
    tabs->setSelectedIndex(2);
    QPointer<ViewController> c = tabs->selectedViewController();
    log.clear();
    std::vector<std::unique_ptr<ViewController>> fresh;
    fresh.push_back(make("x"));
    fresh.push_back(make("y"));
    tabs->setViewControllers(std::move(fresh));
    EXPECT_EQ(tabs->selectedIndex(), 1) << "clamped to the new list";
    EXPECT_THAT(log, ElementsAre("c.willDisappear", "y.loadView", "y.viewDidLoad", "y.willAppear", "c.didDisappear",
                                 "y.didAppear"));
    EXPECT_EQ(tabs->tabBar()->count(), 2);
    EXPECT_FALSE(c.isNull());
    flushDeferredDeletes();
    EXPECT_TRUE(c.isNull());
    tabs->setViewControllers({});
    EXPECT_TRUE(tabs->selectedIndex() == -1 && tabs->selectedViewController() == nullptr);
}

TEST_F(TabBarTest, ClickingATabSelectsItAndCtrlPageKeysCycleRound)
{
    TabBarController* tabs = showTabs({"a", "b", "c"});
    TabBar* bar = tabs->tabBar();
    EXPECT_EQ(bar->height(), TabBar::kHeight);
    EXPECT_EQ(bar->geometry().bottom(), tabs->view()->rect().bottom());
    bar->button(2)->click();
    EXPECT_EQ(tabs->selectedIndex(), 2);
    EXPECT_TRUE(bar->button(2)->isChecked() && !bar->button(0)->isChecked());
    EXPECT_TRUE(bar->button(0)->focusPolicy() & Qt::TabFocus) << "reachable from the keyboard";

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto press = [](QWidget* focus, Qt::Key key) {
        focus->setFocus();
        QTest::keyClick(focus, key, Qt::ControlModifier);
    };
    press(screen(*tabs, 2)->closeButton(), Qt::Key_PageDown);
    EXPECT_EQ(tabs->selectedIndex(), 0) << "wraps round";
    press(screen(*tabs, 0)->closeButton(), Qt::Key_PageUp);
    EXPECT_EQ(tabs->selectedIndex(), 2);
    press(bar->button(1), Qt::Key_PageDown);
    EXPECT_EQ(tabs->selectedIndex(), 0) << "from the tab bar too, one tab per press";
}

TEST_F(TabBarTest, TabButtonsFollowTheirItemsAndDrawImagesInTheBarColours)
{
    TabBarController* tabs = showTabs({"a", "b"});
    TabBar* bar = tabs->tabBar();
    QImage glyph(60, 60, QImage::Format_ARGB32);
    glyph.fill(Qt::black); // a template: only the alpha counts
    for (int i = 0; i < 2; ++i) {
        screen(*tabs, i)->tabBarItem().setImage(glyph);
        screen(*tabs, i)->tabBarItem().setTag(10 + i);
    }
    screen(*tabs, 1)->tabBarItem().setTitle(QStringLiteral("Settings"));
    EXPECT_EQ(bar->button(1)->text(), "Settings");
    screen(*tabs, 0)->setTitle(QStringLiteral("Library"));
    EXPECT_EQ(bar->button(0)->text(), "Library") << "an item without a title follows its screen";
    EXPECT_EQ(tabs->selectedViewController()->tabBarItem().tag(), 10);

    const QColor selected(255, 149, 0);
    const QColor unselected(99, 99, 102);
    const QColor background(58, 58, 63);
    bar->setTintColor(selected);
    bar->setUnselectedItemTintColor(unselected);
    bar->setBarTintColor(background);
    const QImage shot = bar->grab().toImage();
    auto imageCentre = [&](int i) {
        const QRect r = bar->button(i)->geometry();
        return shot.pixelColor(r.center().x(), r.top() + 4 + TabBar::kImageSize / 2);
    };
    EXPECT_EQ(imageCentre(0), selected);
    EXPECT_EQ(imageCentre(1), unselected);
    EXPECT_EQ(shot.pixelColor(2, bar->height() - 2), background);
}

TEST_F(TabBarTest, NavigationInsideATabIsFoundFromItsScreensAndReselectingPopsToItsRoot)
{
    std::vector<std::unique_ptr<ViewController>> screens;
    screens.push_back(std::make_unique<NavigationController>(make("root")));
    screens.push_back(make("other"));
    auto tabs = std::make_unique<TabBarController>();
    tabs->setViewControllers(std::move(screens));
    TabBarController* raw = tabs.get();
    window->setRootViewController(std::move(tabs));
    window->show();
    auto* nav = static_cast<NavigationController*>(raw->viewControllers().front());
    auto pushed = make("pushed");
    RecordingController* top = pushed.get();
    nav->pushViewController(std::move(pushed), Animated::No);
    EXPECT_EQ(top->navigationController(), nav);
    EXPECT_EQ(top->tabBarController(), raw);
    EXPECT_EQ(nav->navigationController(), nullptr) << "not its own container";

    raw->setSelectedIndex(1);
    EXPECT_FALSE(top->isVisible());
    raw->setSelectedIndex(0);
    EXPECT_TRUE(top->isVisible()) << "the tab comes back as it was left";
    raw->tabBar()->button(0)->click();
    EXPECT_EQ(nav->topViewController(), nav->viewControllers().front());
}

} // namespace
} // namespace kavio::platform::test
