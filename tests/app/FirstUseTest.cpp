// What a new user meets before any video is in place: an empty folder that says what to
// do in both faces, and the car window brought back from the phone window after it was
// closed. Each at the car panel's size and at the phone window's smallest and usual sizes.

#include "support/CarplayTestSupport.h"
#include "support/ScreenChecks.h"

#include "app/CarPlaySceneDelegate.h"
#include "app/KVAppDelegate.h"
#include "carplay/CRFMController.h"
#include "phone/IPFMController.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"
#include "platform/lists/TableViewCellLabel.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/Scene.h"
#include "platform/screens/TabBarController.h"
#include "platform/screens/Window.h"
#include "shell/KVRootViewController.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QLabel>

#include <gtest/gtest.h>

namespace kavio::app {
namespace {

namespace fs = std::filesystem;
using carplay::test::CarWindow;

const QString kPhoneEmpty = QStringLiteral("No videos yet. Add one with +");
const QString kCarEmpty = QStringLiteral("No videos in this folder");

QString sizeName(const QWidget& window)
{
    return QStringLiteral("%1x%2").arg(window.width()).arg(window.height());
}

// The label showing words inside browser's table, if any is shown.
const QLabel* shownLabel(browser::FolderBrowser& browser, const QString& words)
{
    for (const QLabel* label : browser.tableView()->findChildren<QLabel*>()) {
        if (label->text() == words && label->isVisible())
            return label;
    }
    return nullptr;
}

// The empty folder's words as the browser shows them: visible, whole and readable.
void expectSays(QWidget& window, browser::FolderBrowser& browser, const QString& words, double contrast,
                const QString& shot)
{
    CarWindow::settle();
    kavio::test::screenshot(window, shot + QStringLiteral("-") + sizeName(window));
    const QLabel* label = shownLabel(browser, words);
    ASSERT_TRUE(label) << shot.toStdString();
    EXPECT_GE(label->geometry().top(), 0);
    EXPECT_EQ(kavio::test::cutTexts(window), std::vector<std::string>()) << sizeName(window).toStdString();
    EXPECT_EQ(kavio::test::lowContrastTexts(window, contrast), std::vector<std::string>());
}

class PhoneFirstUse : public ::testing::TestWithParam<QSize> {
protected:
    void SetUp() override
    {
        fs::create_directories(docs / "Trips");
        kavio::test::writeFile(docs / "Trips" / "North.mp4", "x");
        fs::create_directories(docs / "Empty");
    }
    phone::IPFMController* openFiles(const fs::path& folder)
    {
        window.placeForPhone();
        window.setRootViewController(KVAppDelegate::makeTabs(docs));
        window.resize(GetParam());
        window.show();
        auto* tabs = static_cast<platform::TabBarController*>(window.rootViewController());
        auto* movies = static_cast<platform::NavigationController*>(tabs->selectedViewController());
        movies->pushViewController(std::make_unique<phone::IPFMController>(folder), platform::Animated::No);
        CarWindow::settle();
        return static_cast<phone::IPFMController*>(movies->topViewController());
    }

    kavio::test::ScratchFolder scratch;
    const fs::path docs = scratch / "Documents";
    platform::Window window;
};

TEST_P(PhoneFirstUse, AnEmptyFolderSaysHowToAddAVideoUntilOneIsThere)
{
    phone::IPFMController* files = openFiles(docs / "Empty");
    expectSays(window, *files, kPhoneEmpty, 4.5, QStringLiteral("phone-empty-folder"));

    kavio::test::writeFile(docs / "Empty" / "clip.mp4", "x");
    files->reloadContent();
    CarWindow::settle();
    EXPECT_FALSE(shownLabel(*files, kPhoneEmpty)) << "a row stands where the words were";
}

TEST_P(PhoneFirstUse, AFolderOfFoldersIsNoBlankPage)
{
    fs::remove_all(docs / "Trips" / "North.mp4");
    phone::IPFMController* files = openFiles(docs);
    EXPECT_FALSE(shownLabel(*files, kPhoneEmpty));
}

// The keyboard starts in the list and Tab reads the screen: the list, the bar's buttons
// left to right, then the tabs, and round again.
TEST_P(PhoneFirstUse, TheKeyboardStartsInTheListAndTabGoesInReadingOrder)
{
    phone::IPFMController* files = openFiles(docs);
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    CarWindow::settle();
    EXPECT_EQ(QApplication::focusWidget(), files->tableView());

    std::vector<std::string> visited;
    for (int i = 0; i < 6; ++i) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_TRUE(focused);
        visited.push_back(focused == files->tableView() ? std::string("list") : focused->accessibleName().toStdString());
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    EXPECT_EQ(visited, (std::vector<std::string>{"list", "Back to Movies", "More", "Add", "Movies", "Support"}));
    EXPECT_EQ(QApplication::focusWidget(), files->tableView()) << "round again";
    QTest::keyClick(files->tableView(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget()->accessibleName(), "Support");
}

INSTANTIATE_TEST_SUITE_P(PhoneWindow, PhoneFirstUse,
                         ::testing::Values(platform::Window::kPhoneMinimumSize, QSize(390, 844)),
                         [](const ::testing::TestParamInfo<QSize>& size) {
                             return QStringLiteral("%1x%2").arg(size.param.width()).arg(size.param.height()).toStdString();
                         });

TEST(CarFirstUse, AnEmptyFolderSaysSoOnThePanel)
{
    kavio::test::ScratchFolder scratch;
    const fs::path docs = scratch / "Documents";
    fs::create_directories(docs / "Empty");
    Avatar::shared().setDocumentsDirectory(docs);
    CarWindow car;
    auto root = std::make_unique<carplay::CRFMController>(docs / "Empty", carplay::CloseButton::Shown);
    carplay::CRFMController* browser = root.get();
    car.setRoot(std::move(root));
    ASSERT_EQ(car.window().size(), QSize(800, 480));
    expectSays(car.window(), *browser, kCarEmpty, 7.0, QStringLiteral("car-empty-folder"));
}

// The phone window and the car window as the scenes make them, the way main() does.
class CarConnection : public ::testing::TestWithParam<QSize> {
protected:
    void SetUp() override
    {
        fs::create_directories(library.documents());
        scenes = std::make_unique<platform::SceneManager>([this](platform::SceneRole role) -> std::unique_ptr<platform::SceneDelegate> {
            if (role == platform::SceneRole::Phone)
                return std::make_unique<KVAppDelegate>(library.documents(), scenes->connectCarDisplayAction());
            return std::make_unique<CarPlaySceneDelegate>(library.documents());
        });
        phone = scenes->connectScene(platform::SceneRole::Phone);
        scenes->connectScene(platform::SceneRole::Car);
        phone->window().resize(GetParam());
        CarWindow::settle();
        auto* tabs = static_cast<platform::TabBarController*>(phone->window().rootViewController());
        auto* movies = static_cast<platform::NavigationController*>(tabs->selectedViewController());
        home = dynamic_cast<shell::KVRootViewController*>(movies->topViewController());
        ASSERT_TRUE(home);
    }
    void TearDown() override
    {
        scenes.reset();
        CarWindow::settle();
    }
    // The home menu's rows as they read, section by section.
    std::vector<std::string> rows()
    {
        CarWindow::settle();
        std::vector<std::string> texts;
        platform::TableView& table = *home->tableView();
        for (int section = 0; section < table.numberOfSections(); ++section) {
            for (int row = 0; row < table.numberOfRowsInSection(section); ++row) {
                const platform::IndexPath path{section, row};
                table.scrollToRow(path, platform::TableViewScrollPosition::Middle, platform::Animated::No);
                CarWindow::settle();
                platform::TableViewCell* cell = table.cellForRow(path);
                texts.push_back(cell ? cell->textLabel()->text().toStdString() : "?");
            }
        }
        return texts;
    }

    carplay::test::Library library;
    std::unique_ptr<platform::SceneManager> scenes;
    platform::Scene* phone = nullptr;
    shell::KVRootViewController* home = nullptr;
};

TEST_P(CarConnection, AClosedCarWindowComesBackFromTheHomeMenu)
{
    EXPECT_EQ(rows(), std::vector<std::string>{"Files"}) << "nothing to connect while the car window is open";
    EXPECT_EQ(QApplication::activeWindow(), &phone->window()) << "the car came up beside it; the keyboard stayed";

    scenes->disconnectScene(platform::SceneRole::Car);
    ASSERT_FALSE(scenes->isConnected(platform::SceneRole::Car));
    EXPECT_EQ(rows(), (std::vector<std::string>{"Files", "Connect car display"}));
    kavio::test::screenshot(phone->window(), QStringLiteral("phone-connect-car-") + sizeName(phone->window()));
    EXPECT_EQ(kavio::test::cutTexts(phone->window()), std::vector<std::string>());
    EXPECT_EQ(kavio::test::lowContrastTexts(phone->window(), 4.5), std::vector<std::string>());

    home->didSelectRow(*home->tableView(), platform::IndexPath{1, 0});
    CarWindow::settle();
    EXPECT_TRUE(scenes->isConnected(platform::SceneRole::Car));
    EXPECT_EQ(rows(), std::vector<std::string>{"Files"});
    EXPECT_EQ(QApplication::activeWindow(), &phone->window());
}

INSTANTIATE_TEST_SUITE_P(PhoneWindow, CarConnection,
                         ::testing::Values(platform::Window::kPhoneMinimumSize, QSize(390, 844)),
                         [](const ::testing::TestParamInfo<QSize>& size) {
                             return QStringLiteral("%1x%2").arg(size.param.width()).arg(size.param.height()).toStdString();
                         });

} // namespace
} // namespace kavio::app
