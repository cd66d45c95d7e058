// The navigation stack: lifecycle of pushes and pops, the bar it shows, its keys.

#include "ScreensTestSupport.h"

#include "platform/screens/NavigationBar.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/NavigationItem.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include <algorithm>

namespace kavio::platform::test {
namespace {

using ::testing::ElementsAre;

class NavigationTest : public WindowTest {
protected:
    // A shown window whose root is a navigation controller over a recording "root".
    NavigationController* showNavigation()
    {
        auto root = make("root");
        root->setTitle(QStringLiteral("Folders"));
        rootScreen = root.get();
        window->setRootViewController(std::make_unique<NavigationController>(std::move(root)));
        window->show();
        log.clear();
        return static_cast<NavigationController*>(window->rootViewController());
    }
    RecordingController* push(NavigationController& nav, const std::string& name, Animated animated = Animated::No)
    {
        auto vc = make(name);
        vc->setTitle(QString::fromStdString(name));
        RecordingController* raw = vc.get();
        nav.pushViewController(std::move(vc), animated);
        return raw;
    }
    long count(const std::string& event) const { return std::count(log.begin(), log.end(), event); }

    RecordingController* rootScreen = nullptr;
};

// --- stack and lifecycle -------------------------------------------------------------

TEST_F(NavigationTest, PushAndPopSwapAppearanceAndRevealTheCoveredScreenOnce)
{
    NavigationController* nav = showNavigation();
    RecordingController* a = push(*nav, "a");
    EXPECT_THAT(log, ElementsAre("a.loadView", "a.viewDidLoad", "root.willDisappear", "a.willAppear",
                                 "root.didDisappear", "a.didAppear"));
    EXPECT_TRUE(a->view()->isVisible() && !rootScreen->view()->isVisible());
    EXPECT_EQ(a->navigationController(), nav);
    log.clear();
    EXPECT_TRUE(nav->popViewController(Animated::No));
    EXPECT_THAT(log, ElementsAre("a.willDisappear", "root.willAppear", "a.didDisappear", "root.didAppear"));
    EXPECT_TRUE(rootScreen->view()->isVisible());
    EXPECT_THAT(nav->viewControllers(), ElementsAre(rootScreen));
    // Hiding and showing the window reaches the top screen only.
    log.clear();
    window->hide();
    window->show();
    EXPECT_EQ(count("root.didAppear"), 1);
}

TEST_F(NavigationTest, PopAtTheRootDoesNothing)
{
    NavigationController* nav = showNavigation();
    EXPECT_FALSE(nav->popViewController(Animated::Yes));
    nav->popToRootViewController(Animated::No);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(rootScreen->isVisible() && rootScreen->view()->isVisible());
}

TEST_F(NavigationTest, PopToViewControllerDropsEverythingAboveAndDestroysItLater)
{
    NavigationController* nav = showNavigation();
    RecordingController* a = push(*nav, "a");
    QPointer<RecordingController> b = push(*nav, "b");
    QPointer<RecordingController> c = push(*nav, "c");
    log.clear();
    nav->popToViewController(a, Animated::No);
    EXPECT_THAT(log, ElementsAre("c.willDisappear", "a.willAppear", "c.didDisappear", "a.didAppear"))
        << "the covered b was already gone from the screen";
    EXPECT_THAT(nav->viewControllers(), ElementsAre(rootScreen, a));
    EXPECT_FALSE(b.isNull() || c.isNull()) << "deferred";
    flushDeferredDeletes();
    EXPECT_TRUE(b.isNull() && c.isNull());
    nav->popToRootViewController(Animated::No);
    EXPECT_EQ(nav->topViewController(), rootScreen);
}

TEST_F(NavigationTest, PushBeforeTheControllerIsShownPlacesOnlyTheTop)
{
    auto nav = std::make_unique<NavigationController>(make("root"));
    nav->pushViewController(make("a"), Animated::Yes);
    EXPECT_TRUE(log.empty()) << "nothing loads before the controller does";
    window->setRootViewController(std::move(nav));
    window->show();
    EXPECT_THAT(log, ElementsAre("a.loadView", "a.viewDidLoad", "a.willAppear", "a.didAppear"));
}

// A Back button in a pushed screen usually pops it from inside its own slot.
class SelfPopTest : public NavigationTest, public ::testing::WithParamInterface<bool> {};

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

TEST_F(NavigationTest, APushDuringASlideFinishesTheSlideFirst)
{
    setAnimationsEnabled(true);
    NavigationController* nav = showNavigation();
    RecordingController* a = push(*nav, "a", Animated::Yes);
    EXPECT_TRUE(rootScreen->view()->isVisible() && a->view()->isVisible()) << "both on show while sliding";
    RecordingController* b = push(*nav, "b", Animated::Yes);
    EXPECT_THAT(log, ElementsAre("a.loadView", "a.viewDidLoad", "root.willDisappear", "a.willAppear",
                                 "root.didDisappear", "a.didAppear", "b.loadView", "b.viewDidLoad", "a.willDisappear",
                                 "b.willAppear"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !a->view()->isVisible(); }));
    EXPECT_EQ(log.back(), "b.didAppear");
    EXPECT_EQ(b->view()->geometry(), b->view()->parentWidget()->rect());
}

// --- presentation from inside ----------------------------------------------------------

TEST_F(NavigationTest, ScreenPresentedFromAPushedScreenCoversTheWholeWindow)
{
    NavigationController* nav = showNavigation();
    RecordingController* a = push(*nav, "a");
    log.clear();
    RecordingController* alert = presentOver(*a, "alert");
    EXPECT_EQ(alert->presentingViewController(), nav);
    EXPECT_EQ(alert->view()->geometry(), window->contentView()->rect());
    EXPECT_FALSE(nav->navigationBar()->isVisible());
    EXPECT_THAT(log, ElementsAre("alert.loadView", "alert.viewDidLoad", "a.willDisappear", "alert.willAppear",
                                 "alert.didAppear", "a.didDisappear"));
    log.clear();
    alert->dismiss(Animated::No);
    EXPECT_EQ(count("a.didAppear"), 1);
    EXPECT_TRUE(nav->navigationBar()->isVisible() && a->view()->isVisible());
}

// --- bar -----------------------------------------------------------------------------

TEST_F(NavigationTest, BackButtonFollowsThePreviousTitleAndItsBackButtonTitle)
{
    NavigationController* nav = showNavigation();
    NavigationBar* bar = nav->navigationBar();
    EXPECT_TRUE(bar->backButton()->isHidden()) << "none at the root";
    EXPECT_EQ(bar->titleLabel()->text(), "Folders");
    push(*nav, "Movies");
    EXPECT_EQ(bar->titleLabel()->text(), "Movies");
    EXPECT_EQ(bar->backButton()->text(), "Folders");
    EXPECT_TRUE(bar->backButton()->isVisible() && (bar->backButton()->focusPolicy() & Qt::TabFocus));
    rootScreen->setTitle(QStringLiteral("Library"));
    EXPECT_EQ(bar->backButton()->text(), "Library");
    rootScreen->navigationItem().setBackButtonTitle(QStringLiteral("Back"));
    rootScreen->setTitle(QStringLiteral("Ignored"));
    EXPECT_EQ(bar->backButton()->text(), "Back");
    nav->topViewController()->navigationItem().setTitle(QStringLiteral("Clips"));
    EXPECT_EQ(bar->titleLabel()->text(), "Clips") << "the item's own title wins over the screen's";
    bar->backButton()->click();
    EXPECT_EQ(nav->topViewController(), rootScreen);
    EXPECT_TRUE(bar->backButton()->isHidden());
}

TEST_F(NavigationTest, LongTitlesAreElidedAndStayClearOfTheSides)
{
    NavigationController* nav = showNavigation();
    const QString longName(200, u'W');
    rootScreen->setTitle(longName);
    push(*nav, "x")->setTitle(longName);
    NavigationBar* bar = nav->navigationBar();
    EXPECT_LE(bar->backButton()->width(), bar->width() / 3);
    EXPECT_NE(bar->titleLabel()->text(), longName);
    EXPECT_GE(bar->titleLabel()->geometry().left(), bar->backButton()->geometry().right());
    EXPECT_LE(bar->titleLabel()->geometry().right(), bar->width());
}

TEST_F(NavigationTest, RightItemsShowOnlyForTheTopScreenAndComeBackAfterAPop)
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

    push(*nav, "a");
    EXPECT_FALSE(edit->isVisible() || add->isVisible());
    EXPECT_NE(edit->parentWidget(), bar);
    nav->popViewController(Animated::No);
    EXPECT_TRUE(edit->isVisible() && add->isVisible() && edit->parentWidget() == bar);

    // A view the screen hides stays hidden; replaced items take their views with them.
    add->hide();
    push(*nav, "b");
    nav->popViewController(Animated::No);
    EXPECT_TRUE(edit->isVisible() && add->isHidden());
    std::vector<BarButtonItem> kept;
    kept.push_back(BarButtonItem::customView(edit));
    rootScreen->navigationItem().setRightBarButtonItems(std::move(kept));
    EXPECT_TRUE(add.isNull());
    ASSERT_FALSE(edit.isNull());
    EXPECT_TRUE(edit->isVisible());
}

TEST_F(NavigationTest, ItemViewsDieWithTheirScreenNotWithTheBar)
{
    NavigationController* nav = showNavigation();
    QPointer<RecordingController> a = push(*nav, "a");
    QPointer<QPushButton> done = new QPushButton(QStringLiteral("Done"));
    std::vector<BarButtonItem> items;
    items.push_back(BarButtonItem::customView(done));
    a->navigationItem().setRightBarButtonItems(std::move(items));
    nav->popViewController(Animated::No);
    EXPECT_FALSE(done.isNull()) << "given back to the screen's item";
    flushDeferredDeletes();
    EXPECT_TRUE(a.isNull() && done.isNull());
}

TEST_F(NavigationTest, OpaqueBarIsSolidAndTranslucentLetsTheBackgroundThrough)
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

// --- keyboard ------------------------------------------------------------------------

// Keys go to the focused widget, as they do from the keyboard.
void press(QWidget* focus, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    focus->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), focus);
    QTest::keyClick(focus, key, modifiers);
}

TEST_F(NavigationTest, AltLeftAndBackspacePopExceptWhileATextFieldHasFocus)
{
    NavigationController* nav = showNavigation();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    press(rootScreen->closeButton(), Qt::Key_Left, Qt::AltModifier);
    press(rootScreen->closeButton(), Qt::Key_Backspace);
    EXPECT_TRUE(log.empty()) << "nothing to go back to at the root";

    RecordingController* a = push(*nav, "a");
    push(*nav, "b");
    press(static_cast<RecordingController*>(nav->topViewController())->closeButton(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(nav->topViewController(), a) << "one screen per key press, though a button also uses arrows";
    press(a->closeButton(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(nav->topViewController(), rootScreen);

    a = push(*nav, "a");
    auto* field = new QLineEdit(QStringLiteral("name"), a->view());
    field->show();
    press(field, Qt::Key_Backspace);
    EXPECT_EQ(nav->topViewController(), a);
    EXPECT_EQ(field->text(), "nam") << "the field keeps its Backspace";
    press(field, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(nav->topViewController(), rootScreen) << "Alt+Left still goes back from a field";

    a = push(*nav, "a");
    press(a->closeButton(), Qt::Key_Backspace);
    EXPECT_EQ(nav->topViewController(), rootScreen);
}

} // namespace
} // namespace kavio::platform::test
