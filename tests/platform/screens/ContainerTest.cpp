// The containers: the navigation stack and its bar, tabs and their bar; lifecycle and keys.

#include "ScreensTestSupport.h"

#include "platform/screens/NavigationBar.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/NavigationItem.h"
#include "platform/screens/TabBar.h"
#include "platform/screens/TabBarController.h"
#include "platform/screens/TabBarItem.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include <algorithm>

namespace kavio::platform::test {
namespace {

using ::testing::ElementsAre;

class ContainerTest : public WindowTest {
protected:
    // A navigation controller over a recording root titled "Folders".
    NavigationController* showNavigation()
    {
        auto root = make("root");
        root->setTitle(QStringLiteral("Folders"));
        rootScreen = root.get();
        return showAsRoot(std::make_unique<NavigationController>(std::move(root)));
    }
    RecordingController* push(NavigationController& nav, const std::string& name, Animated animated = Animated::No)
    {
        auto vc = make(name);
        vc->setTitle(QString::fromStdString(name));
        RecordingController* raw = vc.get();
        nav.pushViewController(std::move(vc), animated);
        return raw;
    }
    // A tab bar controller over recording screens titled by their names.
    TabBarController* showTabs(std::initializer_list<const char*> names)
    {
        std::vector<std::unique_ptr<ViewController>> screens;
        for (const char* name : names) {
            screens.push_back(make(name));
            screens.back()->setTitle(QString::fromUtf8(name));
        }
        auto tabs = std::make_unique<TabBarController>();
        tabs->setViewControllers(std::move(screens));
        return showAsRoot(std::move(tabs));
    }
    static RecordingController* tab(TabBarController& tabs, int index)
    {
        return static_cast<RecordingController*>(tabs.viewControllers().at(static_cast<size_t>(index)));
    }
    long count(const std::string& event) const { return std::count(log.begin(), log.end(), event); }
    // Keys go to the focused widget, as they do from the keyboard.
    void press(QWidget* focus, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        if (!window->isActiveWindow()) {
            window->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        }
        focus->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), focus);
        QTest::keyClick(focus, key, modifiers);
    }

    RecordingController* rootScreen = nullptr;
};

// --- navigation stack ------------------------------------------------------------------

// Popping to a screen drops everything above it and destroys it later.
TEST_F(ContainerTest, PushAndPopSwapAppearanceAndPoppedScreensAreDestroyedLater)
{
    NavigationController* nav = showNavigation();
    EXPECT_FALSE(nav->popViewController(Animated::Yes)) << "nothing below the root";
    nav->popToRootViewController(Animated::No);
    EXPECT_TRUE(log.empty());
    RecordingController* a = push(*nav, "a");
    EXPECT_THAT(events(), ElementsAre("a.loadView", "a.viewDidLoad", "root.willDisappear", "a.willAppear",
                                      "root.didDisappear", "a.didAppear"));
    EXPECT_TRUE(a->view()->isVisible() && !rootScreen->view()->isVisible());
    QPointer<RecordingController> b = push(*nav, "b");
    QPointer<RecordingController> c = push(*nav, "c");
    events();
    nav->popToViewController(a, Animated::No);
    EXPECT_THAT(events(), ElementsAre("c.willDisappear", "a.willAppear", "c.didDisappear", "a.didAppear"))
        << "the covered b was already gone from the screen";
    EXPECT_THAT(nav->viewControllers(), ElementsAre(rootScreen, a));
    EXPECT_FALSE(b.isNull() || c.isNull()) << "deferred";
    flushDeferredDeletes();
    EXPECT_TRUE(b.isNull() && c.isNull());
    EXPECT_TRUE(nav->popViewController(Animated::No));
    EXPECT_THAT(events(), ElementsAre("a.willDisappear", "root.willAppear", "a.didDisappear", "root.didAppear"));
    EXPECT_TRUE(rootScreen->view()->isVisible() && nav->topViewController() == rootScreen);
}

TEST_F(ContainerTest, PushBeforeTheNavigationIsShownPlacesOnlyTheTop)
{
    auto nav = std::make_unique<NavigationController>(make("root"));
    nav->pushViewController(make("a"), Animated::Yes);
    EXPECT_TRUE(log.empty()) << "nothing loads before the controller does";
    window->setRootViewController(std::move(nav));
    window->show();
    EXPECT_THAT(events(), ElementsAre("a.loadView", "a.viewDidLoad", "a.willAppear", "a.didAppear"));
}

// A Back button in a pushed screen usually pops it from inside its own slot.
class SelfPopTest : public ContainerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SelfPopTest, ScreenPoppingItselfFromItsOwnSlotIsSafe)
{
    setAnimationsEnabled(GetParam());
    NavigationController* nav = showNavigation();
    QPointer<RecordingController> a = push(*nav, "a");
    a->onClose = [](RecordingController& self) { self.navigationController()->popViewController(Animated::Yes); };
    log.clear();
    a->closeButton()->click();
    ASSERT_TRUE(!a.isNull() && a->touchedAfterClose);
    EXPECT_EQ(nav->topViewController(), rootScreen) << "the stack changes at once, the slide follows";
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.isNull(); }));
    EXPECT_EQ(count("root.didAppear"), 1);
    EXPECT_EQ(rootScreen->view()->geometry(), rootScreen->view()->parentWidget()->rect());
}

INSTANTIATE_TEST_SUITE_P(AnimationsOffAndOn, SelfPopTest, ::testing::Bool());

TEST_F(ContainerTest, APushDuringASlideFinishesTheSlideFirst)
{
    setAnimationsEnabled(true);
    NavigationController* nav = showNavigation();
    RecordingController* a = push(*nav, "a", Animated::Yes);
    EXPECT_TRUE(rootScreen->view()->isVisible() && a->view()->isVisible()) << "both on show while sliding";
    events();
    RecordingController* b = push(*nav, "b", Animated::Yes);
    EXPECT_THAT(events(), ElementsAre("root.didDisappear", "a.didAppear", "b.loadView", "b.viewDidLoad",
                                      "a.willDisappear", "b.willAppear"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !a->view()->isVisible(); }));
    EXPECT_EQ(log.back(), "b.didAppear");
    EXPECT_EQ(b->view()->geometry(), b->view()->parentWidget()->rect());
}

// --- navigation bar --------------------------------------------------------------------

TEST_F(ContainerTest, TheBarFollowsTitlesAndElidesLongOnesAndBackButtonOrKeysGoBackButNotBackspaceInAField)
{
    NavigationController* nav = showNavigation();
    NavigationBar* bar = nav->navigationBar();
    EXPECT_TRUE(bar->backButton()->isHidden()) << "none at the root";
    RecordingController* a = push(*nav, "Movies");
    EXPECT_EQ(bar->titleLabel()->text(), "Movies");
    EXPECT_EQ(bar->backButton()->text(), "Folders");
    EXPECT_TRUE(bar->backButton()->isVisible()); // reached by Tab: the app's reading-order test walks it
    rootScreen->setTitle(QStringLiteral("Library"));
    EXPECT_EQ(bar->backButton()->text(), "Library");
    bar->backButton()->click();
    EXPECT_TRUE(nav->topViewController() == rootScreen && bar->backButton()->isHidden());

    // The keyboard's way back: Alt+Left, and Backspace outside a text field.
    events();
    press(rootScreen->closeButton(), Qt::Key_Left, Qt::AltModifier);
    press(rootScreen->closeButton(), Qt::Key_Backspace);
    EXPECT_TRUE(log.empty()) << "nothing to go back to at the root";
    a = push(*nav, "a");
    press(push(*nav, "b")->closeButton(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(nav->topViewController(), a) << "one screen per key press, though a button also uses arrows";
    press(a->closeButton(), Qt::Key_Backspace);
    EXPECT_EQ(nav->topViewController(), rootScreen);

    a = push(*nav, "a");
    auto* field = new QLineEdit(QStringLiteral("name"), a->view());
    field->show();
    press(field, Qt::Key_Backspace);
    EXPECT_EQ(nav->topViewController(), a);
    EXPECT_EQ(field->text(), "nam") << "the field keeps its Backspace";
    press(field, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(nav->topViewController(), rootScreen) << "Alt+Left still goes back from a field";

    // Long titles are elided and stay clear of the sides.
    const QString longName(200, u'W');
    rootScreen->setTitle(longName);
    push(*nav, "x")->setTitle(longName);
    EXPECT_LE(bar->backButton()->width(), bar->width() / 3);
    EXPECT_NE(bar->titleLabel()->text(), longName);
    EXPECT_GE(bar->titleLabel()->geometry().left(), bar->backButton()->geometry().right());
    EXPECT_LE(bar->titleLabel()->geometry().right(), bar->width());
}

// Item views belong to their screen's item: shown only while it is on top, dying with it.
TEST_F(ContainerTest, RightItemsShowOnlyForTheTopScreenAndDieWithTheirScreen)
{
    NavigationController* nav = showNavigation();
    NavigationBar* bar = nav->navigationBar();
    QPointer<QPushButton> edit = new QPushButton(QStringLiteral("Edit"));
    QPointer<QPushButton> add = new QPushButton(QStringLiteral("+"));
    std::vector<BarButtonItem> items;
    items.push_back(BarButtonItem::customView(edit));
    items.push_back(BarButtonItem::fixedSpace(20));
    items.push_back(BarButtonItem::customView(add));
    rootScreen->navigationItem().setRightBarButtonItems(std::move(items));
    EXPECT_TRUE(edit->isVisible() && edit->parentWidget() == bar);
    EXPECT_LE(edit->geometry().right(), bar->width() - 8) << "first item at the right edge";
    EXPECT_GE(edit->geometry().left() - add->geometry().right(), 20) << "the fixed space keeps them apart";

    add->hide(); // a view the screen hides stays hidden
    QPointer<RecordingController> a = push(*nav, "a");
    EXPECT_TRUE(!edit->isVisible() && edit->parentWidget() != bar);
    QPointer<QPushButton> done = new QPushButton(QStringLiteral("Done"));
    items.clear();
    items.push_back(BarButtonItem::customView(done));
    a->navigationItem().setRightBarButtonItems(std::move(items));
    nav->popViewController(Animated::No);
    EXPECT_TRUE(edit->isVisible() && add->isHidden() && edit->parentWidget() == bar);
    EXPECT_FALSE(done.isNull()) << "given back to the popped screen's item";
    flushDeferredDeletes();
    EXPECT_TRUE(a.isNull() && done.isNull());

    std::vector<BarButtonItem> kept; // replaced items take their views with them
    kept.push_back(BarButtonItem::customView(edit));
    rootScreen->navigationItem().setRightBarButtonItems(std::move(kept));
    EXPECT_TRUE(add.isNull() && !edit.isNull() && edit->isVisible());
}

TEST_F(ContainerTest, OpaqueNavigationBarIsSolidAndTranslucentLetsTheBackgroundThrough)
{
    NavigationBar* bar = showNavigation()->navigationBar();
    const QColor tint(58, 58, 63);
    bar->setBarTintColor(tint);
    bar->setTranslucent(false);
    const QPoint probe(bar->width() / 2, 4); // above the title's glyphs
    EXPECT_EQ(bar->grab().toImage().pixelColor(probe), tint);
    bar->setTranslucent(true);
    EXPECT_NE(bar->grab().toImage().pixelColor(probe), tint);
}


// --- tabs ------------------------------------------------------------------------------

// Replacing the tabs keeps the index where it can and retires the old screens later.
TEST_F(ContainerTest, SwitchingOrReplacingTabsMovesAppearanceAndShowsOnlyTheSelectedView)
{
    TabBarController* tabs = showTabs({"a", "b", "c"});
    RecordingController* a = tab(*tabs, 0);
    EXPECT_TRUE(a->isVisible() && !tab(*tabs, 1)->isViewLoaded()) << "only the first tab loads";
    tabs->setSelectedIndex(1);
    EXPECT_THAT(events(), ElementsAre("a.willDisappear", "b.loadView", "b.viewDidLoad", "b.willAppear",
                                      "a.didDisappear", "b.didAppear"));
    EXPECT_TRUE(tab(*tabs, 1)->view()->isVisible() && !a->view()->isVisible());
    for (int ignored : {1, 7, -1})
        tabs->setSelectedIndex(ignored);
    EXPECT_TRUE(log.empty() && tabs->selectedIndex() == 1);

    tabs->setSelectedIndex(2);
    QPointer<ViewController> c = tabs->selectedViewController();
    events();
    std::vector<std::unique_ptr<ViewController>> fresh;
    fresh.push_back(make("x"));
    fresh.push_back(make("y"));
    tabs->setViewControllers(std::move(fresh));
    EXPECT_EQ(tabs->selectedIndex(), 1) << "clamped to the new list";
    EXPECT_THAT(events(), ElementsAre("c.willDisappear", "y.loadView", "y.viewDidLoad", "y.willAppear",
                                      "c.didDisappear", "y.didAppear"));
    EXPECT_EQ(tabs->tabBar()->count(), 2);
    EXPECT_FALSE(c.isNull());
    flushDeferredDeletes();
    EXPECT_TRUE(c.isNull());
    tabs->setViewControllers({});
    EXPECT_TRUE(tabs->selectedIndex() == -1 && tabs->selectedViewController() == nullptr);
}

TEST_F(ContainerTest, TabsAreChosenByClickOrCtrlPageKeysRoundAndButtonsFollowTheirItemsInTheBarColours)
{
    TabBarController* tabs = showTabs({"a", "b", "c"});
    TabBar* bar = tabs->tabBar();
    EXPECT_EQ(bar->geometry().bottom(), tabs->view()->rect().bottom());
    bar->button(2)->click();
    EXPECT_EQ(tabs->selectedIndex(), 2);
    EXPECT_TRUE(bar->button(2)->isChecked() && !bar->button(0)->isChecked());
    press(tab(*tabs, 2)->closeButton(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(tabs->selectedIndex(), 0) << "wraps round";
    press(tab(*tabs, 0)->closeButton(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(tabs->selectedIndex(), 2);
    press(bar->button(1), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(tabs->selectedIndex(), 0) << "from the tab bar too, one tab per press";

    QImage glyph(60, 60, QImage::Format_ARGB32);
    glyph.fill(Qt::black); // a template: only the alpha counts
    tab(*tabs, 0)->tabBarItem().setImage(glyph);
    tab(*tabs, 1)->tabBarItem().setImage(glyph);
    tab(*tabs, 1)->tabBarItem().setTitle(QStringLiteral("Settings"));
    EXPECT_EQ(bar->button(1)->text(), "Settings");
    tab(*tabs, 0)->setTitle(QStringLiteral("Library"));
    EXPECT_EQ(bar->button(0)->text(), "Library") << "an item without a title follows its screen";

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


// What a screen in a tab's stack presents covers the whole window, both bars too.
TEST_F(ContainerTest, AStackInATabIsFoundFromItsScreensWhatTheyPresentCoversBothBarsAndReselectingPopsToItsRoot)
{
    std::vector<std::unique_ptr<ViewController>> screens;
    screens.push_back(std::make_unique<NavigationController>(make("root")));
    screens.push_back(make("other"));
    auto container = std::make_unique<TabBarController>();
    container->setViewControllers(std::move(screens));
    TabBarController* tabs = showAsRoot(std::move(container));
    auto* nav = static_cast<NavigationController*>(tabs->viewControllers().front());
    RecordingController* top = push(*nav, "pushed");
    EXPECT_TRUE(top->navigationController() == nav && top->tabBarController() == tabs);
    EXPECT_EQ(nav->navigationController(), nullptr) << "not its own container";
    events();
    RecordingController* alert = presentOver(*top, "alert");
    EXPECT_EQ(alert->presentingViewController(), tabs);
    EXPECT_EQ(alert->view()->geometry(), window->contentView()->rect());
    EXPECT_FALSE(nav->navigationBar()->isVisible() || tabs->tabBar()->isVisible());
    EXPECT_THAT(events(), ElementsAre("alert.loadView", "alert.viewDidLoad", "pushed.willDisappear", "alert.willAppear",
                                      "alert.didAppear", "pushed.didDisappear"));
    alert->dismiss(Animated::No);
    EXPECT_EQ(count("pushed.didAppear"), 1);
    EXPECT_TRUE(nav->navigationBar()->isVisible() && top->view()->isVisible());
    tabs->setSelectedIndex(1);
    EXPECT_FALSE(top->isVisible());
    tabs->setSelectedIndex(0);
    EXPECT_TRUE(top->isVisible()) << "the tab comes back as it was left";
    tabs->tabBar()->button(0)->click();
    EXPECT_EQ(nav->topViewController(), nav->viewControllers().front());
}

} // namespace
} // namespace kavio::platform::test
