// The scrolling both lists stand on, tried on each: a flick goes on and stops by itself, a
// drag that ends at rest or comes from a mouse does not; a tap on moving content only stops
// it; two quick taps are two taps; a reload asked for while cells are being made is done.

#include "platform/lists/ScrollView.h"

#include "ListTestSupport.h"

#include <QScrollBar>

namespace kavio::platform {
namespace {

using test::touchDrag;
using test::touchTap;

// One list 480 points high, with far more content than fits.
template <class List>
class ScrollViewTest : public ::testing::Test {
protected:
    static constexpr int kDistance = 240; // a thumb's flick: half the list up in an eighth of a second
    static constexpr int kFitsOnScreen = 480 / List::kPitch - 1; // rows or items whole on screen

    ScrollViewTest() { list.open({std::is_same_v<List, test::ShownTable> ? 800 : 40, 480}); }

    ScrollView& view() { return list.scrollView(); }
    QWidget* glass() { return view().viewport(); }
    QPoint from() { return {glass()->width() / 2, 360}; }
    QPoint to() { return from() - QPoint(0, kDistance); }

    List list{10000};
};

struct ListName {
    template <class List>
    static std::string GetName(int) { return std::is_same_v<List, test::ShownTable> ? "Table" : "Strip"; }
};
using BothLists = ::testing::Types<test::ShownTable, test::ShownStrip>;
TYPED_TEST_SUITE(ScrollViewTest, BothLists, ListName);

TYPED_TEST(ScrollViewTest, AFlickGoesOnAndStopsByItselfAHeldLiftOrAMouseDragOnlyDrags)
{
    ScrollView& view = this->view();
    touchDrag(this->glass(), this->from(), this->to(), 8, 16, 120);
    EXPECT_FALSE(view.isDecelerating()) << "a finger held still before lifting";
    EXPECT_NEAR(view.contentOffset(), this->kDistance, 2);
    view.setContentOffset(0, Animated::No);
    test::drag(this->glass(), this->from(), this->to());
    EXPECT_FALSE(view.isDecelerating()) << "a mouse";
    EXPECT_NEAR(view.contentOffset(), this->kDistance, 2);

    view.setContentOffset(0, Animated::No);
    touchDrag(this->glass(), this->from(), this->to());
    EXPECT_TRUE(view.isDecelerating());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.isDecelerating(); }, 8000));
    const int flicked = view.contentOffset();
    EXPECT_GT(flicked, 2 * this->kDistance) << "momentum carried it on";
    EXPECT_LT(flicked, view.verticalScrollBar()->maximum()) << "and it slowed to a stop";
    QTest::qWait(100);
    EXPECT_EQ(view.contentOffset(), flicked);
    EXPECT_TRUE(this->list.chosen().empty());
}

TYPED_TEST(ScrollViewTest, ATapOnMovingContentOnlyStopsItAndTwoQuickTapsAreTwoTaps)
{
    touchDrag(this->glass(), this->from(), this->to());
    ASSERT_TRUE(this->view().isDecelerating()); // checked at once: a busy machine may end a short flick
    touchTap(this->glass(), this->list.centreOf(this->list.visible().at(3)));
    EXPECT_FALSE(this->view().isDecelerating());
    const int stopped = this->view().contentOffset();
    QTest::qWait(100);
    EXPECT_EQ(this->view().contentOffset(), stopped);
    EXPECT_TRUE(this->list.chosen().empty());

    const int item = this->list.visible().at(3);
    touchTap(this->glass(), this->list.centreOf(item));
    touchTap(this->glass(), this->list.centreOf(item)); // Qt makes this one a double click
    EXPECT_EQ(this->list.chosen(), (std::vector{item, item}));
}

TYPED_TEST(ScrollViewTest, AReloadAskedForWhileCellsAreMadeIsDoneBeforeTheScreenShows)
{
    this->list.reloadOnceWhileDisplaying();
    const std::size_t before = this->list.cellRequests();
    this->view().setContentOffset(this->kDistance * 10, Animated::No);
    EXPECT_GE(this->list.cellsOnScreen(), this->kFitsOnScreen);
    EXPECT_GT(this->list.cellRequests() - before, std::size_t(this->kFitsOnScreen)) << "asked again after the reload";
}

} // namespace
} // namespace kavio::platform
