// The phone browser on a real folder in an offscreen window: its rows, its navigation,
// its actions through menus, dialogs and pickers, following the folder on disk, bringing
// videos in through its menus and the metadata editor, and changing the folder beside
// another program.

#include "FolderTestSupport.h"
#include "support/HeldLock.h"
#include "support/PhoneTestSupport.h"
#include "support/VideoClips.h"

#include "carplay/CRFMController.h"
#include "phone/CopyJob.h"
#include "phone/KVCustmPreview.h"
#include "platform/lists/TableViewCellLabel.h"
#include "platform/modals/Notice.h"
#include "platform/modals/ProgressController.h"
#include "platform/testing/ScriptedPicker.h"

#include <QPushButton>
#include <QTest>

#include <array>
#include <cstdio>
#include <set>
#include <thread>

namespace kavio::phone::test {
namespace {

using platform::IndexPath;

class PhoneBrowserTest : public PhoneWindowTest {
protected:
    std::string store(const fs::path& folder) const { return readFile(folder / kStoreFileName); }
};

// How rows are labelled and a vanished entry's tap are the shared browser's (tried in the car
// BrowserTest); here, what a tap does on the phone.
TEST_F(PhoneBrowserTest, AFolderNamedLikeAVideoOpensAndAVideoOnlyDeselects)
{
    writeFile(docs / "clip.mp4", "x");
    fs::create_directory(docs / "folder.mp4");
    IPFMController* root = open();
    tap(*root, "clip.mp4");
    EXPECT_EQ(navigation->viewControllers().size(), 1u);
    EXPECT_FALSE(alert());
    EXPECT_FALSE(root->tableView()->indexPathForSelectedRow());

    tap(*root, "folder.mp4");
    ASSERT_EQ(navigation->viewControllers().size(), 2u);
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
    fileRecords(docs, {record("clip", "mov")});
    writeFile(docs / "clip.mov", "x");
    IPFMController* root = open();
    // What the menu and the dialog hold is BrowserContent's (BrowserContentTest); the offered
    // title starts selected by the alert's own rule (AlertControllerTest).
    const platform::Menu menu = root->contextMenuFor(entryNamed(*root, "clip.mov"));
    EXPECT_EQ(menu.title, "clip");
    ASSERT_TRUE(menu.trigger("Rename"));
    settle();
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->textFieldText(0), "clip");
    // The title is checked by the rename, the artist before it; either way the dialog comes
    // back holding both fields, to correct what was typed.
    const std::pair<QStringList, QString> refusals[] = {
        {{"../outside", "x"}, "A name cannot contain \"/\"."},
        {{"clip", "esc\x1b[31m"}, "An artist name cannot contain control characters such as a line break, a tab or an escape."}};
    for (const auto& [typed, message] : refusals) {
        if (!alert())
            root->renameRequested(*root->tableView(), IndexPath::forRow(rowOf(*root, "clip.mov").value())); // F2
        answer(typed, "Rename");
        ASSERT_TRUE(alert()) << message.toStdString();
        EXPECT_EQ(alert()->alertTitle(), "Err");
        EXPECT_EQ(alert()->message(), message);
        answer({}, "OK");
        ASSERT_TRUE(alert());
        EXPECT_EQ(alert()->alertTitle(), "Kavio");
        EXPECT_EQ(QStringList({alert()->textFieldText(0), alert()->textFieldText(1)}), typed);
        answer({}, "Cancel");
    }
    EXPECT_EQ(recordsAtNextLoad(docs).at("clip.mov").ARTIST, "by clip");

    root->renameRequested(*root->tableView(), IndexPath::forRow(rowOf(*root, "clip.mov").value())); // F2
    answer({"holiday", ""}, "Rename");
    EXPECT_FALSE(alert());
    EXPECT_EQ(recordsAtNextLoad(docs).at("holiday.mov").ARTIST, "by clip") << "an empty artist keeps it";
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
    EXPECT_EQ(recordsAtNextLoad(docs).at("b2.mp4").KEY, "kKVb");

    const platform::Menu stale = root->contextMenuFor(entryNamed(*root, "a.mp4"));
    fs::rename(docs / "a.mp4", docs / "z.mp4"); // renamed elsewhere before the action
    const std::string before = store(docs);
    ASSERT_TRUE(stale.trigger("Remove"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return alert() != nullptr; }, 5000));
    EXPECT_EQ(alert()->message(), "\"a.mp4\" changed before the action ran, so nothing was done.");
    EXPECT_TRUE(fs::exists(docs / "z.mp4"));
    EXPECT_EQ(store(docs), before);
}

// Removed from the menu or by a swipe alike; every removal ends in a notice with Undo, and
// Ctrl+Z takes back the newest one left, with its records. What putting back does when the
// trash no longer holds what went is FileOperationsTest's.
TEST_F(PhoneBrowserTest, RemovalsFromTheMenuOrASwipeAreUndoneWithTheirRecords)
{
    const kavio::test::ScopedEnv state{{"XDG_STATE_HOME", (scratch / "state").string()}};
    fileRecords(docs, {record("a"), record("b")});
    for (const char* name : {"a.mp4", "b.mp4"})
        writeFile(docs / name, name);
    fileRecords(docs / "Trip", {record("day")});
    writeFile(docs / "Trip" / "day.mp4", "day");
    const std::string before = store(docs);
    IPFMController* root = open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const platform::Menu folderMenu = root->contextMenuFor(entryNamed(*root, "Trip"));
    EXPECT_EQ(folderMenu.children.back().attributes, platform::MenuElementAttributes::Destructive);
    EXPECT_EQ(root->editingStyleForRow(*root->tableView(), IndexPath::forRow(0)), platform::TableViewEditingStyle::Delete);
    auto removeAndWait = [&](const std::string& name, const std::function<void()>& remove) {
        remove();
        return QTest::qWaitFor([&] { return !rowOf(*root, name); }, 5000);
    };
    ASSERT_TRUE(removeAndWait("a.mp4", [&] { root->commitDelete(*root->tableView(), IndexPath::forRow(rowOf(*root, "a.mp4").value())); }));
    ASSERT_TRUE(removeAndWait("b.mp4", [&] { root->contextMenuFor(entryNamed(*root, "b.mp4")).trigger("Remove"); }));
    ASSERT_TRUE(removeAndWait("Trip", [&] { folderMenu.trigger("Remove"); }));
    EXPECT_FALSE(alert());
    platform::NoticeBar* notice = platform::noticeBarFor(*root);
    ASSERT_TRUE(notice);
    EXPECT_TRUE(notice->isShowing());
    EXPECT_EQ(notice->text(), QStringLiteral("\"Trip\" moved to the trash"));
    EXPECT_EQ(notice->actionTitle(), QStringLiteral("Undo"));
    EXPECT_GT(notice->remaining(), std::chrono::milliseconds(5000));

    notice->actionButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowOf(*root, "Trip").has_value(); }, 5000));
    EXPECT_EQ(readFile(docs / "Trip" / "day.mp4"), "day");
    for (int i = 0; i < 2; ++i) {
        const std::size_t rows = root->model().dirCon().size();
        QTest::keyClick(root->tableView(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return root->model().dirCon().size() == rows + 1; }, 5000)) << i;
    }
    EXPECT_FALSE(alert());
    EXPECT_EQ(store(docs), before) << "every record back with its key, artist and thumbnail";
    for (const char* name : {"a.mp4", "b.mp4"})
        EXPECT_EQ(readFile(docs / name), name);
}

// What no trash takes stays and is named (FileOperationsTest); erasing it is a separate
// choice, asked twice.
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
        EXPECT_TRUE(fs::exists(docs / "Trip" / "day.mp4"));
        if (answer == QStringLiteral("Keep")) {
            ASSERT_TRUE(alert()->triggerAction(answer));
            settle();
            continue;
        }
        ASSERT_TRUE(alert()->triggerAction(QStringLiteral("Delete Permanently…")));
        settle();
        ASSERT_TRUE(alert());
        EXPECT_EQ(alert()->message(), QStringLiteral("\"Trip\" will be deleted immediately. This cannot be undone."));
        EXPECT_TRUE(fs::exists(docs / "Trip" / "day.mp4")) << "nothing erased before the second answer";
        ASSERT_TRUE(alert()->triggerAction(answer));
        settle();
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !fs::exists(docs / "Trip") && !rowOf(*root, "Trip"); }, 5000));
    EXPECT_FALSE(alert());
}

TEST_F(PhoneBrowserTest, CreateFolderFromTheAddMenu)
{
    IPFMController* root = open();
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(root->addMenu().trigger("Create Folder"));
        settle();
        answer({"Trips"}, "Create");
    }
    EXPECT_TRUE(rowOf(*root, "Trips"));
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
    writeFile(docs / "copied in.mp4", "x");
    ASSERT_TRUE(QTest::qWaitFor([&] { return root->tableView()->numberOfRowsInSection(0) == 1; }, 5000));

    // A rename on the phone shows on the car.
    ASSERT_TRUE(root->contextMenuFor(entryNamed(*root, "copied in.mp4")).trigger("Rename"));
    settle();
    answer({"Renamed", "Me"}, "Rename");
    EXPECT_TRUE(QTest::qWaitFor([&] { return carBrowser->model().dirCon().size() == 1 && carBrowser->model().dirCon()[0].name == "Renamed.mp4"; }, 5000));
}

// Bringing videos in through the menus and the metadata editor, with scripted pickers.
class ImportTest : public PhoneWindowTest {
protected:
    void SetUp() override
    {
        PhoneWindowTest::SetUp();
        fs::create_directories(videos);
        open(800);
    }

    KVCustmPreview* editor() const
    {
        auto* nav = dynamic_cast<platform::NavigationController*>(window->rootViewController()->presentedViewController());
        return nav ? dynamic_cast<KVCustmPreview*>(nav->topViewController()) : nullptr;
    }
    void choose(const platform::Menu& menu, const QString& action)
    {
        ASSERT_TRUE(menu.trigger(action)) << action.toStdString();
        settle();
    }
    void saveAs(const QString& title, const QString& artist = {})
    {
        ASSERT_TRUE(editor());
        editor()->titleField()->setText(title);
        editor()->artistField()->setText(artist);
        editor()->saveButton()->click();
        settle();
    }
    // "Url Link", the address typed, Done.
    void enterLink(const QString& url)
    {
        choose(browser->addMenu(), "Url Link");
        ASSERT_TRUE(alert());
        alert()->textFields().at(0)->setText(url);
        alert()->triggerAction("Done");
        settle();
    }
    bool rowNamed(const std::string& name) const { return rowOf(*browser, name).has_value(); }

    const fs::path videos = scratch / "Videos";
    platform::ScopedScriptedPickers pickers;
};

TEST_F(ImportTest, ALinkNeedsAPlayableAddressThenOpensAnEmptyEditorAndShowsWithoutAPull)
{
    enterLink({});
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->message(), "Url link not entered.");
    answer({}, "OK");
    EXPECT_FALSE(editor());

    // Refused with a word on why (which words: NamesTest); the dialog comes back holding the
    // text to correct.
    enterLink("http://");
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->alertTitle(), "Err");
    answer({}, "OK");
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->textFieldText(0), "http://");
    answer({}, "Cancel");
    EXPECT_FALSE(editor());

    enterLink(" rtsp://192.168.1.20/stream\n");
    ASSERT_TRUE(editor());
    EXPECT_EQ(editor()->titleField()->text(), "");
    saveAs("Live", "Radio");
    EXPECT_FALSE(editor());
    EXPECT_TRUE(rowNamed("Live.mp4")) << "the browser reloaded when the editor closed";
    EXPECT_EQ(browser->model().save_items()->front()->urlLink, "rtsp://192.168.1.20/stream");
}

// The keyboard's way to save: Return on the focused button, or anywhere in the form.
TEST_F(ImportTest, ReturnOnTheFocusedSaveButtonOrTheFormSaves)
{
    for (const char* title : {"By Button", "By Form"}) {
        enterLink("https://example.com/live.m3u8");
        ASSERT_TRUE(editor());
        editor()->titleField()->setText(title);
        QWidget* focus = std::string(title) == "By Button" ? static_cast<QWidget*>(editor()->saveButton())
                                                            : editor()->view();
        focus->setFocus(Qt::TabFocusReason);
        QTest::keyClick(focus, Qt::Key_Return);
        settle();
        EXPECT_FALSE(editor()) << title;
        EXPECT_TRUE(rowNamed(std::string(title) + ".mp4")) << title;
    }
}

// A document is copied off the main thread (its picked file stays); a picked video is
// exported, then moved, and nothing of the export is left. The editor closes when it is in.
TEST_F(ImportTest, APickedDocumentIsCopiedAndAPickedVideoExportedThenMoved)
{
    const struct {
        const char *action, *picked, *title, *file;
        platform::PickerKind kind;
        std::uintmax_t size;
    } rows[] = {{"Upload from File", "clip.MOV", "Trip", "Trip.MOV", platform::PickerKind::Document, 5 << 20},
                {"Upload from photo", "beach.mp4", "beach", "beach.mp4", platform::PickerKind::Movie, 0}}; // its own name
    std::vector<std::string> names = {kStoreFileName};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.action);
        if (!kavio::test::makeVideoClip(videos / row.picked, row.size))
            GTEST_SKIP() << "ffmpeg could not make a clip";
        pickers.answer(videos / row.picked);
        choose(browser->addMenu(), row.action);
        pickers.deliver();
        EXPECT_EQ(pickers.requests().back().kind, row.kind);
        ASSERT_TRUE(QTest::qWaitFor([&] { settle(); return editor() != nullptr; }, 5000)) << "once the file is probed";
        EXPECT_EQ(editor()->titleField()->text().toStdString(), fs::path(row.picked).stem().string());
        saveAs(row.title);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !editor(); }, 10000));
        EXPECT_EQ(readFile(docs / row.file), readFile(videos / row.picked)) << "the picked file stays";
        EXPECT_TRUE(rowNamed(row.file));
        names.push_back(row.file);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(namesIn(docs), names) << "no hidden export folder";
    }
}

// A file named like a video that holds none is refused from either picker, with a word,
// before anything is copied; the window goes on answering meanwhile.
TEST_F(ImportTest, AFileWithoutAPlayableVideoIsRefusedFromEitherPicker)
{
    writeFile(videos / "notes.mp4", "8 bytes.");
    writeFile(videos / "zeros.mov", "");
    fs::resize_file(videos / "zeros.mov", std::uintmax_t(2) << 30); // sparse: 2 GB of zeros
    const std::pair<const char*, const char*> picks[] = {
        {"notes.mp4", "Upload from File"}, {"zeros.mov", "Upload from File"}, {"notes.mp4", "Upload from photo"}};
    for (const auto& [name, action] : picks) {
        pickers.answer(videos / name);
        choose(browser->addMenu(), action);
        pickers.deliver();
        ASSERT_TRUE(QTest::qWaitFor([&] { settle(); return alert() != nullptr; }, 10000)) << name << " " << action;
        EXPECT_EQ(alert()->message(), QStringLiteral("\"%1\" holds no video Kavio can play.").arg(QString::fromLatin1(name)));
        alert()->triggerAction("OK");
        settle();
        EXPECT_FALSE(editor());
    }
    EXPECT_TRUE(browser->model().dirCon().empty()) << "nothing was copied in";
}

TEST_F(ImportTest, TheEditorsKeysTitleChecksAndThumbnail)
{
    enterLink("https://a/b");
    ASSERT_TRUE(editor());
    EXPECT_EQ(editor()->thumbnail(), defaultThumbnailPng());

    QImage camera(3000, 2000, QImage::Format_RGB32);
    camera.fill(Qt::darkGreen);
    camera.save(QString::fromStdString((scratch / "camera.png").string()));
    pickers.answer(scratch / "camera.png");
    editor()->thumbnailView()->setFocus();
    QTest::keyClick(editor()->thumbnailView(), Qt::Key_Return); // Enter picks too
    pickers.deliver();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !editor()->isPreparingThumbnail(); }, 5000));
    const QImage stored = QImage::fromData(QByteArray::fromStdString(*editor()->thumbnail()), "PNG");
    EXPECT_EQ(stored.size(), QSize(1024, 682));

    // Return moves on and saves on the last field; a refused title or artist keeps the editor.
    const std::array<std::tuple<QString, QString, QString>, 2> refusals = {{
        {"../outside", "", "A name cannot contain \"/\"."},
        {"Holiday", "Me\tand you", "An artist name cannot contain control characters such as a line break, a tab or an escape."}}};
    for (const auto& [title, artist, message] : refusals) {
        editor()->titleField()->setText(title);
        editor()->artistField()->setText(artist);
        QTest::keyClick(editor()->titleField(), Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), editor()->artistField());
        QTest::keyClick(editor()->artistField(), Qt::Key_Return);
        settle();
        ASSERT_TRUE(alert()) << title.toStdString();
        EXPECT_EQ(alert()->message(), message);
        alert()->triggerAction("OK");
        settle();
        ASSERT_TRUE(editor()) << "the editor stays for another try";
        EXPECT_TRUE(fs::is_empty(docs));
    }
}

// A cancelled pick changes nothing and leaves the next photo upload an import.
TEST_F(ImportTest, ThumbnailFromThePicturePickerOrNothingWhenCancelled)
{
    fileRecords(docs, {record("a"), record("b")});
    writeFile(docs / "a.mp4", "x");
    writeFile(docs / "b.mp4", "x");
    browser->reloadContent();
    const std::string before = readFile(docs / kStoreFileName);
    pickers.answer(std::nullopt);
    ASSERT_TRUE(browser->contextMenuFor(entry("a.mp4")).trigger("Image rewriting"));
    EXPECT_TRUE(browser->isPicking());
    pickers.deliver();
    EXPECT_FALSE(browser->isPicking());
    EXPECT_EQ(readFile(docs / kStoreFileName), before);
    pickers.answer(std::nullopt);
    choose(browser->addMenu(), "Upload from photo");
    pickers.deliver();
    EXPECT_EQ(pickers.requests().back().kind, platform::PickerKind::Movie);

    writeFile(scratch / "blue.png", picture(Qt::blue));
    pickers.answer(scratch / "blue.png");
    ASSERT_TRUE(browser->contextMenuFor(entry("a.mp4")).trigger("Image rewriting"));
    pickers.deliver();
    EXPECT_EQ(pickers.requests().back().kind, platform::PickerKind::Image);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !browser->isPicking(); }, 5000));
    EXPECT_EQ(recordsAtNextLoad(docs).at("a.mp4").imgData->view(), readFile(scratch / "blue.png"));
}

TEST_F(ImportTest, DeletingVideosEmptiesTheFolderFromTheMenu)
{
    fileRecords(docs, {record("a")});
    writeFile(docs / "a.mp4", "x");
    fs::create_directories(docs / "Sub" / "Deeper");
    browser->reloadContent();
    choose(browser->optionMenu(), "Deleting Videos");
    EXPECT_TRUE(QTest::qWaitFor([&] { return browser->tableView()->numberOfRowsInSection(0) == 0; }, 5000));
    EXPECT_FALSE(alert());
    EXPECT_TRUE(fs::is_empty(docs));
}

TEST_F(ImportTest, LongWorkShowsItsProgressAndCancelStopsIt)
{
    std::optional<Status> result;
    runCopyJob(*browser, QStringLiteral("Copying the video"),
               [](CopyControl& control) {
                   control.setTotal(100);
                   for (int i = 0; !control.isCancelled(); ++i) { // as a copy checks between chunks
                       control.setDone(static_cast<std::uint64_t>(std::min(i, 99)));
                       std::this_thread::sleep_for(std::chrono::milliseconds(5));
                   }
                   return Status::cancelled("the copy was cancelled");
               },
               [&](const Status& s) { result = s; });
    platform::ProgressController* sheet = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (sheet = dynamic_cast<platform::ProgressController*>(window->topViewController())); }, 3000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet->percent() > 0; }, 3000));
    EXPECT_TRUE(sheet->detailText().contains(" of ")) << sheet->detailText().toStdString();
    QTest::keyClick(sheet->view(), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 3000));
    EXPECT_EQ(result->code(), Status::Code::Cancelled);
    settle();
    EXPECT_FALSE(dynamic_cast<platform::ProgressController*>(window->topViewController())) << "gone before done runs";
}

TEST(CopyProgressText, SaysWhatIsDoneAndAboutHowLongIsLeft)
{
    EXPECT_EQ(progressText(0, 2'000'000'000, 0), "Zero KB of 2 GB");
    EXPECT_EQ(progressText(500'000'000, 2'000'000'000, 10), "500 MB of 2 GB, about 30 seconds left");
    EXPECT_EQ(progressText(100'000'000, 2'000'000'000, 10), "100 MB of 2 GB, about 4 minutes left");
    EXPECT_EQ(progressText(1'999'000'000, 2'000'000'000, 10), "2 GB of 2 GB, about 1 second left");
}

// The window changing a folder that another program changes at the same time: its
// changes wait for the folder from the event loop (the window never blocks), go through
// once it is free, undo nothing the other program did, and give a clear alert when the
// folder stays held.
class WindowBesideTool : public ImportTest {
protected:
    // Videos with records, listed.
    void filedVideos(const std::string& prefix, int count)
    {
        std::vector<RecordPtr> records;
        for (int i = 0; i < count; ++i) {
            records.push_back(record(prefix + std::to_string(i)));
            writeFile(docs / (prefix + std::to_string(i) + ".mp4"), "video");
        }
        fileRecords(docs, records);
        browser->reloadContent();
    }
    static bool eventually(const std::function<bool()>& done) { return QTest::qWaitFor(done, 5000); }
};

// Held for good, a change gives the busy alert and changes nothing; held for a while, the
// changes wait and go through once the folder is free.
TEST_F(WindowBesideTool, ChangesWaitForTheFolderThenGoThroughOrGiveTheBusyAlertChangingNothing)
{
    filedVideos("a", 2);
    const std::string store = readFile(docs / kStoreFileName);
    auto hung = std::make_unique<kavio::test::HeldLock>(docs);
    ASSERT_TRUE(hung->held());
    browser->removeEntry(entry("a0.mp4"));
    EXPECT_FALSE(alert()) << "the window went on at once, without waiting for the folder";
    ASSERT_TRUE(QTest::qWaitFor([&] { return alert() != nullptr; }, 4000));
    EXPECT_EQ(alert()->alertTitle(), kFolderBusyTitle);
    EXPECT_EQ(alert()->message(), kFolderBusy);
    EXPECT_TRUE(fs::exists(docs / "a0.mp4"));
    EXPECT_EQ(readFile(docs / kStoreFileName), store);
    answer({}, "OK");
    hung.reset();

    kavio::test::HeldLock other(docs);
    browser->removeEntry(entry("a0.mp4"));
    browser->presentEditor({ImportKind::Link, {}, "https://example.com/live.m3u8"});
    settle();
    ASSERT_TRUE(editor());
    editor()->titleField()->setText("Live");
    editor()->saveButton()->click();
    QTest::qWait(300);
    EXPECT_TRUE(fs::exists(docs / "a0.mp4"));
    EXPECT_FALSE(fs::exists(docs / "Live.mp4"));
    other.release();
    EXPECT_TRUE(eventually([&] { return !fs::exists(docs / "a0.mp4") && fs::exists(docs / "Live.mp4"); }));
    EXPECT_EQ(recordsAtNextLoad(docs).at("Live.mp4").urlLink, "https://example.com/live.m3u8");
    EXPECT_FALSE(alert());
}

// The window removes and renames rows while a script adds links and renames other videos
// through kavio-store: every change of both is there afterwards.
TEST_F(WindowBesideTool, TheWindowsChangesBesideARunningToolUndoNothing)
{
    constexpr int kScript = 25, kWindow = 8;
    filedVideos("s", kScript);
    filedVideos("w", kWindow);
    const fs::path script = scratch / "script.sh";
    std::string lines;
    for (int i = 0; i < kScript; ++i) {
        const std::string tool = std::string(KAVIO_STORE_TOOL) + " ";
        lines += tool + "link '" + docs.string() + "' https://example.com/" + std::to_string(i) + " --title l" +
                 std::to_string(i) + " >/dev/null || echo failed\n";
        lines += tool + "rename '" + docs.string() + "' s" + std::to_string(i) + ".mp4 t" + std::to_string(i) +
                 " >/dev/null || echo failed\n";
    }
    writeFile(script, lines);
    FILE* running = ::popen(("sh '" + script.string() + "' 2>&1").c_str(), "r");
    ASSERT_TRUE(running);

    for (int i = 0; i < kWindow; ++i) {
        const std::string name = "w" + std::to_string(i) + ".mp4";
        browser->reloadContent();
        if (i % 2 == 0) {
            browser->removeEntry(entry(name)); // right click, Remove
            EXPECT_TRUE(eventually([&] { return !fs::exists(docs / name); })) << name;
        } else {
            browser->RenamecunstomText(entry(name));
            settle();
            answer({QStringLiteral("x%1").arg(i)}, "Rename");
            EXPECT_TRUE(eventually([&] { return fs::exists(docs / ("x" + std::to_string(i) + ".mp4")); })) << name;
        }
        settle();
    }
    char line[256];
    while (std::fgets(line, sizeof line, running))
        ADD_FAILURE() << "the script: " << line;
    EXPECT_EQ(::pclose(running), 0);

    // The script's links and renames and the window's renames, and nothing removed or renamed
    // left under its old name.
    std::set<std::string> expected, found;
    for (int i = 0; i < kScript; ++i)
        expected.insert({"l" + std::to_string(i) + ".mp4", "t" + std::to_string(i) + ".mp4"});
    for (int i = 1; i < kWindow; i += 2)
        expected.insert("x" + std::to_string(i) + ".mp4");
    for (const auto& [file, r] : recordsAtNextLoad(docs))
        found.insert(file);
    EXPECT_EQ(found, expected);
    EXPECT_FALSE(alert()) << "the folder was never held for two seconds";
}

} // namespace
} // namespace kavio::phone::test
