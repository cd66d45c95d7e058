// The phone browser on a real folder in an offscreen window: its rows, its navigation,
// its actions through menus, dialogs and pickers, and following the folder on disk.

#include "support/PhoneTestSupport.h"

#include "carplay/CRFMController.h"
#include "library/FolderModel.h"
#include "platform/lists/CellImageView.h"
#include "platform/lists/TableViewCellLabel.h"
#include "platform/modals/Notice.h"
#include "platform/testing/ScriptedPicker.h"

#include <QPushButton>
#include <QTest>

namespace kavio::phone::test {
namespace {

namespace fs = std::filesystem;
using kavio::test::sizeText;
using platform::IndexPath;

class PhoneBrowserTest : public PhoneWindowTest {
protected:
    std::string store(const fs::path& folder) const { return readFile(folder / kStoreFileName); }
};

// How rows are labelled is the shared browser's (tried in the car BrowserTest); here, what a tap does
// on the phone.
TEST_F(PhoneBrowserTest, AFolderNamedLikeAVideoOpensAndAVideoOrAVanishedEntryOnlyDeselects)
{
    writeFile(docs / "clip.mp4", "x");
    fs::create_directory(docs / "folder.mp4");
    fs::create_directory(docs / "Gone");
    IPFMController* root = open();
    tap(*root, "clip.mp4");
    fs::remove(docs / "Gone");
    tap(*root, "Gone");
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_FALSE(alert());
    EXPECT_FALSE(root->tableView()->indexPathForSelectedRow());
    EXPECT_EQ(readFile(docs / "clip.mp4"), "x");

    tap(*root, "folder.mp4");
    ASSERT_EQ(navigation->viewControllers().size(), 2u);
    EXPECT_EQ(top()->title(), "folder.mp4");
    EXPECT_EQ(top()->currentURL(), docs / "folder.mp4");
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

    const platform::Menu menu = root->contextMenuFor(entryNamed(*root, "clip.mov"));
    EXPECT_EQ(menu.title, "clip");
    ASSERT_TRUE(menu.trigger("Rename"));
    settle();
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->alertTitle(), "Kavio");
    EXPECT_EQ(alert()->textFieldText(0), "clip");
    EXPECT_EQ(alert()->textFields().front()->selectedText(), "clip") << "typing replaces the title";
    EXPECT_EQ(alert()->actionTitles(), (QStringList{"Rename", "Cancel"}));
    EXPECT_EQ(alert()->actionStyle("Cancel"), platform::AlertActionStyle::Destructive);
    answer({"../outside", "x"}, "Rename");
    ASSERT_TRUE(alert()) << "refused with a message";
    EXPECT_EQ(alert()->alertTitle(), "Err");
    EXPECT_EQ(alert()->message(), "A name cannot contain \"/\".");
    answer({}, "OK");
    EXPECT_TRUE(fs::exists(docs / "clip.mov"));
    ASSERT_TRUE(alert()) << "the dialog again, to correct what was typed";
    EXPECT_EQ(alert()->alertTitle(), "Kavio");
    EXPECT_EQ(alert()->textFieldText(0), "../outside");
    EXPECT_EQ(alert()->textFieldText(1), "x");
    answer({}, "Cancel");
    EXPECT_FALSE(alert());

    // The artist is checked here, before the rename (the title by the rename itself).
    root->renameRequested(*root->tableView(), IndexPath::forRow(rowOf(*root, "clip.mov").value()));
    answer({"clip", "esc\x1b[31m"}, "Rename");
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->message(), "An artist name cannot contain control characters such as a line break, a tab or an escape.");
    answer({}, "OK");
    ASSERT_TRUE(alert()) << "the dialog again, holding both fields";
    EXPECT_EQ(alert()->textFieldText(0), "clip");
    EXPECT_EQ(alert()->textFieldText(1), "esc\x1b[31m");
    answer({}, "Cancel");
    EXPECT_EQ(cellFor(*root, "clip.mov")->detailTextLabel()->text(), "by clip");

    root->renameRequested(*root->tableView(), IndexPath::forRow(rowOf(*root, "clip.mov").value())); // F2
    answer({"holiday", ""}, "Rename");
    EXPECT_FALSE(alert());
    EXPECT_TRUE(fs::exists(docs / "holiday.mov"));
    EXPECT_EQ(cellFor(*root, "holiday.mov")->textLabel()->text(), "holiday");
    EXPECT_EQ(cellFor(*root, "holiday.mov")->detailTextLabel()->text(), "by clip") << "an empty artist keeps it";
}

// The title typed with the file's own extension, in any case, is not given it twice;
// another extension is part of the title.
TEST_F(PhoneBrowserTest, ATitleTypedWithItsExtensionKeepsOneExtension)
{
    fileRecords(docs, {record("a"), record("b"), record("c", "mov")});
    for (const char* name : {"a.mp4", "b.mp4", "c.mov"})
        writeFile(docs / name, "x");
    IPFMController* root = open();
    const struct {
        const char* file;
        QString typed;
        const char* becomes;
    } rows[] = {
        {"a.mp4", "Beach Day.mp4", "Beach Day.mp4"},
        {"b.mp4", "Night.MP4", "Night.mp4"},
        {"c.mov", "Trailer.mp4", "Trailer.mp4.mov"},
    };
    for (const auto& row : rows) {
        root->RenamecunstomText(entryNamed(*root, row.file));
        settle();
        answer({row.typed, ""}, "Rename");
        EXPECT_FALSE(alert()) << row.file;
        EXPECT_TRUE(fs::exists(docs / row.becomes)) << row.file;
    }
    EXPECT_EQ(cellFor(*root, "Beach Day.mp4")->textLabel()->text(), "Beach Day");
}

TEST_F(PhoneBrowserTest, AMenuOpenedBeforeAReloadActsOnItsOwnEntry)
{
    fileRecords(docs, {record("b")});
    writeFile(docs / "b.mp4", "x");
    IPFMController* root = open();
    const platform::Menu menu = root->contextMenuFor(entryNamed(*root, "b.mp4"));
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

    const platform::Menu stale = root->contextMenuFor(entryNamed(*root, "a.mp4"));
    fs::rename(docs / "a.mp4", docs / "z.mp4"); // renamed elsewhere before the action
    ASSERT_TRUE(stale.trigger("Remove"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return alert() != nullptr; }, 5000));
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
    const platform::Menu folderMenu = root->contextMenuFor(entryNamed(*root, "Trip"));
    EXPECT_EQ(folderMenu.children.size(), 2u) << "no thumbnail for a folder";
    EXPECT_EQ(folderMenu.children.back().attributes, platform::MenuElementAttributes::Destructive);
    ASSERT_TRUE(folderMenu.trigger("Remove"));
    EXPECT_EQ(root->editingStyleForRow(*root->tableView(), IndexPath::forRow(0)), platform::TableViewEditingStyle::Delete);
    root->commitDelete(*root->tableView(), IndexPath::forRow(rowOf(*root, "a.mp4").value()));
    ASSERT_TRUE(root->contextMenuFor(entryNamed(*root, "b.mp4")).trigger("Remove"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return root->tableView()->numberOfRowsInSection(0) == 0; }, 5000));
    EXPECT_FALSE(alert());
    for (const char* name : {"Trip", "a.mp4", "b.mp4"})
        EXPECT_TRUE(fs::exists(scratch / "data" / "Trash" / "files" / name)) << name;
    EXPECT_TRUE(root->model().save_items()->empty());
}

// Every removal ends in a notice with Undo; Ctrl+Z takes back the newest one left, with
// its records, until the trash no longer holds what went.
TEST_F(PhoneBrowserTest, UndoAndCtrlZPutBackEachRemovalWithItsRecords)
{
    const kavio::test::ScopedEnv state{{"XDG_STATE_HOME", (scratch / "state").string()}};
    fileRecords(docs, {record("a"), record("b"), record("c", "mov", "https://example.com/c.m3u8")});
    for (const char* name : {"a.mp4", "b.mp4", "c.mov"})
        writeFile(docs / name, name);
    fileRecords(docs / "Trip", {record("day")});
    writeFile(docs / "Trip" / "day.mp4", "day");
    const std::string before = store(docs);
    IPFMController* root = open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    auto removeAndWait = [&](const std::string& name) {
        root->removeEntry(entryNamed(*root, name));
        return QTest::qWaitFor([&] { return !rowOf(*root, name); }, 5000);
    };
    for (const char* name : {"a.mp4", "b.mp4", "c.mov", "Trip"})
        ASSERT_TRUE(removeAndWait(name)) << name;
    platform::NoticeBar* notice = platform::noticeBarFor(*root);
    ASSERT_TRUE(notice);
    EXPECT_TRUE(notice->isShowing());
    EXPECT_EQ(notice->text(), QStringLiteral("\"Trip\" moved to the trash"));
    EXPECT_EQ(notice->actionTitle(), QStringLiteral("Undo"));
    EXPECT_GT(notice->remaining(), std::chrono::milliseconds(5000));

    notice->actionButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowOf(*root, "Trip").has_value(); }, 5000));
    EXPECT_EQ(readFile(docs / "Trip" / "day.mp4"), "day");
    for (int i = 0; i < 3; ++i) {
        const std::size_t rows = root->model().dirCon().size();
        QTest::keyClick(root->tableView(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return root->model().dirCon().size() == rows + 1; }, 5000)) << i;
    }
    EXPECT_FALSE(alert());
    EXPECT_EQ(store(docs), before) << "every record back with its key, artist, thumbnail and address";
    for (const char* name : {"a.mp4", "b.mp4", "c.mov"})
        EXPECT_EQ(readFile(docs / name), name);

    // Emptied meanwhile: Undo says so and changes nothing.
    ASSERT_TRUE(removeAndWait("a.mp4"));
    fs::remove_all(scratch / "data" / "Trash");
    const std::string after = store(docs);
    QTest::keyClick(root->tableView(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return alert() != nullptr; }, 5000));
    EXPECT_EQ(alert()->message(), "\"a.mp4\" is no longer in the trash, so nothing was put back.");
    EXPECT_EQ(store(docs), after);
    EXPECT_FALSE(fs::exists(docs / "a.mp4"));
}

// What no trash takes stays and is named; erasing it is a separate choice, asked twice.
TEST_F(PhoneBrowserTest, WhatNoTrashTakesIsOfferedForDeletionForGoodConfirmedOnItsOwn)
{
    const kavio::test::ScopedEnv trashInside{{"XDG_DATA_HOME", (docs / "Trip" / "data").string()},
                                             {"XDG_STATE_HOME", (scratch / "state").string()}};
    fileRecords(docs / "Trip", {record("day")});
    writeFile(docs / "Trip" / "day.mp4", "day");
    IPFMController* root = open();
    for (const QString& answer : {QStringLiteral("Keep"), QStringLiteral("Cancel"), QStringLiteral("Delete Permanently")}) {
        SCOPED_TRACE(answer.toStdString());
        root->removeEntry(entryNamed(*root, "Trip"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return alert() != nullptr; }, 5000));
        EXPECT_EQ(alert()->alertTitle(), QStringLiteral("Not Moved to the Trash"));
        EXPECT_TRUE(alert()->message().startsWith(QStringLiteral("\"Trip\" was not moved to the trash: it holds the trash itself")))
            << alert()->message().toStdString();
        EXPECT_TRUE(fs::exists(docs / "Trip" / "day.mp4"));
        if (answer == QStringLiteral("Keep")) {
            ASSERT_TRUE(alert()->triggerAction(answer));
            settle();
            continue;
        }
        ASSERT_TRUE(alert()->triggerAction(QStringLiteral("Delete Permanently…")));
        settle();
        ASSERT_TRUE(alert());
        EXPECT_EQ(alert()->alertTitle(), QStringLiteral("Delete Permanently?"));
        EXPECT_EQ(alert()->message(), QStringLiteral("\"Trip\" will be deleted immediately. This cannot be undone."));
        EXPECT_TRUE(fs::exists(docs / "Trip" / "day.mp4")) << "nothing erased before the second answer";
        ASSERT_TRUE(alert()->triggerAction(answer));
        settle();
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !fs::exists(docs / "Trip"); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !rowOf(*root, "Trip"); }, 5000));
    EXPECT_FALSE(alert());
}

TEST_F(PhoneBrowserTest, ThumbnailFromThePicturePickerOrNothingWhenCancelled)
{
    platform::ScopedScriptedPickers pickers;
    fileRecords(docs, {record("clip")});
    writeFile(docs / "clip.mp4", "x");
    IPFMController* root = open();
    const std::string before = store(docs);

    pickers.answer(std::nullopt);
    root->contextMenuFor(entryNamed(*root, "clip.mp4")).trigger("Image rewriting");
    EXPECT_TRUE(root->isPicking());
    pickers.deliver();
    EXPECT_FALSE(root->isPicking());
    EXPECT_EQ(store(docs), before);

    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(Qt::red);
    picture.save(QString::fromStdString((scratch / "red.png").string()));
    pickers.answer(scratch / "red.png");
    root->contextMenuFor(entryNamed(*root, "clip.mp4")).trigger("Image rewriting");
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
    answer({}, "OK");
    ASSERT_TRUE(alert()) << "the dialog again, holding the name";
    EXPECT_EQ(alert()->textFieldText(0), "Trips");
    answer({"Trips 2"}, "Create");
    EXPECT_TRUE(fs::is_directory(docs / "Trips 2"));
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
    ASSERT_TRUE(root->contextMenuFor(entryNamed(*root, "copied in.mp4")).trigger("Rename"));
    settle();
    answer({"Renamed", "Me"}, "Rename");
    EXPECT_TRUE(QTest::qWaitFor([&] { return carBrowser->model().dirCon().size() == 1 && carBrowser->model().dirCon()[0].name == "Renamed.mp4"; }, 5000));
}

} // namespace
} // namespace kavio::phone::test
