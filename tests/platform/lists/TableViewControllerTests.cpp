// A table screen answers for its own table.

#include "platform/TableViewController.h"

#include "platform/TableViewCell.h"
#include "platform/TableViewCellLabel.h"

#include <QApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace kavio::platform {
namespace {

class FolderScreen : public TableViewController {
public:
    FolderScreen() : TableViewController(TableViewStyle::InsetGrouped) {}

    int numberOfRowsInSection(TableView&, int) override { return 3; }
    std::unique_ptr<TableViewCell> cellForRow(TableView&, const IndexPath&) override
    {
        auto cell = std::make_unique<TableViewCell>(TableViewCellStyle::Subtitle);
        cell->setBackgroundColor(QColor(46, 46, 46));
        return cell;
    }
    int heightForRow(TableView&, const IndexPath&) override { return 60; }
    void willDisplayCell(TableView&, TableViewCell& cell, const IndexPath& path) override
    {
        cell.textLabel()->setText(QStringLiteral("Entry %1").arg(path.row));
    }
    void didSelectRow(TableView& table, const IndexPath& path) override
    {
        chosen.push_back(path);
        table.deselectRow(path, Animated::Yes);
    }

    std::vector<IndexPath> chosen;

protected:
    void loadView() override
    {
        TableViewController::loadView();
        tableView()->setBackgroundColor(QColor(51, 50, 50));
        setRefreshControl(new RefreshControl);
    }
};

class TableViewControllerTest : public ::testing::Test {
protected:
    void show()
    {
        screen_.view()->resize(400, 500);
        screen_.view()->show();
        QApplication::processEvents();
    }

    FolderScreen screen_;
};

TEST_F(TableViewControllerTest, TheViewIsATableInTheControllersStyle)
{
    ASSERT_NE(screen_.tableView(), nullptr);
    EXPECT_EQ(screen_.view(), screen_.tableView());
    EXPECT_EQ(screen_.tableView()->tableStyle(), TableViewStyle::InsetGrouped);
    EXPECT_EQ(screen_.tableView()->backgroundColor(), QColor(51, 50, 50));
}

TEST_F(TableViewControllerTest, TheControllerAnswersForItsTable)
{
    show();
    TableView* table = screen_.tableView();
    EXPECT_EQ(table->dataSource(), &screen_);
    EXPECT_EQ(table->delegate(), &screen_);
    ASSERT_NE(table->cellForRow(IndexPath::forRow(2)), nullptr);
    EXPECT_EQ(table->cellForRow(IndexPath::forRow(2))->textLabel()->text(), "Entry 2");
    EXPECT_EQ(table->rectForRow(IndexPath::forRow(1)).height(), 60);
}

TEST_F(TableViewControllerTest, SelectionReachesTheControllerAndIsUndone)
{
    show();
    screen_.tableView()->selectRow(IndexPath::forRow(1), Animated::No, TableViewScrollPosition::None);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(screen_.tableView(), &enter);
    EXPECT_EQ(screen_.chosen.size(), 0u) << "Enter acts on the keyboard's row, which is none yet";
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(screen_.tableView(), &down);
    QApplication::sendEvent(screen_.tableView(), &enter);
    EXPECT_EQ(screen_.chosen, std::vector{IndexPath::forRow(0)});
    EXPECT_EQ(screen_.tableView()->indexPathForSelectedRow(), std::nullopt);
}

TEST_F(TableViewControllerTest, RefreshControlBelongsToTheTable)
{
    EXPECT_NE(screen_.refreshControl(), nullptr);
    EXPECT_EQ(screen_.refreshControl(), screen_.tableView()->refreshControl());
}

TEST_F(TableViewControllerTest, DestroyingAShownScreenCallsNothingBack)
{
    auto screen = std::make_unique<FolderScreen>();
    screen->view()->resize(400, 500);
    screen->view()->show();
    QApplication::processEvents();
    screen.reset();
    QApplication::processEvents();
    SUCCEED();
}

} // namespace
} // namespace kavio::platform
