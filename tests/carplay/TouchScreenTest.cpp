// The car face on a car PC's touchscreen: fingers on the browser, the screens at the
// three common panel sizes in both drive layouts, a Documents folder on a USB stick.

#include "support/CarplayTestSupport.h"

#include "carplay/CRFMController.h"
#include "carplay/KavioController.h"
#include "platform/lists/RefreshControl.h"
#include "platform/lists/TableView.h"
#include "platform/media/PlayerControlsBar.h"
#include "platform/media/PlayerVideoSurface.h"
#include "platform/media/PlayerView.h"
#include "platform/testing/FakePlayer.h"
#include "platform/views/CircleButton.h"

#include <QLabel>
#include <QPointingDevice>
#include <QSlider>
#include <QToolButton>
#include <QVideoFrame>
#include <QVideoSink>

#include <gtest/gtest.h>

namespace kavio::carplay {
namespace {

namespace fs = std::filesystem;
using kavio::test::writeFile;

constexpr int kTapTarget = 40;

QPointingDevice* finger()
{
    static QPointingDevice* device = QTest::createTouchDevice();
    return device;
}

void touchTap(QWidget* widget, QPoint at)
{
    QTest::touchEvent(widget, finger()).press(0, at, widget);
    QTest::qWait(30);
    QTest::touchEvent(widget, finger()).release(0, at, widget);
    test::CarWindow::settle();
}

// Down, along in steps, held still, lifted: a drag that ends at rest.
void touchDrag(QWidget* widget, QPoint from, QPoint to)
{
    QTest::touchEvent(widget, finger()).press(0, from, widget);
    for (int i = 1; i <= 6; ++i) {
        QTest::qWait(16);
        QTest::touchEvent(widget, finger()).move(0, from + (to - from) * i / 6, widget);
    }
    QTest::qWait(100);
    QTest::touchEvent(widget, finger()).release(0, to, widget);
    test::CarWindow::settle();
}

class CarTouchScreen : public ::testing::Test {
protected:
    CRFMController* openRoot(const fs::path& folder)
    {
        auto root = std::make_unique<CRFMController>(folder, CloseButton::Hidden);
        CRFMController* raw = root.get();
        car.setRoot(std::move(root));
        return raw;
    }

    static QPoint centreOfRow(CRFMController& browser, const std::string& name)
    {
        const auto& entries = browser.model().dirCon();
        const auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.name == name; });
        EXPECT_NE(it, entries.end()) << name;
        return browser.tableView()->visualRectForRow(platform::IndexPath::forRow(int(it - entries.begin()))).center();
    }

    fs::path docs(const std::string& name) const { return library.documents() / name; }

    test::Library library;
    test::CarWindow car;
    platform::FakePlayerFactory players;
};

TEST_F(CarTouchScreen, ATapOpensAFolderAndStartsAVideoAndTheRedRingGoesBack)
{
    test::fileRecords(docs("Trips"), {test::record("alps")});
    writeFile(docs("Trips") / "alps.mp4", "x");
    CRFMController* root = openRoot(library.documents());
    touchTap(root->tableView()->viewport(), centreOfRow(*root, "Trips"));
    auto* trips = dynamic_cast<CRFMController*>(root->presentedViewController());
    ASSERT_TRUE(trips);

    touchTap(trips->tableView()->viewport(), centreOfRow(*trips, "alps.mp4"));
    auto* player = dynamic_cast<KavioController*>(trips->presentedViewController());
    ASSERT_TRUE(player);
    EXPECT_TRUE(players.last()->calls().contains("play"));

    // The player's close button, a touch a little off its ring.
    platform::CircleButton* close = player->closeButton();
    touchTap(close, QPoint(close->width() - 2, close->height() - 2));
    EXPECT_FALSE(trips->presentedViewController());
    platform::CircleButton* back = trips->view()->findChild<platform::CircleButton*>();
    ASSERT_TRUE(back);
    touchTap(back, QPoint(1, 1));
    EXPECT_FALSE(root->presentedViewController());
}

TEST_F(CarTouchScreen, PullingTheListDownByTouchReloadsIt)
{
    CRFMController* root = openRoot(library.documents());
    EXPECT_EQ(root->tableView()->numberOfRowsInSection(0), 0);
    writeFile(docs("new.mp4"), "x");
    QWidget* glass = root->tableView()->viewport();
    touchDrag(glass, {400, 150}, {400, 150 + platform::RefreshControl::kHeight + 40});
    EXPECT_EQ(root->tableView()->numberOfRowsInSection(0), 1) << "at once, before the folder watch says so";
    EXPECT_FALSE(root->refreshControl()->isRefreshing());
}

// A Documents folder on a USB stick: not plugged in at start, then in, then pulled out.
TEST_F(CarTouchScreen, AFolderOnAStickShowsEmptyUntilItComesAndEmptiesWhenItGoes)
{
    const fs::path documents = library.documents().parent_path() / "media" / "STICK" / "Kavio";
    CRFMController* root = openRoot(documents);
    EXPECT_EQ(root->tableView()->numberOfRowsInSection(0), 0);
    test::fileRecords(documents, {test::record("drive")});
    writeFile(documents / "drive.mp4", "x");
    EXPECT_TRUE(QTest::qWaitFor([&] { return root->tableView()->numberOfRowsInSection(0) == 1; }, 5000));

    touchTap(root->tableView()->viewport(), centreOfRow(*root, "drive.mp4"));
    auto* player = dynamic_cast<KavioController*>(root->presentedViewController());
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

struct LayoutCase {
    QSize size;
    bool rightHand;
};

class CarScreenSizes : public CarTouchScreen, public ::testing::WithParamInterface<LayoutCase> {};

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
    CRFMController* root = openRoot(library.documents());
    root->present(std::make_unique<CRFMController>(docs("Trips"), CloseButton::Shown), platform::Animated::No);
    test::CarWindow::settle();
    const QRect screen(QPoint(), size);
    auto* folder = dynamic_cast<CRFMController*>(root->presentedViewController());
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
    const QRect videoArea = video->videoArea().translated(video->mapTo(video->window(), QPoint()));
    const QRect bar = inWindow(video->controlsBar());
    EXPECT_TRUE(videoArea.contains(bar)) << "the bar " << bar.y() << "+" << bar.height() << " lies in the picture "
                                         << videoArea.y() << "+" << videoArea.height();
    EXPECT_TRUE(screen.contains(videoArea));
    targets.push_back({"player's close button", inWindow(player->closeButton())});
    targets.push_back({"play/pause", inWindow(video->controlsBar()->findChild<QToolButton*>())});
    targets.push_back({"position slider", inWindow(video->controlsBar()->findChild<QSlider*>())});
    platform::CollectionView* strip = player->collectionItem();
    EXPECT_TRUE(screen.contains(inWindow(strip)));
    EXPECT_FALSE(inWindow(strip).intersects(videoArea)) << "the column stays beside the video";
    const std::vector<platform::IndexPath> shown = strip->indexPathsForVisibleItems();
    ASSERT_GE(shown.size(), 5u);
    for (const platform::IndexPath& item : shown) {
        // What a tap there chooses: the item's frame grown to the strip's tap target.
        QRect target(QPoint(), strip->visualRectForItem(item).size().expandedTo(strip->tapTargetSize()));
        target.moveCenter(strip->visualRectForItem(item).center());
        EXPECT_EQ(strip->indexPathForTapAt(target.topLeft()), item);
        EXPECT_EQ(strip->indexPathForTapAt(target.bottomRight()), item);
        targets.push_back({QStringLiteral("strip entry %1").arg(item.item()), target.translated(strip->viewport()->mapTo(strip->window(), QPoint()))});
    }
    for (const Target& t : targets) {
        EXPECT_GE(t.rect.width(), kTapTarget) << t.what.toStdString();
        EXPECT_GE(t.rect.height(), kTapTarget) << t.what.toStdString();
        if (!t.what.startsWith(QLatin1String("strip"))) { // the strip scrolls: entries leave at its ends
            EXPECT_TRUE(screen.contains(t.rect)) << t.what.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Panels, CarScreenSizes,
                         ::testing::Values(LayoutCase{{800, 480}, false}, LayoutCase{{800, 480}, true},
                                           LayoutCase{{1024, 600}, false}, LayoutCase{{1024, 600}, true},
                                           LayoutCase{{1280, 720}, false}, LayoutCase{{1280, 720}, true}),
                         [](const auto& panel) {
                             const QSize size = panel.param.size;
                             return std::to_string(size.width()) + "x" + std::to_string(size.height())
                                    + (panel.param.rightHand ? "RightHand" : "LeftHand");
                         });

} // namespace
} // namespace kavio::carplay
