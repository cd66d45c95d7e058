// Every text of both faces stands out from what is behind it: by the style headers' own
// pairs of colours, and measured on the rendered screens. The phone face reaches 4.5:1;
// the car face, read at a glance and in daylight, 7:1.

#include "support/CarplayTestSupport.h"
#include "support/ScreenChecks.h"

#include "app/KVAppDelegate.h"
#include "carplay/CRFMController.h"
#include "carplay/CarStyle.h"
#include "phone/IPFMController.h"
#include "phone/PhoneStyle.h"
#include "platform/lists/TableView.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/TabBarController.h"
#include "platform/screens/Window.h"
#include "platform/testing/FakePlayer.h"
#include "platform/views/Colors.h"
#include "shell/ShellStyle.h"

#include <QApplication>

#include <gtest/gtest.h>

namespace kavio::app {
namespace {

namespace fs = std::filesystem;
using carplay::test::CarWindow;
using kavio::test::contrastRatio;

constexpr double kPhoneMinimum = 4.5;
constexpr double kCarMinimum = 7.0;

struct ColourPair {
    const char* what;
    QColor text;
    QColor behind;
    double minimum;
};

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
        {"editor heading, top", phone::editorHeading, phone::editorGradientTop, kPhoneMinimum},
        {"editor heading, bottom", phone::editorHeading, phone::editorGradientBottom, kPhoneMinimum},
        {"editor field text", phone::editorFieldText, phone::editorGradientBottom, kPhoneMinimum},
        {"editor placeholder, top", phone::editorPlaceholder, phone::editorGradientTop, kPhoneMinimum},
        {"editor placeholder, bottom", phone::editorPlaceholder, phone::editorGradientBottom, kPhoneMinimum},
        {"editor button", phone::editorButtonText, phone::editorButton, kPhoneMinimum},
        {"car row title", car::titleText, car::rowBackground, kCarMinimum},
        {"car row detail", car::detailText, car::rowBackground, kCarMinimum},
        {"car banner", car::bannerText, car::background, kCarMinimum},
        {"player failure title", car::failureTitle, car::playerBackground, kCarMinimum},
        {"player failure reason", car::failureDetail, car::playerBackground, kCarMinimum},
        {"support section header", shell::sectionHeader, shell::background, kPhoneMinimum},
        {"support row detail", shell::sectionHeader, Qt::white, kPhoneMinimum},
        {"home banner", shell::bannerText, shell::background, kPhoneMinimum},
        {"selected tab", shell::tabTint, shell::barTint, kPhoneMinimum},
        {"other tab", shell::tabUnselected, shell::barTint, kPhoneMinimum},
        {"credit role", shell::creditRole, Qt::white, kPhoneMinimum},
        {"credit name", shell::creditName, Qt::white, kPhoneMinimum},
    };
    for (const ColourPair& pair : pairs)
        EXPECT_GE(contrastRatio(pair.text, pair.behind), pair.minimum) << pair.what;
}

// The screens as drawn, each text against the pixels behind its letters.
class RenderedContrast : public ::testing::Test {
protected:
    void SetUp() override
    {
        kavio::test::fileRecords(docs, {kavio::test::record("Road North"), kavio::test::record("Fractal")});
        kavio::test::writeFile(docs / "Road North.mp4", std::string(123456, 'x'));
        kavio::test::writeFile(docs / "Fractal.mp4", std::string(4321, 'x'));
        kavio::test::writeFile(docs / "copied by hand.mov", "x");
        fs::create_directories(docs / "Trips");
        Avatar::shared().setDocumentsDirectory(docs);
    }
    void expectReadable(QWidget& window, const QString& name, double minimum)
    {
        CarWindow::settle();
        const QString size = QStringLiteral("%1x%2").arg(window.width()).arg(window.height());
        kavio::test::screenshot(window, QStringLiteral("contrast-%1-%2").arg(name, size));
        EXPECT_EQ(kavio::test::lowContrastTexts(window, minimum), std::vector<std::string>())
            << name.toStdString() << " at " << size.toStdString();
    }

    kavio::test::ScratchFolder scratch;
    const fs::path docs = scratch / "Documents";
};

class PhoneContrast : public RenderedContrast, public ::testing::WithParamInterface<QSize> {};

TEST_P(PhoneContrast, EveryScreenAtTheSmallestAndTheUsualSize)
{
    platform::Window window;
    window.placeForPhone();
    auto owned = KVAppDelegate::makeTabs(docs);
    platform::TabBarController* tabs = owned.get();
    window.setRootViewController(std::move(owned));
    window.resize(GetParam());
    window.show();
    expectReadable(window, QStringLiteral("movies"), kPhoneMinimum);

    auto* movies = static_cast<platform::NavigationController*>(tabs->viewControllers().front());
    auto files = std::make_unique<phone::IPFMController>(docs);
    phone::IPFMController* browser = files.get();
    movies->pushViewController(std::move(files), platform::Animated::No);
    expectReadable(window, QStringLiteral("files"), kPhoneMinimum);

    browser->presentEditor({phone::ImportKind::Link, {}, "https://example.com/live.m3u8"});
    expectReadable(window, QStringLiteral("editor"), kPhoneMinimum);
    tabs->dismiss(platform::Animated::No);

    tabs->setSelectedIndex(1);
    expectReadable(window, QStringLiteral("support"), kPhoneMinimum);
}

TEST_F(RenderedContrast, CarScreensOnTheirPanel)
{
    platform::Window window;
    window.resize(platform::Window::kCarWindowSize);
    auto owned = std::make_unique<carplay::CRFMController>(docs, carplay::CloseButton::Hidden);
    carplay::CRFMController* root = owned.get();
    window.setRootViewController(std::move(owned));
    window.show();
    expectReadable(window, QStringLiteral("car-root"), kCarMinimum);
    root->present(std::make_unique<carplay::CRFMController>(docs / "Trips", carplay::CloseButton::Shown),
                  platform::Animated::No);
    expectReadable(window, QStringLiteral("car-folder"), kCarMinimum);
}

INSTANTIATE_TEST_SUITE_P(PhoneWindow, PhoneContrast,
                         ::testing::Values(platform::Window::kPhoneMinimumSize, QSize(390, 844)),
                         [](const ::testing::TestParamInfo<QSize>& size) {
                             return QStringLiteral("%1x%2").arg(size.param.width()).arg(size.param.height()).toStdString();
                         });

} // namespace
} // namespace kavio::app
