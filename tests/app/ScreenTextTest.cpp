// Every text of both faces can be read: it stands out from what is behind it, by the style
// headers' own pairs of colours and measured on the rendered screens (the phone face 4.5:1;
// the car face, read at a glance and in daylight, 7:1), and every alert and sheet shows it
// whole, to its last word. What a new user meets: an empty folder that says what to do, the
// keyboard's path, and the car window brought back from the phone window after it was
// closed. The phone window at its smallest and usual sizes, the car at its panel's.

#include "support/CarplayTestSupport.h"
#include "support/ScreenChecks.h"

#include "app/CarPlaySceneDelegate.h"
#include "app/KVAppDelegate.h"
#include "carplay/CRFMController.h"
#include "carplay/CarStyle.h"
#include "phone/EditorSave.h"
#include "phone/IPFMController.h"
#include "phone/Names.h"
#include "phone/PhoneStyle.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"
#include "platform/lists/TableViewCellLabel.h"
#include "platform/modals/AlertController.h"
#include "platform/modals/LinkSheet.h"
#include "platform/modals/ProgressController.h"
#include "platform/modals/ShareSheet.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/Scene.h"
#include "platform/screens/TabBarController.h"
#include "platform/screens/Window.h"
#include "platform/views/Colors.h"
#include "shell/KVRootViewController.h"
#include "shell/ShareText.h"
#include "shell/ShellStyle.h"
#include "shell/UpdateCheck.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace kavio::app {
namespace {

namespace fs = std::filesystem;
using carplay::test::CarWindow;
using kavio::test::contrastRatio;

constexpr double kPhoneMinimum = 4.5;
constexpr double kCarMinimum = 7.0;
const QString kPhoneEmpty = QStringLiteral("No videos yet. Add one with +");
const QString kCarEmpty = QStringLiteral("No videos in this folder");
// A file name with no place to break a line.
const QString kLongName = QStringLiteral("Dashcam_2024-07-14_Autobahn_A7_Hamburg_Kassel_Wuerzburg_Ulm_Kempten_Fuessen_Reutte_"
                                         "Fernpass_Innsbruck_Brenner_Bozen_Trento_Verona_full_trip_4K_60fps.mp4");
constexpr QSize kPhoneSizes[] = {platform::Window::kPhoneMinimumSize, QSize(390, 844)};

std::string sizeName(QSize size)
{
    return std::to_string(size.width()) + "x" + std::to_string(size.height());
}
std::string paramName(const ::testing::TestParamInfo<QSize>& size) { return sizeName(size.param); }

struct ColourPair {
    const char* what;
    QColor text;
    QColor behind;
    double minimum;
};

// The pairs the rendered screens below do not measure: texts drawn by the lists and bars
// themselves, the alerts, menus and credits, and the gradient's far end. The editor's heading
// and placeholders at the top, the home banner, the support headers and the other tab are
// measured where they are drawn.
TEST(StyleContrast, EveryTextColourOnWhatItIsDrawnOn)
{
    namespace colors = platform::colors;
    namespace car = carplay::style;
    namespace phone = phone::style;
    namespace shell = shell::style;
    const ColourPair pairs[] = {
        {"alert title and message", colors::label, colors::alertBackground, kPhoneMinimum},
        {"alert button", colors::tintOnLight, colors::alertBackground, kPhoneMinimum},
        {"alert destructive button", colors::destructiveOnLight, colors::alertBackground, kPhoneMinimum},
        {"menu destructive action", colors::destructiveOnLight, colors::menuBackground, kPhoneMinimum},
        {"text field placeholder", colors::placeholderText, colors::textFieldBackground, kPhoneMinimum},
        {"section title on light", colors::sectionTitleOnLight, colors::systemGroupedBackground, kPhoneMinimum},
        {"section title on dark", colors::sectionTitleOnDark, car::background, kCarMinimum},
        {"size text on a light row", colors::sizeTextOnLight, phone::rowBackground, kPhoneMinimum},
        {"size text on a car row", colors::sizeTextOnDark, car::rowBackground, kCarMinimum},
        {"phone row title", phone::titleText, phone::rowBackground, kPhoneMinimum},
        {"phone row detail", phone::detailText, phone::rowBackground, kPhoneMinimum},
        {"phone bar title", phone::barTitle, phone::barTint, kPhoneMinimum},
        {"phone bar items", phone::barItems, phone::barTint, kPhoneMinimum},
        {"editor heading, bottom", phone::editorHeading, phone::editorGradientBottom, kPhoneMinimum},
        {"editor field text", phone::editorFieldText, phone::editorGradientBottom, kPhoneMinimum},
        {"editor placeholder, bottom", phone::editorPlaceholder, phone::editorGradientBottom, kPhoneMinimum},
        {"editor button", phone::editorButtonText, phone::editorButton, kPhoneMinimum},
        {"car row title", car::titleText, car::rowBackground, kCarMinimum},
        {"car row detail", car::detailText, car::rowBackground, kCarMinimum},
        {"car banner", car::bannerText, car::background, kCarMinimum},
        {"player failure title", car::failureTitle, car::playerBackground, kCarMinimum},
        {"player failure reason", car::failureDetail, car::playerBackground, kCarMinimum},
        {"support row detail", shell::sectionHeader, Qt::white, kPhoneMinimum},
        {"selected tab", shell::tabTint, shell::barTint, kPhoneMinimum},
        {"credit role", shell::creditRole, Qt::white, kPhoneMinimum},
        {"credit name", shell::creditName, Qt::white, kPhoneMinimum},
    };
    for (const ColourPair& pair : pairs)
        EXPECT_GE(contrastRatio(pair.text, pair.behind), pair.minimum) << pair.what;
}

// The rendered window: each text against the pixels behind its letters, and, when asked,
// each shown whole.
enum class Whole { Checked, Unchecked };
void expectReadable(QWidget& window, const QString& name, double minimum, Whole whole = Whole::Unchecked)
{
    CarWindow::settle();
    const std::string size = sizeName(window.size());
    kavio::test::screenshot(window, name + QStringLiteral("-") + QString::fromStdString(size));
    EXPECT_EQ(kavio::test::lowContrastTexts(window, minimum), std::vector<std::string>()) << name.toStdString() << " at " << size;
    if (whole == Whole::Checked) {
        EXPECT_EQ(kavio::test::cutTexts(window), std::vector<std::string>()) << name.toStdString() << " at " << size;
    }
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

// Two recorded videos, one copied by hand, a folder with a video and an empty one.
void fillLibrary(const fs::path& docs)
{
    kavio::test::fileRecords(docs, {kavio::test::record("Road North"), kavio::test::record("Fractal")});
    kavio::test::writeFile(docs / "Road North.mp4", std::string(123456, 'x'));
    kavio::test::writeFile(docs / "Fractal.mp4", std::string(4321, 'x'));
    kavio::test::writeFile(docs / "copied by hand.mov", "x");
    fs::create_directories(docs / "Trips");
    kavio::test::writeFile(docs / "Trips" / "North.mp4", "x");
    fs::create_directories(docs / "Empty");
}

// The phone window with its tabs over that library, and the car window beside it, as the
// scenes make them the way main() does.
class PhoneWindow : public ::testing::TestWithParam<QSize> {
protected:
    void SetUp() override
    {
        fillLibrary(docs());
        using Delegate = std::unique_ptr<platform::SceneDelegate>;
        scenes = std::make_unique<platform::SceneManager>([this](platform::SceneRole role) -> Delegate {
            if (role == platform::SceneRole::Phone)
                return std::make_unique<KVAppDelegate>(docs(), scenes->connectCarDisplayAction());
            return std::make_unique<CarPlaySceneDelegate>(docs());
        });
        phone = scenes->connectScene(platform::SceneRole::Phone);
        scenes->connectScene(platform::SceneRole::Car);
        window().resize(GetParam());
        CarWindow::settle();
    }
    void TearDown() override
    {
        scenes.reset();
        CarWindow::settle();
    }

    const fs::path& docs() const { return library.documents(); }
    platform::Window& window() const { return phone->window(); }
    platform::TabBarController* tabs() const
    {
        return static_cast<platform::TabBarController*>(window().rootViewController());
    }
    platform::NavigationController* movies() const
    {
        return static_cast<platform::NavigationController*>(tabs()->viewControllers().front());
    }
    shell::KVRootViewController* home() const
    {
        return dynamic_cast<shell::KVRootViewController*>(movies()->viewControllers().front());
    }
    phone::IPFMController* push(const fs::path& folder)
    {
        movies()->pushViewController(std::make_unique<phone::IPFMController>(folder), platform::Animated::No);
        CarWindow::settle();
        return static_cast<phone::IPFMController*>(movies()->topViewController());
    }
    platform::ViewController* top() const { return window().topViewController(); }
    // The home menu's sections: the car's comes and goes with the car window.
    int sections()
    {
        CarWindow::settle();
        return home()->tableView()->numberOfSections();
    }

    // Whatever shows over the window now is laid out and read whole; then it goes.
    void expectWhole(const QString& what)
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !top()->isBeingPresented(); }));
        CarWindow::settle();
        const std::string size = sizeName(window().size());
        kavio::test::screenshot(window(), QStringLiteral("alert-%1-%2").arg(QString::fromStdString(size), what));
        EXPECT_EQ(kavio::test::cutTexts(*top()->view()), std::vector<std::string>()) << what.toStdString() << " at " << size;
        top()->dismiss(platform::Animated::No);
        CarWindow::settle();
    }

    carplay::test::Library library;
    std::unique_ptr<platform::SceneManager> scenes;
    platform::Scene* phone = nullptr;
};

TEST_P(PhoneWindow, EveryScreenStandsOut)
{
    expectReadable(window(), QStringLiteral("contrast-movies"), kPhoneMinimum);
    phone::IPFMController* files = push(docs());
    expectReadable(window(), QStringLiteral("contrast-files"), kPhoneMinimum);
    files->presentEditor({phone::ImportKind::Link, {}, "https://example.com/live.m3u8"});
    expectReadable(window(), QStringLiteral("contrast-editor"), kPhoneMinimum);
    tabs()->dismiss(platform::Animated::No);
    tabs()->setSelectedIndex(1);
    expectReadable(window(), QStringLiteral("contrast-support"), kPhoneMinimum);
}

// A folder of folders is no blank page; an empty one says how to add a video until one is there.
TEST_P(PhoneWindow, AnEmptyFolderSaysHowToAddAVideoUntilOneIsThere)
{
    fs::create_directories(docs() / "Years" / "2024");
    EXPECT_FALSE(shownLabel(*push(docs() / "Years"), kPhoneEmpty));
    phone::IPFMController* files = push(docs() / "Empty");
    expectReadable(window(), QStringLiteral("phone-empty-folder"), kPhoneMinimum, Whole::Checked);
    const QLabel* label = shownLabel(*files, kPhoneEmpty);
    ASSERT_TRUE(label);
    EXPECT_GE(label->geometry().top(), 0);

    kavio::test::writeFile(docs() / "Empty" / "clip.mp4", "x");
    files->reloadContent();
    CarWindow::settle();
    EXPECT_FALSE(shownLabel(*files, kPhoneEmpty)) << "a row stands where the words were";
}

// The keyboard starts in the list and Tab reads the screen: the list, the bar's buttons
// left to right, then the tabs, and round again.
TEST_P(PhoneWindow, TheKeyboardStartsInTheListAndTabGoesInReadingOrder)
{
    phone::IPFMController* files = push(docs());
    window().activateWindow();
    QApplication::setActiveWindow(&window());
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

// The one-button messages at their longest (a long sentence, a name with no place to break
// it, a path), the link dialog with its field (the menus' other dialogs are the same alert),
// the update alert, long work's progress line, the share text and the address for a
// missing browser.
TEST_P(PhoneWindow, EveryAlertAndSheetIsShownWhole)
{
    phone::IPFMController* files = push(docs());
    const QString messages[] = {
        QString::fromLatin1(phone::kLinkNameTaken),
        QString::fromStdString(*phone::linkProblem("not a url")),
        QStringLiteral("\"%1\" holds no video Kavio can play.").arg(kLongName),
        QStringLiteral("“%1” already exists in /home/driver/.local/share/Kavio/Documents/Trips/2024/Summer; the one "
                       "in the trash stays there.").arg(kLongName),
        QStringLiteral("The video could not be copied: No space left on device (the folder needs 2.1 GB more)."),
    };
    for (const QString& text : messages) {
        platform::presentAlert(*files, platform::makeMessageAlert(QStringLiteral("Err"), text), platform::Animated::No);
        expectWhole(text.left(24));
    }

    files->urlLink();
    expectWhole(QStringLiteral("url-link"));
    ASSERT_TRUE(home());
    home()->updateChecked({shell::UpdateVerdict::Kind::Update, QStringLiteral("v10.20.300-beta.4")});
    expectWhole(QStringLiteral("update"));

    auto progress = std::make_unique<platform::ProgressController>(QStringLiteral("Copying the video"));
    platform::ProgressController* sheet = platform::presentProgress(*files, std::move(progress));
    ASSERT_TRUE(sheet);
    sheet->setProgress(0.4, QStringLiteral("1,234.5 MB of 12,345.6 MB, about 4 seconds left"));
    expectWhole(QStringLiteral("progress"));
    platform::presentShareSheet(*files, std::make_unique<platform::ShareSheet>(
        QStringLiteral("Share Kavio"), shell::shareText(QStringLiteral("1.2"), QStringLiteral("A Computer"),
                                                        QStringLiteral("Debian GNU/Linux 12 (bookworm)"))));
    expectWhole(QStringLiteral("share"));
    files->present(std::make_unique<platform::AddressSheet>(
                       QStringLiteral("No Web Browser"),
                       QStringLiteral("There is no web browser on this computer to open this page. Copy its address "
                                      "into a browser:"),
                       QStringLiteral("https://www.paypal.com/donate/?hosted_button_id=KAVIO2024DONATIONS&locale.x=en_US")),
                   platform::Animated::No);
    expectWhole(QStringLiteral("no-browser"));
}

TEST(CarScreens, TheRootAndAFolderStandOutAndAnEmptyFolderSaysSo)
{
    carplay::test::Library library;
    fillLibrary(library.documents());
    CarWindow car;
    auto owned = std::make_unique<carplay::CRFMController>(library.documents(), carplay::CloseButton::Hidden);
    carplay::CRFMController* root = owned.get();
    car.setRoot(std::move(owned));
    expectReadable(car.window(), QStringLiteral("contrast-car-root"), kCarMinimum);

    auto empty = std::make_unique<carplay::CRFMController>(library.documents() / "Empty", carplay::CloseButton::Shown);
    carplay::CRFMController* folder = empty.get();
    root->present(std::move(empty), platform::Animated::No);
    expectReadable(car.window(), QStringLiteral("car-empty-folder"), kCarMinimum, Whole::Checked);
    const QLabel* label = shownLabel(*folder, kCarEmpty);
    ASSERT_TRUE(label);
    EXPECT_GE(label->geometry().top(), 0);
}

TEST_P(PhoneWindow, AClosedCarWindowComesBackFromTheHomeMenu)
{
    EXPECT_EQ(sections(), 1) << "nothing to connect while the car window is open";
    EXPECT_EQ(QApplication::activeWindow(), &window()) << "the car came up beside it; the keyboard stayed";

    scenes->disconnectScene(platform::SceneRole::Car);
    ASSERT_FALSE(scenes->isConnected(platform::SceneRole::Car));
    ASSERT_EQ(sections(), 2);
    platform::TableViewCell* offer = home()->tableView()->cellForRow(platform::IndexPath{1, 0});
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->textLabel()->text(), "Connect car display");
    expectReadable(window(), QStringLiteral("phone-connect-car"), kPhoneMinimum, Whole::Checked);

    home()->didSelectRow(*home()->tableView(), platform::IndexPath{1, 0});
    CarWindow::settle();
    EXPECT_TRUE(scenes->isConnected(platform::SceneRole::Car));
    EXPECT_EQ(sections(), 1);
    EXPECT_EQ(QApplication::activeWindow(), &window());
}

INSTANTIATE_TEST_SUITE_P(Sizes, PhoneWindow, ::testing::ValuesIn(kPhoneSizes), paramName);

} // namespace
} // namespace kavio::app
