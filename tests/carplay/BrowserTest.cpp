#include "support/CarplayTestSupport.h"

#include "carplay/CRFMController.h"
#include "carplay/KavioController.h"
#include "library/FolderModel.h"
#include "platform/lists/CellImageView.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"
#include "platform/lists/TableViewCellLabel.h"
#include "platform/screens/Application.h"
#include "platform/testing/FakePlayer.h"
#include "platform/views/CircleButton.h"

#include <QLabel>

#include <gtest/gtest.h>

namespace kavio::carplay {
namespace {

namespace fs = std::filesystem;
using kavio::test::writeFile;

class CarBrowser : public ::testing::Test {
protected:
    CRFMController* openRoot()
    {
        auto root = std::make_unique<CRFMController>(library.documents(), CloseButton::Hidden);
        CRFMController* raw = root.get();
        car.setRoot(std::move(root));
        return raw;
    }

    static std::optional<int> rowOf(CRFMController& browser, const std::string& name)
    {
        const auto& entries = browser.model().dirCon();
        const auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.name == name; });
        return it == entries.end() ? std::nullopt : std::optional<int>(int(it - entries.begin()));
    }

    static platform::TableViewCell* cellFor(CRFMController& browser, const std::string& name)
    {
        std::optional<int> row = rowOf(browser, name);
        if (!row)
            return nullptr;
        browser.tableView()->scrollToRow(platform::IndexPath::forRow(*row), platform::TableViewScrollPosition::Middle,
                                         platform::Animated::No);
        test::CarWindow::settle();
        return browser.tableView()->cellForRow(platform::IndexPath::forRow(*row));
    }

    static QString sizeText(platform::TableViewCell& cell)
    {
        auto* label = qobject_cast<QLabel*>(cell.accessoryView());
        return label ? label->text() : QString();
    }

    void tap(CRFMController& browser, const std::string& name)
    {
        std::optional<int> row = rowOf(browser, name);
        ASSERT_TRUE(row) << name;
        browser.didSelectRow(*browser.tableView(), platform::IndexPath::forRow(*row));
        test::CarWindow::settle();
    }

    fs::path docs(const std::string& name) const { return library.documents() / name; }

    test::Library library;
    test::CarWindow car;
    platform::FakePlayerFactory players;
};

TEST_F(CarBrowser, RowsShowRecordsFilesAndFolders)
{
    RecordPtr clip = test::record("clip");
    clip->ARTIST = "";
    RecordPtr broken = test::record("broken");
    broken->imgData = plist::Bytes(std::string("no picture"));
    RecordPtr live = test::record("Live", "mp4", "https://example.com/live.m3u8");
    test::fileRecords(library.documents(), {clip, broken, live});
    writeFile(docs("clip.mp4"), std::string(2500, 'x'));
    writeFile(docs("broken.mp4"), "x");
    writeFile(docs("Live.mp4"), "");
    writeFile(docs("copied by hand.MOV"), "x");
    fs::create_directory(docs("folder.mp4"));

    CRFMController* root = openRoot();
    platform::TableViewCell* row = cellFor(*root, "clip.mp4");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->textLabel()->text(), "clip");
    EXPECT_EQ(row->detailTextLabel()->text(), "");
    EXPECT_TRUE(row->imageView()->hasImage());
    EXPECT_EQ(sizeText(*row), "3 KB");

    row = cellFor(*root, "copied by hand.MOV");
    EXPECT_EQ(row->textLabel()->text(), "copied by hand.MOV");
    EXPECT_EQ(row->imageView()->imageSize(), QSize(40, 40));

    row = cellFor(*root, "folder.mp4");
    EXPECT_EQ(row->textLabel()->text(), "folder.mp4");
    EXPECT_EQ(row->accessoryType(), platform::TableViewCellAccessory::DisclosureIndicator);

    row = cellFor(*root, "Live.mp4");
    EXPECT_EQ(row->textLabel()->text(), "Live");
    EXPECT_EQ(sizeText(*row), "Zero KB");

    row = cellFor(*root, "broken.mp4");
    EXPECT_EQ(row->textLabel()->text(), "broken");
    EXPECT_EQ(row->detailTextLabel()->text(), "by broken");
    EXPECT_EQ(row->imageView()->imageSize(), QSize(40, 40)); // transparent, the row's size

    fs::remove(docs("broken.mp4"));
    root->tableView()->reloadData(); // rows drawn again from the old listing
    EXPECT_EQ(sizeText(*cellFor(*root, "broken.mp4")), "error");
}

TEST_F(CarBrowser, ChosenFilePlaysItsRecordsOwnFile)
{
    test::fileRecords(library.documents(), {test::record("clip")});
    writeFile(docs("clip.mov"), "x");
    CRFMController* root = openRoot();
    tap(*root, "clip.mov");
    ASSERT_TRUE(players.last());
    EXPECT_EQ(players.last()->calls().first(), "replace " + QUrl::fromLocalFile(QString::fromStdString(docs("clip.mp4").string())).toString());
}

TEST_F(CarBrowser, QueueIsTheWholeStoreInLoadOrder)
{
    RecordPtr c = test::record("c"), a = test::record("a"), b = test::record("b");
    c->KEY = "kKV20240101000001";
    a->KEY = "kKV20240101000002";
    b->KEY = "kKV20240101000003";
    test::fileRecords(library.documents(), {c, a, b});
    writeFile(docs("a.mp4"), "x");
    CRFMController* root = openRoot();
    tap(*root, "a.mp4");
    auto* player = dynamic_cast<KavioController*>(root->presentedViewController());
    ASSERT_TRUE(player);
    EXPECT_EQ(root->sele_indexPath(), 1);
    EXPECT_EQ(player->currentIndex(), 1u);
    EXPECT_EQ(player->queue().count(), 3u); // b.mp4 and c.mp4 are not even in the folder
}

TEST_F(CarBrowser, FileWithoutRecordPlaysAlone)
{
    test::fileRecords(library.documents(), {test::record("other")});
    writeFile(docs("dashcam.m4v"), "x");
    CRFMController* root = openRoot();
    tap(*root, "dashcam.m4v");
    auto* player = dynamic_cast<KavioController*>(root->presentedViewController());
    ASSERT_TRUE(player);
    EXPECT_EQ(player->queue().count(), 1u);
    EXPECT_EQ(players.last()->calls().first(), "replace " + QUrl::fromLocalFile(QString::fromStdString(docs("dashcam.m4v").string())).toString());
}

TEST_F(CarBrowser, VanishedEntryOnlyDeselects)
{
    writeFile(docs("gone.mp4"), "x");
    CRFMController* root = openRoot();
    fs::remove(docs("gone.mp4"));
    tap(*root, "gone.mp4");
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_EQ(players.madeCount(), 0u);
}

TEST_F(CarBrowser, CloseButtonOnEveryBrowserButTheRoot)
{
    fs::create_directories(docs("Documents")); // a subfolder named like the root
    fs::create_directories(docs("Trips"));
    CRFMController* root = openRoot();
    EXPECT_FALSE(root->hasCloseButton());
    EXPECT_TRUE(root->view()->findChildren<platform::CircleButton*>().isEmpty());

    tap(*root, "Documents");
    auto* inner = dynamic_cast<CRFMController*>(root->presentedViewController());
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->title(), "Documents");
    auto buttons = inner->view()->findChildren<platform::CircleButton*>();
    ASSERT_EQ(buttons.size(), 1);
    // A 40-point target around the 30-point ring, which stays 5 points from the corner.
    EXPECT_EQ(QRect(buttons[0]->mapTo(inner->tableView()->tableHeaderView(), QPoint()), buttons[0]->size()), QRect(0, 0, 40, 40));

    buttons[0]->click();
    test::CarWindow::settle();
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_EQ(car.window().topViewController(), root);
}

TEST_F(CarBrowser, VanishedFolderShowsOnlyTheHeader)
{
    fs::create_directories(docs("Trips"));
    writeFile(docs("Trips") / "a.mp4", "x");
    CRFMController* root = openRoot();
    tap(*root, "Trips");
    auto* trips = dynamic_cast<CRFMController*>(root->presentedViewController());
    ASSERT_TRUE(trips);
    EXPECT_EQ(trips->tableView()->numberOfRowsInSection(0), 1);
    fs::remove_all(docs("Trips"));
    trips->pulledToRefresh();
    EXPECT_EQ(trips->tableView()->numberOfRowsInSection(0), 0);
    EXPECT_TRUE(trips->tableView()->tableHeaderView());
    EXPECT_EQ(car.window().topViewController(), trips); // nothing to go back to by itself
}

TEST_F(CarBrowser, ForegroundReloadsEveryBrowserAndLeavesTheQueue)
{
    fs::create_directories(docs("Trips"));
    test::fileRecords(docs("Trips"), {test::record("a"), test::record("b")});
    writeFile(docs("Trips") / "a.mp4", "x");
    CRFMController* root = openRoot();
    tap(*root, "Trips");
    auto* trips = dynamic_cast<CRFMController*>(root->presentedViewController());
    tap(*trips, "a.mp4");
    auto* player = dynamic_cast<KavioController*>(trips->presentedViewController());
    ASSERT_TRUE(player);

    writeFile(docs("new.mp4"), "x");
    writeFile(docs("Trips") / "b.mp4", "x");
    test::fileRecords(docs("Trips"), {test::record("z")});
    platform::Application::instance()->simulateReturnToForeground();
    test::CarWindow::settle();

    EXPECT_TRUE(rowOf(*root, "new.mp4"));
    EXPECT_EQ(root->tableView()->numberOfRowsInSection(0), 2);
    EXPECT_EQ(trips->tableView()->numberOfRowsInSection(0), 2);
    EXPECT_EQ(trips->model().save_items()->size(), 3u);
    EXPECT_EQ(player->queue().count(), 2u);
    EXPECT_EQ(player->currentIndex(), 0u);
}

} // namespace
} // namespace kavio::carplay
