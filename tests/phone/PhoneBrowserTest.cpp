// The phone browser on a real folder in an offscreen window: its rows, its navigation,
// its actions through menus, dialogs and pickers, and following the folder on disk.

#include "support/CarplayTestSupport.h"

#include "carplay/CRFMController.h"
#include "library/FolderModel.h"
#include "phone/IPFMController.h"
#include "platform/lists/CellImageView.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"
#include "platform/lists/TableViewCellLabel.h"
#include "platform/modals/AlertController.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/Window.h"
#include "platform/testing/ScriptedPicker.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace kavio::phone::test {
namespace {

namespace fs = std::filesystem;
using kavio::test::fileRecords;
using kavio::test::readFile;
using kavio::test::record;
using kavio::test::writeFile;
using platform::AlertController;
using platform::IndexPath;

void settle()
{
    carplay::test::CarWindow::settle();
}

class PhoneBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(docs);
    }
    void TearDown() override
    {
        window.reset();
        settle();
    }

    IPFMController* open()
    {
        auto root = std::make_unique<IPFMController>(docs);
        IPFMController* raw = root.get();
        auto nav = std::make_unique<platform::NavigationController>(std::move(root));
        navigation = nav.get();
        window->setRootViewController(std::move(nav));
        window->resize(390, 700);
        window->show();
        settle();
        return raw;
    }
    IPFMController* top() const { return dynamic_cast<IPFMController*>(navigation->topViewController()); }

    static std::optional<int> rowOf(IPFMController& browser, const std::string& name)
    {
        const auto& entries = browser.model().dirCon();
        const auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.name == name; });
        return it == entries.end() ? std::nullopt : std::optional<int>(int(it - entries.begin()));
    }
    static FolderEntry entry(IPFMController& browser, const std::string& name)
    {
        return browser.model().dirCon().at(static_cast<std::size_t>(rowOf(browser, name).value()));
    }
    static platform::TableViewCell* cellFor(IPFMController& browser, const std::string& name)
    {
        const std::optional<int> row = rowOf(browser, name);
        if (!row)
            return nullptr;
        browser.tableView()->scrollToRow(IndexPath::forRow(*row), platform::TableViewScrollPosition::Middle, platform::Animated::No);
        settle();
        return browser.tableView()->cellForRow(IndexPath::forRow(*row));
    }
    static QString sizeText(platform::TableViewCell& cell)
    {
        auto* label = qobject_cast<QLabel*>(cell.accessoryView());
        return label ? label->text() : QString();
    }
    void tap(IPFMController& browser, const std::string& name)
    {
        browser.didSelectRow(*browser.tableView(), IndexPath::forRow(rowOf(browser, name).value()));
        settle();
    }
    AlertController* alert() const { return dynamic_cast<AlertController*>(window->topViewController()); }
    // Answers the alert on screen with these field texts and that button.
    void answer(const QStringList& texts, const QString& button)
    {
        AlertController* dialog = alert();
        ASSERT_TRUE(dialog);
        for (int i = 0; i < texts.size(); ++i)
            dialog->textFields().at(static_cast<std::size_t>(i))->setText(texts[i]);
        ASSERT_TRUE(dialog->triggerAction(button));
        settle();
    }
    std::string store(const fs::path& folder) const { return readFile(folder / kStoreFileName); }

    kavio::test::ScratchFolder scratch;
    const kavio::test::ScopedEnv trashInScratch{{"XDG_DATA_HOME", (scratch / "data").string()}};
    const fs::path docs = scratch / "Documents";
    std::unique_ptr<platform::Window> window = std::make_unique<platform::Window>();
    platform::NavigationController* navigation = nullptr;
};

TEST_F(PhoneBrowserTest, RowsShowFoldersRecordsHandCopiedFilesAndLinks)
{
    RecordPtr clip = record("clip");
    clip->ARTIST = "";
    RecordPtr live = record("Live", "mp4", "https://example.com/live.m3u8");
    fileRecords(docs, {clip, live});
    writeFile(docs / "clip.mp4", std::string(2500, 'x'));
    writeFile(docs / "Live.mp4", "");
    writeFile(docs / "copied by hand.MOV", "x");
    fs::create_directory(docs / "clip.mp4.d");
    fs::create_directory(docs / "folder.mp4");

    IPFMController* root = open();
    EXPECT_EQ(root->tableView()->rowHeight(), 60);
    platform::TableViewCell* row = cellFor(*root, "clip.mp4");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->textLabel()->text(), "clip");
    EXPECT_EQ(row->detailTextLabel()->text(), "") << "an empty artist, not the file name";
    EXPECT_EQ(row->imageView()->imageSize(), QSize(40, 40));
    EXPECT_EQ(sizeText(*row), "3 KB");

    row = cellFor(*root, "copied by hand.MOV");
    EXPECT_EQ(row->textLabel()->text(), "copied by hand.MOV");
    EXPECT_EQ(row->detailTextLabel()->text(), "");

    row = cellFor(*root, "Live.mp4");
    EXPECT_EQ(row->textLabel()->text(), "Live");
    EXPECT_EQ(row->detailTextLabel()->text(), "by Live");
    EXPECT_EQ(sizeText(*row), "Zero KB");

    row = cellFor(*root, "folder.mp4");
    EXPECT_EQ(row->textLabel()->text(), "folder.mp4");
    EXPECT_EQ(row->accessoryType(), platform::TableViewCellAccessory::DisclosureIndicator);
    tap(*root, "folder.mp4");
    ASSERT_EQ(navigation->viewControllers().size(), 2u) << "a folder named like a video opens as a folder";
    EXPECT_EQ(top()->title(), "folder.mp4");
    EXPECT_EQ(top()->currentURL(), docs / "folder.mp4");
}

TEST_F(PhoneBrowserTest, TappingAVideoOrAVanishedEntryOnlyDeselects)
{
    writeFile(docs / "clip.mp4", "x");
    fs::create_directory(docs / "Gone");
    IPFMController* root = open();
    const std::string before = readFile(docs / "clip.mp4");
    tap(*root, "clip.mp4");
    fs::remove(docs / "Gone");
    tap(*root, "Gone");
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_FALSE(alert());
    EXPECT_FALSE(root->tableView()->indexPathForSelectedRow());
    EXPECT_EQ(readFile(docs / "clip.mp4"), before);
}

TEST_F(PhoneBrowserTest, ABrowserWhoseFolderVanishedLeavesTheStackWithTheOnesAboveIt)
{
    fs::create_directories(docs / "Trips" / "2024");
    IPFMController* root = open();
    tap(*root, "Trips");
    tap(*top(), "2024");
    ASSERT_EQ(navigation->viewControllers().size(), 3u);
    fs::remove_all(docs / "Trips");
    auto* trips = dynamic_cast<IPFMController*>(navigation->viewControllers()[1]);
    trips->pulledToRefresh();
    settle();
    EXPECT_EQ(navigation->viewControllers(), std::vector<platform::ViewController*>{root});
}

TEST_F(PhoneBrowserTest, ASubfolderImportLeavesTheParentRowsAsTheyWere)
{
    fileRecords(docs, {record("top")});
    writeFile(docs / "top.mp4", "x");
    fs::create_directories(docs / "Trips");
    IPFMController* root = open();
    tap(*root, "Trips");
    fileRecords(docs / "Trips", {record("top")}); // a record of the same title, in the subfolder
    writeFile(docs / "Trips" / "top.mp4", "x");
    navigation->popViewController(platform::Animated::No);
    settle();
    EXPECT_EQ(cellFor(*root, "top.mp4")->detailTextLabel()->text(), "by top");
    EXPECT_EQ(root->model().save_items()->size(), 1u);
}

TEST_F(PhoneBrowserTest, RenameFromTheRowMenuAndItsRefusals)
{
    const RecordPtr clip = record("clip", "mov");
    fileRecords(docs, {clip});
    writeFile(docs / "clip.mov", "x");
    IPFMController* root = open();

    const platform::Menu menu = root->contextMenuFor(entry(*root, "clip.mov"));
    EXPECT_EQ(menu.title, "clip");
    ASSERT_TRUE(menu.trigger("Rename"));
    settle();
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->alertTitle(), "Kavio");
    EXPECT_EQ(alert()->textFieldText(0), "clip");
    EXPECT_EQ(alert()->actionTitles(), (QStringList{"Rename", "Cancel"}));
    EXPECT_EQ(alert()->actionStyle("Cancel"), platform::AlertActionStyle::Destructive);
    answer({"../outside", "x"}, "Rename");
    ASSERT_TRUE(alert()) << "refused with a message";
    EXPECT_EQ(alert()->alertTitle(), "Err");
    EXPECT_EQ(alert()->message(), "A name cannot contain \"/\".");
    answer({}, "OK");
    EXPECT_TRUE(fs::exists(docs / "clip.mov"));

    // Pasted text may hold control characters: a title or artist is plain text.
    for (const QStringList& typed : {QStringList{"two\nlines", ""}, QStringList{"clip", "esc\x1b[31m"}}) {
        root->renameRequested(*root->tableView(), IndexPath::forRow(rowOf(*root, "clip.mov").value()));
        answer(typed, "Rename");
        ASSERT_TRUE(alert()) << typed.join('|').toStdString();
        EXPECT_EQ(alert()->message(), (typed[1].isEmpty() ? "A name" : "An artist name") +
                                          QStringLiteral(" cannot contain control characters such as a line break, a tab or an escape."));
        answer({}, "OK");
    }
    EXPECT_EQ(cellFor(*root, "clip.mov")->detailTextLabel()->text(), "by clip");

    root->renameRequested(*root->tableView(), IndexPath::forRow(rowOf(*root, "clip.mov").value())); // F2
    answer({"holiday", ""}, "Rename");
    EXPECT_FALSE(alert());
    EXPECT_TRUE(fs::exists(docs / "holiday.mov"));
    EXPECT_EQ(cellFor(*root, "holiday.mov")->textLabel()->text(), "holiday");
    EXPECT_EQ(cellFor(*root, "holiday.mov")->detailTextLabel()->text(), "by clip") << "an empty artist keeps it";
}

TEST_F(PhoneBrowserTest, AMenuOpenedBeforeAReloadActsOnItsOwnEntry)
{
    fileRecords(docs, {record("b")});
    writeFile(docs / "b.mp4", "x");
    IPFMController* root = open();
    const platform::Menu menu = root->contextMenuFor(entry(*root, "b.mp4"));
    ASSERT_TRUE(menu.trigger("Rename"));
    settle();
    // Meanwhile: another record filed before b, and a reload that reorders the rows.
    fileRecords(docs, {record("a")});
    writeFile(docs / "a.mp4", "x");
    root->reloadContent();
    answer({"b2", "Someone"}, "Rename");
    FolderModel now(docs);
    now.loadMp4Files();
    EXPECT_EQ((*now.save_items())[*now.recordIndexForKey("kKVb")]->FILENAME, "b2");
    EXPECT_EQ((*now.save_items())[*now.recordIndexForKey("kKVb")]->ARTIST, "Someone");
    EXPECT_EQ((*now.save_items())[*now.recordIndexForKey("kKVa")]->FILENAME, "a");

    const platform::Menu stale = root->contextMenuFor(entry(*root, "a.mp4"));
    fs::rename(docs / "a.mp4", docs / "z.mp4"); // renamed elsewhere before the action
    ASSERT_TRUE(stale.trigger("Remove"));
    settle();
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->message(), "\"a.mp4\" changed before the action ran, so nothing was done.");
    EXPECT_TRUE(fs::exists(docs / "z.mp4"));
}

TEST_F(PhoneBrowserTest, RemoveFromTheMenuAndTheSwipeAlike)
{
    fileRecords(docs, {record("a"), record("b")});
    writeFile(docs / "a.mp4", "x");
    writeFile(docs / "b.mp4", "x");
    fs::create_directories(docs / "Trip");
    IPFMController* root = open();
    const platform::Menu folderMenu = root->contextMenuFor(entry(*root, "Trip"));
    EXPECT_EQ(folderMenu.children.size(), 2u) << "no thumbnail for a folder";
    EXPECT_EQ(folderMenu.children.back().attributes, platform::MenuElementAttributes::Destructive);
    ASSERT_TRUE(folderMenu.trigger("Remove"));
    EXPECT_EQ(root->editingStyleForRow(*root->tableView(), IndexPath::forRow(0)), platform::TableViewEditingStyle::Delete);
    root->commitDelete(*root->tableView(), IndexPath::forRow(rowOf(*root, "a.mp4").value()));
    ASSERT_TRUE(root->contextMenuFor(entry(*root, "b.mp4")).trigger("Remove"));
    settle();
    EXPECT_FALSE(alert());
    EXPECT_EQ(root->tableView()->numberOfRowsInSection(0), 0);
    for (const char* name : {"Trip", "a.mp4", "b.mp4"})
        EXPECT_TRUE(fs::exists(scratch / "data" / "Trash" / "files" / name)) << name;
    EXPECT_TRUE(root->model().save_items()->empty());
}

TEST_F(PhoneBrowserTest, ThumbnailFromThePicturePickerOrNothingWhenCancelled)
{
    platform::ScopedScriptedPickers pickers;
    fileRecords(docs, {record("clip")});
    writeFile(docs / "clip.mp4", "x");
    IPFMController* root = open();
    const std::string before = store(docs);

    pickers.answer(std::nullopt);
    root->contextMenuFor(entry(*root, "clip.mp4")).trigger("Image rewriting");
    EXPECT_TRUE(root->isPicking());
    pickers.deliver();
    EXPECT_FALSE(root->isPicking());
    EXPECT_EQ(store(docs), before);

    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::red);
    picture.save(QString::fromStdString((scratch / "red.png").string()));
    pickers.answer(scratch / "red.png");
    root->contextMenuFor(entry(*root, "clip.mp4")).trigger("Image rewriting");
    pickers.deliver();
    ASSERT_EQ(pickers.requests().size(), 2u);
    EXPECT_EQ(pickers.requests().back().kind, platform::PickerKind::Image);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !root->isPicking(); }, 2000));
    EXPECT_EQ(root->model().save_items()->front()->imgData->view(), readFile(scratch / "red.png"));
}

TEST_F(PhoneBrowserTest, CreateFolderFromTheAddMenu)
{
    IPFMController* root = open();
    const platform::Menu add = root->addMenu();
    EXPECT_EQ(add.title, "Kavio");
    ASSERT_TRUE(add.trigger("Create Folder"));
    settle();
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->message(), "Enter a folder name.");
    answer({"Trips/2024"}, "Create");
    EXPECT_TRUE(fs::is_directory(docs / "Trips" / "2024"));
    EXPECT_TRUE(rowOf(*root, "Trips"));
    ASSERT_TRUE(root->addMenu().trigger("Create Folder"));
    settle();
    answer({"Trips"}, "Create");
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->message(), "Folder already exists.");
}

TEST_F(PhoneBrowserTest, AFileAddedFromOutsideAppearsInBothBrowsersWithoutAPull)
{
    carplay::test::CarWindow car;
    auto carRoot = std::make_unique<carplay::CRFMController>(docs, carplay::CloseButton::Hidden);
    carplay::CRFMController* carBrowser = carRoot.get();
    car.setRoot(std::move(carRoot));
    IPFMController* root = open();
    ASSERT_EQ(root->tableView()->numberOfRowsInSection(0), 0);

    writeFile(docs / "copied in.mp4", "x");
    EXPECT_TRUE(QTest::qWaitFor([&] { return root->tableView()->numberOfRowsInSection(0) == 1; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return carBrowser->tableView()->numberOfRowsInSection(0) == 1; }, 5000));

    // A rename on the phone shows on the car.
    ASSERT_TRUE(root->contextMenuFor(entry(*root, "copied in.mp4")).trigger("Rename"));
    settle();
    answer({"Renamed", "Me"}, "Rename");
    EXPECT_TRUE(QTest::qWaitFor([&] { return carBrowser->model().dirCon().size() == 1 && carBrowser->model().dirCon()[0].name == "Renamed.mp4"; }, 5000));
}

} // namespace
} // namespace kavio::phone::test
