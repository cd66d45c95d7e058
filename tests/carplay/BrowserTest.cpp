// The car browser: its rows, what a chosen entry opens, the folders over one another and
// their close buttons, by finger as on a car PC's touchscreen; the screens at the three
// common panel sizes in both drive layouts; a Documents folder on a USB stick.

#include "support/BrowserTestSupport.h"
#include "support/InputSupport.h"

#include "carplay/CRFMController.h"
#include "carplay/KavioCollectionViewCell.h"
#include "carplay/KavioController.h"
#include "library/FolderModel.h"
#include "platform/lists/CellImageView.h"
#include "platform/lists/RefreshControl.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"
#include "platform/lists/TableViewCellLabel.h"
#include "platform/media/PlayerControlsBar.h"
#include "platform/media/PlayerVideoSurface.h"
#include "platform/media/PlayerView.h"
#include "platform/screens/Application.h"
#include "platform/testing/FakePlayer.h"
#include "platform/views/CircleButton.h"

#include <QLabel>
#include <QSlider>
#include <QToolButton>
#include <QVideoFrame>
#include <QVideoSink>

#include <gtest/gtest.h>

namespace kavio::carplay {
namespace {

namespace fs = std::filesystem;
using kavio::test::cellFor;
using kavio::test::rowOf;
using kavio::test::sizeText;
using kavio::test::tap;
using kavio::test::writeFile;

constexpr int kTapTarget = 40;

// A finger's tap or drag, and what it set off run.
void touchTap(QWidget* widget, QPoint at)
{
    platform::test::touchTap(widget, at);
    test::CarWindow::settle();
}

// Down, along in steps, held still, lifted: a drag that ends at rest.
void touchDrag(QWidget* widget, QPoint from, QPoint to)
{
    platform::test::touchDrag(widget, from, to, 6, 16, 100);
    test::CarWindow::settle();
}

class CarBrowser : public ::testing::Test {
protected:
    CRFMController* openRoot() { return openRoot(library.documents()); }
    CRFMController* openRoot(const fs::path& folder)
    {
        auto root = std::make_unique<CRFMController>(folder, CloseButton::Hidden);
        CRFMController* raw = root.get();
        car.setRoot(std::move(root));
        return raw;
    }

    static QPoint centreOfRow(CRFMController& browser, const std::string& name)
    {
        const std::optional<int> row = rowOf(browser, name);
        EXPECT_TRUE(row) << name;
        return browser.tableView()->visualRectForRow(platform::IndexPath::forRow(row.value_or(0))).center();
    }

    template <class Screen>
    static Screen* over(platform::ViewController& screen)
    {
        return dynamic_cast<Screen*>(screen.presentedViewController());
    }

    fs::path docs(const std::string& name) const { return library.documents() / name; }

    test::Library library;
    test::CarWindow car;
    platform::FakePlayerFactory players;
};

// What each row says is RowContent's rule (library_tests); here, that the cells show it.
TEST_F(CarBrowser, RowsShowRecordsFilesAndFolders)
{
    RecordPtr clip = test::record("clip");
    clip->ARTIST = "";
    RecordPtr broken = test::record("broken");
    broken->imgData = plist::Bytes(std::string("no picture"));
    test::fileRecords(library.documents(), {clip, broken});
    writeFile(docs("clip.mp4"), std::string(2500, 'x'));
    writeFile(docs("broken.mp4"), "x");
    fs::create_directory(docs("folder.mp4"));

    CRFMController* root = openRoot();
    platform::TableViewCell* row = cellFor(*root, "clip.mp4");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->textLabel()->text(), "clip");
    EXPECT_EQ(row->detailTextLabel()->text(), "");
    EXPECT_TRUE(row->imageView()->hasImage());
    EXPECT_EQ(sizeText(*row), "3 KB");

    row = cellFor(*root, "folder.mp4");
    EXPECT_EQ(row->accessoryType(), platform::TableViewCellAccessory::DisclosureIndicator);

    row = cellFor(*root, "broken.mp4");
    EXPECT_EQ(row->textLabel()->text(), "broken");
    EXPECT_EQ(row->detailTextLabel()->text(), "by broken");
    EXPECT_EQ(row->imageView()->imageSize(), QSize(40, 40)); // transparent, the row's size
}

// The queue is PlayerOpening's (carplay_core_tests): the folder as the list reads, not the
// store's order, files without a record titled by their name. Here, that a tap opens it on
// this browser's folder and records, and a video copied in by hand shows the video icon.
TEST_F(CarBrowser, QueueFollowsTheListsOrderAndTakesFilesWithoutRecords)
{
    test::fileRecords(library.documents(), {test::record("Road South"), test::record("Road North")});
    for (const char* name : {"Road North.mp4", "Road South.mp4", "episode 2.m4v"})
        writeFile(docs(name), "x");
    fs::create_directory(docs("Trips"));
    CRFMController* root = openRoot();
    tap(*root, "Road North.mp4");
    auto* player = over<KavioController>(*root);
    ASSERT_TRUE(player);
    std::vector<std::string> titles;
    for (const RecordPtr& r : player->queue().infos())
        titles.push_back(r->FILENAME.value_or(""));
    EXPECT_EQ(titles, (std::vector<std::string>{"episode 2", "Road North", "Road South"}));
    EXPECT_EQ(player->currentIndex(), 1u);
    EXPECT_EQ(root->sele_indexPath(), 1) << "the list has the folder first, the queue not";
    const auto cells = player->collectionItem()->findChildren<KavioCollectionViewCell*>();
    ASSERT_FALSE(cells.isEmpty());
    for (KavioCollectionViewCell* cell : cells)
        EXPECT_TRUE(cell->appImageView->hasImage()) << "the video icon, never an empty square";
}

// The browser base's check, shared by both faces: an entry gone since the listing opens nothing.
TEST_F(CarBrowser, VanishedEntryOnlyDeselects)
{
    writeFile(docs("gone.mp4"), "x");
    CRFMController* root = openRoot();
    fs::remove(docs("gone.mp4"));
    tap(*root, "gone.mp4");
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_EQ(players.madeCount(), 0u);
}

TEST_F(CarBrowser, VanishedFolderShowsOnlyTheHeader)
{
    fs::create_directories(docs("Trips"));
    writeFile(docs("Trips") / "a.mp4", "x");
    CRFMController* root = openRoot();
    tap(*root, "Trips");
    auto* trips = over<CRFMController>(*root);
    ASSERT_TRUE(trips);
    EXPECT_EQ(trips->tableView()->numberOfRowsInSection(0), 1);
    fs::remove_all(docs("Trips"));
    trips->pulledToRefresh();
    EXPECT_EQ(trips->tableView()->numberOfRowsInSection(0), 0);
    EXPECT_TRUE(trips->tableView()->tableHeaderView());
    EXPECT_EQ(car.window().topViewController(), trips); // nothing to go back to by itself
}

// Also a browser under the player, with its records; what plays keeps its queue.
TEST_F(CarBrowser, ForegroundReloadsEveryBrowserAndLeavesTheQueue)
{
    test::fileRecords(library.documents(), {test::record("a"), test::record("b")});
    writeFile(docs("a.mp4"), "x");
    writeFile(docs("b.mp4"), "x");
    CRFMController* root = openRoot();
    tap(*root, "a.mp4");
    auto* player = over<KavioController>(*root);
    ASSERT_TRUE(player);

    writeFile(docs("z.mp4"), "x");
    test::fileRecords(library.documents(), {test::record("z")});
    platform::Application::instance()->simulateReturnToForeground();
    test::CarWindow::settle();

    EXPECT_EQ(root->tableView()->numberOfRowsInSection(0), 3);
    EXPECT_EQ(root->model().save_items()->size(), 3u);
    EXPECT_EQ(player->queue().count(), 2u);
    EXPECT_EQ(player->currentIndex(), 0u);
}

// Every browser but the root has a close button, also a subfolder named like the root.
TEST_F(CarBrowser, ATapOpensAFolderAndStartsAVideoAndTheRedRingsGoBack)
{
    test::fileRecords(docs("Documents"), {test::record("alps")});
    writeFile(docs("Documents") / "alps.mp4", "x");
    CRFMController* root = openRoot();
    EXPECT_TRUE(root->view()->findChildren<platform::CircleButton*>().isEmpty());
    touchTap(root->tableView()->viewport(), centreOfRow(*root, "Documents"));
    auto* inner = over<CRFMController>(*root);
    ASSERT_TRUE(inner);
    EXPECT_EQ(inner->title(), "Documents");
    const auto buttons = inner->view()->findChildren<platform::CircleButton*>();
    ASSERT_EQ(buttons.size(), 1);
    // A 40-point target around the 30-point ring, which stays 5 points from the corner.
    EXPECT_EQ(QRect(buttons[0]->mapTo(inner->tableView()->tableHeaderView(), QPoint()), buttons[0]->size()), QRect(0, 0, 40, 40));

    touchTap(inner->tableView()->viewport(), centreOfRow(*inner, "alps.mp4"));
    auto* player = over<KavioController>(*inner);
    ASSERT_TRUE(player);
    // The player's close button, a touch a little off its ring.
    platform::CircleButton* close = player->closeButton();
    touchTap(close, QPoint(close->width() - 2, close->height() - 2));
    EXPECT_FALSE(inner->presentedViewController());
    touchTap(buttons[0], QPoint(1, 1));
    EXPECT_FALSE(root->presentedViewController());
    EXPECT_EQ(car.window().topViewController(), root);
}

TEST_F(CarBrowser, PullingTheListDownByTouchReloadsIt)
{
    CRFMController* root = openRoot();
    EXPECT_EQ(root->tableView()->numberOfRowsInSection(0), 0);
    writeFile(docs("new.mp4"), "x");
    QWidget* glass = root->tableView()->viewport();
    touchDrag(glass, {400, 150}, {400, 150 + platform::RefreshControl::kHeight + 40});
    EXPECT_EQ(root->tableView()->numberOfRowsInSection(0), 1) << "at once, before the folder watch says so";
    EXPECT_FALSE(root->refreshControl()->isRefreshing());
}

// A Documents folder on a USB stick pulled out while playing. A folder not there yet is
// waited for (FolderWatcherTest), and the browsers follow their watch (PhoneBrowserTest).
TEST_F(CarBrowser, AFolderOnAStickPulledOutWhilePlayingEmptiesAndThePlayerStays)
{
    const fs::path documents = library.documents().parent_path() / "media" / "STICK" / "Kavio";
    test::fileRecords(documents, {test::record("drive")});
    writeFile(documents / "drive.mp4", "x");
    CRFMController* root = openRoot(documents);
    touchTap(root->tableView()->viewport(), centreOfRow(*root, "drive.mp4"));
    auto* player = over<KavioController>(*root);
    ASSERT_TRUE(player);
    fs::remove_all(documents.parent_path()); // pulled out while playing
    players.last()->failCurrentItem("Resource error");
    test::CarWindow::settle();
    EXPECT_FALSE(player->controller()->videoSurface()->hasFrame());
    EXPECT_EQ(car.window().topViewController(), player) << "the player stays, showing no picture";
    EXPECT_TRUE(QTest::qWaitFor([&] { return root->tableView()->numberOfRowsInSection(0) == 0; }, 5000));
}

// Every place a finger acts on the car screens, in window coordinates.
struct Target {
    QString what;
    QRect rect;
};

QRect inWindow(const QWidget* widget)
{
    return QRect(widget->mapTo(widget->window(), QPoint()), widget->size());
}

class CarScreenSizes : public CarBrowser, public ::testing::WithParamInterface<std::tuple<QSize, bool>> {};

QVideoFrame frameOf(QSize size)
{
    QVideoFrame frame(QVideoFrameFormat(size, QVideoFrameFormat::Format_BGRA8888));
    frame.map(QVideoFrame::WriteOnly);
    std::fill_n(frame.bits(0), frame.mappedBytes(0), 0x80);
    frame.unmap();
    return frame;
}

TEST_P(CarScreenSizes, NothingIsCutOffAndEveryTapTargetTakesAFinger)
{
    const auto [size, rightHand] = GetParam();
    library.setRightHandDrive(rightHand);
    fs::create_directories(docs("Trips"));
    car.window().resize(size);
    CRFMController* root = openRoot();
    root->present(std::make_unique<CRFMController>(docs("Trips"), CloseButton::Shown), platform::Animated::No);
    test::CarWindow::settle();
    const QRect screen(QPoint(), size);
    auto* folder = over<CRFMController>(*root);
    ASSERT_TRUE(folder);
    std::vector<Target> targets;
    targets.push_back({"folder's close button", inWindow(folder->view()->findChild<platform::CircleButton*>())});
    for (const QLabel* label : folder->tableView()->tableHeaderView()->findChildren<QLabel*>())
        EXPECT_TRUE(screen.contains(inWindow(label))) << "banner " << label->text().toStdString();

    RecordList records;
    for (int i = 0; i < 30; ++i)
        records.push_back(test::record("clip" + std::to_string(i)));
    KavioController* player = test::presentPlayer(car, library, records, 3);
    players.last()->videoSink()->setVideoFrame(frameOf({1280, 720}));
    test::CarWindow::settle();
    platform::PlayerView* video = player->controller();
    // The controls lie in the picture at any size (PlayerViewTest).
    const QRect videoArea = video->videoArea().translated(video->mapTo(video->window(), QPoint()));
    EXPECT_TRUE(screen.contains(videoArea));
    targets.push_back({"player's close button", inWindow(player->closeButton())});
    targets.push_back({"play/pause", inWindow(video->controlsBar()->findChild<QToolButton*>())});
    targets.push_back({"position slider", inWindow(video->controlsBar()->findChild<QSlider*>())});
    platform::CollectionView* strip = player->collectionItem();
    EXPECT_TRUE(screen.contains(inWindow(strip)));
    EXPECT_FALSE(inWindow(strip).intersects(videoArea)) << "the column stays beside the video";
    EXPECT_EQ(player->dock_style(), rightHand);
    EXPECT_EQ(inWindow(strip).center().x() < size.width() / 2, !rightHand) << "the column on the driver's side";
    EXPECT_EQ(inWindow(player->closeButton()).center().x() < size.width() / 2, !rightHand);
    // How a tap target grows around an item is CollectionView's; the strip scrolls, so only
    // the size of its entries' targets counts here.
    EXPECT_GE(strip->indexPathsForVisibleItems().size(), 5u);
    targets.push_back({"strip entry", QRect(QPoint(), strip->tapTargetSize())});
    for (const Target& t : targets) {
        EXPECT_GE(t.rect.width(), kTapTarget) << t.what.toStdString();
        EXPECT_GE(t.rect.height(), kTapTarget) << t.what.toStdString();
        if (t.what != "strip entry") {
            EXPECT_TRUE(screen.contains(t.rect)) << t.what.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Panels, CarScreenSizes,
                         ::testing::Combine(::testing::Values(QSize(800, 480), QSize(1024, 600), QSize(1280, 720)),
                                            ::testing::Bool()),
                         [](const auto& panel) {
                             const QSize size = std::get<0>(panel.param);
                             return std::to_string(size.width()) + "x" + std::to_string(size.height())
                                    + (std::get<1>(panel.param) ? "RightHand" : "LeftHand");
                         });

} // namespace
} // namespace kavio::carplay
