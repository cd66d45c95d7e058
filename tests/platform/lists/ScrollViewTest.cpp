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

// One list on screen, 480 points high, with far more content than fits.
class List {
public:
    virtual ~List() = default;
    virtual ScrollView& view() = 0;
    virtual QPoint centreOf(int index) = 0;
    virtual std::vector<int> visible() = 0;
    virtual std::vector<int> chosen() = 0;
    virtual std::size_t cellRequests() = 0;
    virtual void reloadOnceWhileDisplaying() = 0;
    // Rows or items that fit on screen whole.
    virtual int fitsOnScreen() = 0;
    // Cells shown in the viewport now, counted without asking the list.
    template <class Cell>
    int shownCells()
    {
        int shown = 0;
        for (const Cell* cell : view().viewport()->template findChildren<Cell*>())
            shown += cell->isVisible() && view().viewport()->rect().intersects(cell->geometry());
        return shown;
    }
    virtual int cellsOnScreen() = 0;

protected:
    void show(int width)
    {
        view().resize(width, 480);
        view().show();
        QApplication::processEvents();
    }
};

class Table : public List {
public:
    Table()
    {
        table_.setRowHeight(60);
        table_.setDataSource(&source_);
        table_.setDelegate(&source_);
        show(800);
    }
    ScrollView& view() override { return table_; }
    QPoint centreOf(int index) override { return table_.visualRectForRow(IndexPath::forRow(index)).center(); }
    std::vector<int> visible() override { return rows(table_.indexPathsForVisibleRows()); }
    std::vector<int> chosen() override { return rows(source_.selected); }
    std::size_t cellRequests() override { return source_.cellRequests.size(); }
    int fitsOnScreen() override { return 480 / 60 - 1; }
    int cellsOnScreen() override { return shownCells<TableViewCell>(); }
    void reloadOnceWhileDisplaying() override
    {
        source_.onDisplay = [this] {
            source_.onDisplay = nullptr;
            table_.reloadData();
        };
    }

private:
    static std::vector<int> rows(const std::vector<IndexPath>& paths)
    {
        std::vector<int> out;
        for (const IndexPath& p : paths)
            out.push_back(p.row);
        return out;
    }

    test::RecordingTable source_{10000};
    TableView table_{TableViewStyle::InsetGrouped};
};

class Strip : public List {
public:
    Strip()
    {
        CollectionViewFlowLayout layout;
        layout.setItemSize({30, 30});
        layout.setMinimumLineSpacing(10);
        view_.setCollectionViewLayout(layout);
        view_.registerCellClass<CollectionViewCell>(test::RecordingStrip::kIdentifier);
        strip_.items = 1000;
        view_.setDataSource(&strip_);
        view_.setDelegate(&strip_);
        show(40);
    }
    ScrollView& view() override { return view_; }
    QPoint centreOf(int index) override { return view_.visualRectForItem(IndexPath::forItem(index)).center(); }
    std::vector<int> visible() override { return items(view_.indexPathsForVisibleItems()); }
    std::vector<int> chosen() override { return items(strip_.selected); }
    std::size_t cellRequests() override { return strip_.cellRequests.size(); }
    int fitsOnScreen() override { return 480 / 40 - 1; }
    int cellsOnScreen() override { return shownCells<CollectionViewCell>(); }
    void reloadOnceWhileDisplaying() override
    {
        strip_.onDisplay = [this] {
            strip_.onDisplay = nullptr;
            view_.reloadData();
        };
    }

private:
    static std::vector<int> items(const std::vector<IndexPath>& paths)
    {
        std::vector<int> out;
        for (const IndexPath& p : paths)
            out.push_back(p.item());
        return out;
    }

    test::RecordingStrip strip_;
    CollectionView view_;
};

struct ListKind {
    const char* name;
    std::function<std::unique_ptr<List>()> make;
};

class ScrollViewTest : public ::testing::TestWithParam<ListKind> {
protected:
    static constexpr int kDistance = 240; // a thumb's flick: half the list up in an eighth of a second

    QWidget* glass() { return list->view().viewport(); }
    QPoint from() { return {glass()->width() / 2, 360}; }
    QPoint to() { return from() - QPoint(0, kDistance); }
    bool comesToRest() { return QTest::qWaitFor([&] { return !list->view().isDecelerating(); }, 8000); }

    std::unique_ptr<List> list = GetParam().make();
};

TEST_P(ScrollViewTest, AFlickGoesOnAndStopsByItselfAHeldLiftOrAMouseDragOnlyDrags)
{
    ScrollView& view = list->view();
    touchDrag(glass(), from(), to(), 8, 16, 120);
    EXPECT_FALSE(view.isDecelerating()) << "a finger held still before lifting";
    EXPECT_NEAR(view.contentOffset(), kDistance, 2);
    view.setContentOffset(0, Animated::No);
    test::drag(glass(), from(), to());
    EXPECT_FALSE(view.isDecelerating()) << "a mouse";
    EXPECT_NEAR(view.contentOffset(), kDistance, 2);

    view.setContentOffset(0, Animated::No);
    touchDrag(glass(), from(), to());
    EXPECT_TRUE(view.isDecelerating());
    ASSERT_TRUE(comesToRest());
    const int flicked = view.contentOffset();
    EXPECT_GT(flicked, 2 * kDistance) << "momentum carried it on";
    EXPECT_LT(flicked, view.verticalScrollBar()->maximum()) << "and it slowed to a stop";
    QTest::qWait(100);
    EXPECT_EQ(view.contentOffset(), flicked);
    EXPECT_TRUE(list->chosen().empty());
}

TEST_P(ScrollViewTest, ATapOnMovingContentOnlyStopsItAndTwoQuickTapsAreTwoTaps)
{
    touchDrag(glass(), from(), to());
    QTest::qWait(100);
    ASSERT_TRUE(list->view().isDecelerating());
    touchTap(glass(), list->centreOf(list->visible().at(3)));
    EXPECT_FALSE(list->view().isDecelerating());
    const int stopped = list->view().contentOffset();
    QTest::qWait(100);
    EXPECT_EQ(list->view().contentOffset(), stopped);
    EXPECT_TRUE(list->chosen().empty());

    const int item = list->visible().at(3);
    touchTap(glass(), list->centreOf(item));
    touchTap(glass(), list->centreOf(item)); // Qt makes this one a double click
    EXPECT_EQ(list->chosen(), (std::vector{item, item}));
}

TEST_P(ScrollViewTest, AReloadAskedForWhileCellsAreMadeIsDoneBeforeTheScreenShows)
{
    list->reloadOnceWhileDisplaying();
    const std::size_t before = list->cellRequests();
    list->view().setContentOffset(kDistance * 10, Animated::No);
    EXPECT_GE(list->cellsOnScreen(), list->fitsOnScreen());
    EXPECT_GT(list->cellRequests() - before, std::size_t(list->fitsOnScreen())) << "asked again after the reload";
}

INSTANTIATE_TEST_SUITE_P(
    BothLists, ScrollViewTest,
    ::testing::Values(ListKind{"Table", [] { return std::unique_ptr<List>(std::make_unique<Table>()); }},
                      ListKind{"Strip", [] { return std::unique_ptr<List>(std::make_unique<Strip>()); }}),
    [](const auto& kind) { return std::string(kind.param.name); });

} // namespace
} // namespace kavio::platform
