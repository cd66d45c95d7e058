// Every alert and sheet of the app laid out in the phone window at its smallest size and
// at its usual one: each text is shown whole, to its last word.

#include "support/CarplayTestSupport.h"
#include "support/ScreenChecks.h"

#include "app/KVAppDelegate.h"
#include "phone/EditorSave.h"
#include "phone/FileOperations.h"
#include "phone/IPFMController.h"
#include "phone/Names.h"
#include "platform/modals/AlertController.h"
#include "platform/modals/LinkSheet.h"
#include "platform/modals/ProgressController.h"
#include "platform/modals/ShareSheet.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/TabBarController.h"
#include "platform/screens/Window.h"
#include "shell/KVRootViewController.h"
#include "shell/ShareText.h"
#include "shell/SupportTable.h"
#include "shell/UpdateCheck.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace kavio::app {
namespace {

namespace fs = std::filesystem;
using carplay::test::CarWindow;

// A file name with no place to break a line.
const QString kLongName = QStringLiteral("Dashcam_2024-07-14_Autobahn_A7_Hamburg_Kassel_Wuerzburg_Ulm_Kempten_Fuessen_Reutte_"
                                         "Fernpass_Innsbruck_Brenner_Bozen_Trento_Verona_full_trip_4K_60fps.mp4");

class AlertTexts : public ::testing::TestWithParam<QSize> {
protected:
    void SetUp() override
    {
        fs::create_directories(docs);
        kavio::test::writeFile(docs / "clip.mp4", "x");
        window = std::make_unique<platform::Window>();
        window->placeForPhone();
        window->setRootViewController(KVAppDelegate::makeTabs(docs));
        window->resize(GetParam());
        window->show();
        QApplication::setActiveWindow(window.get());
        CarWindow::settle();
        auto* tabs = static_cast<platform::TabBarController*>(window->rootViewController());
        auto* movies = static_cast<platform::NavigationController*>(tabs->selectedViewController());
        movies->pushViewController(std::make_unique<phone::IPFMController>(docs), platform::Animated::No);
        CarWindow::settle();
        files = static_cast<phone::IPFMController*>(movies->topViewController());
    }
    void TearDown() override
    {
        window.reset();
        CarWindow::settle();
    }

    platform::ViewController* top() const { return window->topViewController(); }

    // Whatever shows now is laid out and read; then it goes.
    void expectWhole(const QString& what)
    {
        ASSERT_TRUE(QTest::qWaitFor([this] { return !top()->isBeingPresented(); }));
        CarWindow::settle();
        const QString size = QStringLiteral("%1x%2").arg(window->width()).arg(window->height());
        kavio::test::screenshot(*window, QStringLiteral("alert-%1-%2").arg(size, what));
        EXPECT_EQ(kavio::test::cutTexts(*top()->view()), std::vector<std::string>()) << what.toStdString() << " at " << size.toStdString();
        top()->dismiss(platform::Animated::No);
        CarWindow::settle();
    }
    void message(const QString& text)
    {
        platform::presentAlert(*files, platform::makeMessageAlert(QStringLiteral("Err"), text), platform::Animated::No);
    }

    kavio::test::ScratchFolder scratch;
    const fs::path docs = scratch / "Documents";
    std::unique_ptr<platform::Window> window;
    phone::IPFMController* files = nullptr;
};

// The one-button messages: each fixed text, and the made ones at their longest.
TEST_P(AlertTexts, EveryMessageIsShownWhole)
{
    const QString messages[] = {
        QString::fromLatin1(phone::kTitleNotEntered),
        QString::fromLatin1(phone::kLinkNameTaken),
        QString::fromLatin1(phone::kPlaceholderFailed),
        QString::fromLatin1(phone::kSameFileName),
        QString::fromLatin1(phone::kUrlNotEntered),
        QString::fromLatin1(phone::kFailedToDelete),
        QString::fromLatin1(phone::kFolderAlreadyExists),
        QString::fromLatin1(phone::kNoCharactersEntered),
        QString::fromLatin1(shell::kSettingsSaveFailed),
        QStringLiteral("“%1” already exists in this folder.").arg(kLongName),
        QStringLiteral("\"%1\" is not a picture Kavio can read.").arg(kLongName),
        QStringLiteral("\"%1\" holds no video Kavio can play.").arg(kLongName),
        QString::fromStdString(*phone::linkProblem("not a url")),
        QString::fromStdString(*phone::linkProblem("file:///etc/passwd")),
        QString::fromStdString(*phone::linkProblem("http://")),
        QStringLiteral("“%1” already exists in /home/driver/.local/share/Kavio/Documents/Trips/2024/Summer; the one "
                       "in the trash stays there.").arg(kLongName),
        QStringLiteral("The video could not be copied: No space left on device (the folder needs 2.1 GB more)."),
    };
    for (const QString& text : messages) {
        message(text);
        expectWhole(text.left(24));
    }
}

// The dialogs the phone browser opens, each from its own menu action.
TEST_P(AlertTexts, EveryDialogIsShownWhole)
{
    files->urlLink();
    expectWhole(QStringLiteral("url-link"));
    files->createFolder();
    expectWhole(QStringLiteral("new-folder"));
    files->RenamecunstomText(files->model().dirCon().front());
    expectWhole(QStringLiteral("rename"));
    auto* home = dynamic_cast<shell::KVRootViewController*>(
        static_cast<platform::NavigationController*>(files->navigationController())->viewControllers().front());
    ASSERT_TRUE(home);
    home->updateChecked({shell::UpdateVerdict::Kind::Update, QStringLiteral("v10.20.300-beta.4")});
    expectWhole(QStringLiteral("update"));
}

// Long work, sharing and links without a browser: the progress line to its last words,
// the share text and the address in their boxes.
TEST_P(AlertTexts, ProgressAndShareSheetsAreShownWhole)
{
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

INSTANTIATE_TEST_SUITE_P(PhoneWindow, AlertTexts,
                         ::testing::Values(platform::Window::kPhoneMinimumSize, QSize(390, 844)),
                         [](const ::testing::TestParamInfo<QSize>& size) {
                             return QStringLiteral("%1x%2").arg(size.param.width()).arg(size.param.height()).toStdString();
                         });

} // namespace
} // namespace kavio::app
