// The shell's screens offscreen: the update check against a local server, sharing, the
// support screen's switch and rows, the credits, and the phone scene's tabs.

#include "phone/FolderTestSupport.h"
#include "support/CarplayTestSupport.h"
#include "support/LocalHttpServer.h"

#include "app/KVAppDelegate.h"
#include "library/Avatar.h"
#include "library/OwnSettings.h"
#include "library/Settings.h"
#include "phone/IPFMController.h"
#include "platform/base/Http.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"
#include "platform/modals/AlertController.h"
#include "platform/modals/LinkSheet.h"
#include "platform/modals/ShareSheet.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/TabBarController.h"
#include "platform/screens/TabBarItem.h"
#include "platform/screens/Window.h"
#include "platform/testing/RecordingUrlOpener.h"
#include "platform/views/Switch.h"
#include "shell/KVDuoTwitterCell.h"
#include "shell/KVRootViewController.h"
#include "shell/Links.h"
#include "shell/TesselSingleTwitterView.h"
#include "shell/UserInfoController.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

namespace kavio::shell::test {
namespace {

namespace fs = std::filesystem;
using carplay::test::CarWindow;
using kavio::test::LocalHttpServer;
using kavio::test::readFile;

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(docs); }
    void TearDown() override
    {
        window.reset();
        CarWindow::settle();
    }
    template <class T>
    T* show(std::unique_ptr<T> screen)
    {
        T* raw = screen.get();
        window->setRootViewController(std::make_unique<platform::NavigationController>(std::move(screen)));
        window->resize(390, 800);
        window->show();
        CarWindow::settle();
        return raw;
    }
    platform::AlertController* alert() const { return dynamic_cast<platform::AlertController*>(window->topViewController()); }

    kavio::test::ScratchFolder scratch;
    const fs::path docs = scratch / "Documents";
    std::unique_ptr<platform::Window> window = std::make_unique<platform::Window>();
    platform::ScopedRecordingUrlOpener links;
};

TEST_F(ShellTest, HttpAnswersWithinItsLimitsOrNotAtAll)
{
    LocalHttpServer server;
    auto get = [&](platform::HttpLimits limits = {}) {
        std::optional<std::optional<QByteArray>> got;
        platform::httpGet(QUrl(server.base() + "/x"), limits, nullptr, [&](std::optional<QByteArray> body) { got = body; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return got.has_value(); }, 10000));
        return got.value_or(std::nullopt);
    };
    server.answer(403, R"({"message":"rate limited"})");
    EXPECT_EQ(get().value_or("<none>"), R"({"message":"rate limited"})") << "a status with a body still answers";
    server.answer(200, QByteArray((1 << 20) + 1, 'x'));
    EXPECT_FALSE(get()) << "over a megabyte";
    server.answer(200, QByteArray(1 << 20, 'x'));
    EXPECT_TRUE(get()) << "a megabyte exactly";
    server.stayQuiet();
    EXPECT_FALSE(get({1 << 20, std::chrono::milliseconds(300)})) << "gives up at the deadline";
    std::optional<std::optional<QByteArray>> refused;
    platform::httpGet(QUrl("http://127.0.0.1:1/x"), {}, nullptr, [&](std::optional<QByteArray> body) { refused = body; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return refused.has_value(); }, 10000));
    EXPECT_FALSE(*refused) << "no server at all";
}

TEST_F(ShellTest, TheUpdateAlertCarriesTheTagAndItsButtonOpensTheLatestRelease)
{
    if (!links::kUpdateCheck)
        GTEST_SKIP() << "built without the update check";
    LocalHttpServer server;
    server.answer(200, R"({"tag_name":"v9.9"})");
    const kavio::test::ScopedEnv api{{"KAVIO_RELEASES_API", server.base().toStdString()}};
    show(std::make_unique<KVRootViewController>(docs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return alert() != nullptr; }, 10000));
    EXPECT_EQ(server.paths().front(), "/repos/kavio-app/kavio/releases/latest");
    EXPECT_EQ(alert()->alertTitle(), "Update Available");
    EXPECT_EQ(alert()->message(), "A new version v9.9 of Kavio is available.\nWe recommend updating to avoid bugs.");
    EXPECT_EQ(alert()->actionTitles(), QStringList{"OK"});
    alert()->triggerAction("OK");
    CarWindow::settle();
    ASSERT_EQ(links.opened().size(), 1u);
    EXPECT_EQ(links.opened()[0].toString(), "https://github.com/kavio-app/kavio/releases/latest");

    for (const QByteArray& quiet : {QByteArray(R"({"tag_name":"v)" KAVIO_VERSION R"("})"), QByteArray("[]"), QByteArray()}) {
        window = std::make_unique<platform::Window>();
        server.answer(200, quiet);
        const int before = server.requests();
        show(std::make_unique<KVRootViewController>(docs));
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests() > before; }, 10000));
        QTest::qWait(100);
        EXPECT_FALSE(alert()) << quiet.toStdString();
    }
}

// Runs the app with these arguments and no display; its standard output.
QString runWithoutDisplay(const QStringList& arguments, const QString& api = {})
{
    QProcess kavio;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KAVIO_RELEASES_API", api);
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    kavio.setProcessEnvironment(env);
    kavio.start(QStringLiteral(KAVIO_APP), arguments);
    EXPECT_TRUE(QTest::qWaitFor([&] { return kavio.state() == QProcess::NotRunning; }, 20000)); // the server keeps answering
    EXPECT_EQ(kavio.exitCode(), 0);
    return QString::fromUtf8(kavio.readAllStandardOutput());
}

TEST_F(ShellTest, CheckUpdateAnswersInOneLineWithoutADisplay)
{
    LocalHttpServer server;
    const bool checks = links::kUpdateCheck;
    // Each verdict and its line are UpdateVerdictTest's; here, the line the program prints.
    const std::pair<QByteArray, QString> rows[] = {
        // The server's text never reaches the terminal as control characters.
        {R"({"tag_name":"v9\u001b]0;owned\u0007\nrm -rf ~"})", checks ? "update: v9\\x1b]0;owned\\x07\\nrm -rf ~\n" : "no answer\n"},
        {"", "no answer\n"}}; // a 404
    for (const auto& [body, line] : rows) {
        server.answer(body.isEmpty() ? 404 : 200, body.isEmpty() ? QByteArray(R"({"message":"Not Found"})") : body);
        EXPECT_EQ(runWithoutDisplay({"--check-update"}, server.base()), line) << body.toStdString();
    }
    EXPECT_EQ(runWithoutDisplay({"--version"}), "kavio " KAVIO_VERSION "\n");
}

TEST_F(ShellTest, TheHomeMenuOpensTheLibraryAndSharesItsText)
{
    auto* home = show(std::make_unique<KVRootViewController>(docs));
    EXPECT_EQ(home->title(), "Movies");
    EXPECT_EQ(home->tableView()->numberOfRowsInSection(0), 1);
    home->heartMenu().trigger("Share Kavio");
    CarWindow::settle();
    auto* sheet = dynamic_cast<platform::ShareSheet*>(window->topViewController());
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->text().startsWith("Kavio v" KAVIO_VERSION " \n"));
    sheet->sendByEmail();
    ASSERT_EQ(links.opened().size(), 1u);
    EXPECT_EQ(links.opened()[0].scheme(), "mailto");
    EXPECT_TRUE(links.opened()[0].query(QUrl::FullyDecoded).contains("#CarPlay"));

    Avatar::shared().setDocumentsDirectory("/somewhere/else");
    home->didSelectRow(*home->tableView(), platform::IndexPath::forRow(0));
    CarWindow::settle();
    EXPECT_EQ(Avatar::shared().documentsDirectory(), docs);
    auto* browser = dynamic_cast<phone::IPFMController*>(home->navigationController()->topViewController());
    ASSERT_TRUE(browser);
    EXPECT_EQ(browser->currentURL(), docs);
}

// The right-hand-drive switch writes the shared settings file keeping the keys others put
// there, the continue switch a file of Kavio's own; a failed save alerts and leaves the
// file as it was. The player reading the side from that file is CarScreenSizes'.
TEST_F(ShellTest, TheSwitchesWriteTheirFilesKeepingOtherKeysAndAFailedSaveAlerts)
{
    auto* support = show(std::make_unique<UserInfoController>(docs));
    EXPECT_FALSE(support->isChkHand()) << "no file: off";
    EXPECT_EQ(support->continueOnStart(), ContinueOnStart::On);
    support->continueSwitchChanged(false);
    EXPECT_EQ(readContinueOnStart(ownSettingsFile()), ContinueOnStart::Off);
    EXPECT_FALSE(fs::exists(settingsFilePath(docs))) << "peers rewrite that file with the keys they know";
    support->switchValueChanged(true);
    EXPECT_TRUE(readRightHandDrive(support->filePath())) << "the first change creates the file";

    std::optional<plist::Dictionary> held = readSettings(settingsFilePath(docs));
    ASSERT_TRUE(held);
    (*held)["Other"] = plist::Value::makeString("kept");
    ASSERT_TRUE(writeRightHandDrive(settingsFilePath(docs), held, true));
    window = std::make_unique<platform::Window>();
    support = show(std::make_unique<UserInfoController>(docs));
    EXPECT_TRUE(support->isChkHand());
    EXPECT_EQ(support->continueOnStart(), ContinueOnStart::Off) << "read back";
    support->switchValueChanged(false);
    const std::optional<plist::Dictionary> after = readSettings(settingsFilePath(docs));
    ASSERT_TRUE(after);
    EXPECT_EQ(*after->at("Other")->string(), "kept");
    EXPECT_FALSE(readRightHandDrive(settingsFilePath(docs)));

    const std::string before = readFile(settingsFilePath(docs));
    phone::test::withDiskFullAfter(10, [&] { support->switchValueChanged(true); });
    CarWindow::settle();
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->alertTitle(), "Err");
    EXPECT_EQ(alert()->message(), "Failed to save.");
    EXPECT_EQ(readFile(settingsFilePath(docs)), before);
    EXPECT_TRUE(support->isChkHand()) << "the switch keeps its new position";
}

// A desktop with no browser and no mail program: every link of the support screen and the
// heart menu says so, shows its address and copies it; the share sheet stays with its text
// to copy. Promotions are text, not links.
TEST_F(ShellTest, WithoutABrowserOrMailProgramEveryLinkShowsItsAddressToCopy)
{
    links.answer(platform::UrlOpenResult::NoProgram);
    auto* support = show(std::make_unique<UserInfoController>(docs));
    platform::TableView* table = support->tableView();
    for (const platform::IndexPath promotion : {platform::IndexPath{2, 0}, platform::IndexPath{3, 2}}) {
        EXPECT_EQ(table->cellForRow(promotion)->selectionStyle(), platform::TableViewCellSelectionStyle::None);
        support->didSelectRow(*table, promotion);
    }
    support->didSelectRow(*table, platform::IndexPath{1, 0});
    EXPECT_TRUE(links.opened().empty());
    auto* credits = dynamic_cast<KVDuoTwitterCell*>(table->cellForRow(platform::IndexPath{0, 0}));
    ASSERT_TRUE(credits);
    EXPECT_EQ(credits->divider()->width(), 1);
    EXPECT_NEAR(credits->divider()->height(), credits->contentView()->height() * 0.7, 1);
    KVRootViewController* home = nullptr;
    const std::tuple<const char*, std::function<void()>, const char*> rows[] = {
        {"the donation row", [&] { support->didSelectRow(*table, platform::IndexPath{0, 1}); }, links::kDonation},
        {"the developer's credit", [&] { QTest::mouseClick(credits->developer(), Qt::LeftButton); }, links::kDeveloperProfile},
        {"the designer's credit", [&] { QTest::mouseClick(credits->designer(), Qt::LeftButton); }, links::kDesignerProfile},
        {"the heart menu", [&] {
             window = std::make_unique<platform::Window>();
             home = show(std::make_unique<KVRootViewController>(docs));
             home->heartMenu().trigger("Donate with PayPal");
         }, links::kDonation}};
    for (const auto& [what, follow, link] : rows) {
        follow();
        CarWindow::settle();
        EXPECT_EQ(links.opened().back().toString(), QString::fromLatin1(link)) << what;
        auto* shown = dynamic_cast<platform::AddressSheet*>(window->topViewController());
        ASSERT_TRUE(shown) << what;
        EXPECT_EQ(shown->address(), QString::fromLatin1(link)) << what;
        EXPECT_TRUE(shown->message().startsWith("There is no web browser on this computer")) << what;
        shown->copy();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromLatin1(link)) << what;
        EXPECT_EQ(shown->copyTitle(), "Copied") << what;
        shown->close();
        CarWindow::settle();
        EXPECT_FALSE(dynamic_cast<platform::AddressSheet*>(window->topViewController())) << what;
    }
    home->heartMenu().trigger("Share Kavio");
    CarWindow::settle();
    auto* share = dynamic_cast<platform::ShareSheet*>(window->topViewController());
    ASSERT_TRUE(share);
    share->sendByEmail();
    CarWindow::settle();
    EXPECT_EQ(window->topViewController(), share) << "it stays, the text at hand";
    EXPECT_TRUE(share->note().startsWith("There is no e-mail program on this computer")) << share->note().toStdString();
    share->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), share->text());
    EXPECT_EQ(share->copyTitle(), "Copied");
}

TEST(CreditTest, BuiltOnceHoweverOftenItIsShown)
{
    QWidget first;
    QWidget second;
    auto* credit = new TesselSingleTwitterView(&first);
    credit->username = "Someone";
    credit->handle = "Role";
    credit->url = "dev.png";
    credit->resize(200, 80);
    first.show();
    first.hide();
    credit->setParent(&second); // leaves its window for another
    second.show();
    credit->show();
    EXPECT_TRUE(credit->subviewsAdded());
    EXPECT_EQ(credit->findChildren<QLabel*>().size(), 3);
}

TEST(PhoneSceneTest, MoviesThenSupportAndTheDocumentsLeftAloneUntilFilesIsChosen)
{
    carplay::test::Library library;
    Avatar::shared().setDocumentsDirectory("/somewhere/else");
    platform::SceneManager scenes([&](platform::SceneRole) { return std::make_unique<app::KVAppDelegate>(library.documents()); });
    platform::Scene* scene = scenes.connectScene(platform::SceneRole::Phone);
    CarWindow::settle();
    auto* tabs = dynamic_cast<platform::TabBarController*>(scene->window().rootViewController());
    ASSERT_TRUE(tabs);
    const std::vector<platform::ViewController*> stacks = tabs->viewControllers();
    ASSERT_EQ(stacks.size(), 2u);
    EXPECT_EQ(stacks[0]->tabBarItem().title(), "Movies");
    EXPECT_EQ(stacks[1]->tabBarItem().title(), "Support");
    EXPECT_EQ(Avatar::shared().documentsDirectory(), std::filesystem::path("/somewhere/else"));
}

} // namespace
} // namespace kavio::shell::test
