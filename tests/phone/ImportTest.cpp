// Bringing videos in through the phone browser's menus and the metadata editor, offscreen,
// with scripted pickers: links, documents, picked videos, thumbnails, emptying a folder.

#include "support/PhoneTestSupport.h"
#include "support/VideoClips.h"

#include "library/FolderModel.h"
#include "phone/CopyJob.h"
#include "phone/KVCustmPreview.h"
#include "platform/modals/ProgressController.h"
#include "platform/testing/ScriptedPicker.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QTest>

#include <thread>

namespace kavio::phone::test {
namespace {

namespace fs = std::filesystem;

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
    bool rowNamed(const std::string& name) const { return rowOf(*browser, name).has_value(); }

    const fs::path videos = scratch / "Videos";
    platform::ScopedScriptedPickers pickers;
};

TEST_F(ImportTest, TheBarsTwoMenus)
{
    const platform::Menu add = browser->addMenu();
    EXPECT_EQ(add.title, "Kavio");
    ASSERT_EQ(add.children.size(), 4u);
    const std::vector<std::pair<QString, QString>> entries = {{"Create Folder", "folder"},
                                                              {"Upload from photo", "square.and.arrow.up"},
                                                              {"Upload from File", "doc.badge.plus"},
                                                              {"Url Link", "link"}};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(add.children[i].title, entries[i].first);
        EXPECT_EQ(add.children[i].symbolName, entries[i].second);
    }
    const platform::Menu option = browser->optionMenu();
    EXPECT_EQ(option.title, "Kavio\nChoose your option");
    ASSERT_EQ(option.children.size(), 1u);
    EXPECT_EQ(option.children[0].title, "Deleting Videos");
    EXPECT_EQ(option.children[0].symbolName, "xmark.bin");
    EXPECT_EQ(option.children[0].attributes, platform::MenuElementAttributes::Destructive);
}

TEST_F(ImportTest, ALinkNeedsAPlayableAddressThenOpensAnEmptyEditorAndShowsWithoutAPull)
{
    choose(browser->addMenu(), "Url Link");
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->alertTitle(), "Info");
    EXPECT_EQ(alert()->message(), "It supports m3u8,m3u,mp4,mp3 and other extensions.\nNote that playlist URLs are not supported.");
    ASSERT_TRUE(alert()->triggerAction("Done"));
    settle();
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->message(), "Url link not entered.");
    alert()->triggerAction("OK");
    settle();
    EXPECT_FALSE(editor());

    // Refused with a word on why; the dialog comes back holding the text to correct.
    for (const QString& typed : {QStringLiteral("not even a url"), QStringLiteral("javascript:alert(1)"),
                                 QStringLiteral("http://"), QStringLiteral("file:///etc/passwd")}) {
        choose(browser->addMenu(), "Url Link");
        alert()->textFields().at(0)->setText(typed);
        alert()->triggerAction("Done");
        settle();
        ASSERT_TRUE(alert()) << typed.toStdString();
        EXPECT_EQ(alert()->alertTitle(), "Err");
        EXPECT_TRUE(alert()->message().contains(QStringLiteral("link"))) << alert()->message().toStdString();
        alert()->triggerAction("OK");
        settle();
        ASSERT_TRUE(alert());
        EXPECT_EQ(alert()->textFieldText(0), typed);
        alert()->triggerAction("Cancel");
        settle();
        EXPECT_FALSE(editor());
    }

    choose(browser->addMenu(), "Url Link");
    alert()->textFields().at(0)->setText(" rtsp://192.168.1.20/stream\n");
    alert()->triggerAction("Done");
    settle();
    ASSERT_TRUE(editor());
    EXPECT_EQ(editor()->titleField()->text(), "");
    saveAs("Live", "Radio");
    EXPECT_FALSE(editor());
    EXPECT_TRUE(rowNamed("Live.mp4")) << "the browser reloaded when the editor closed";
    EXPECT_EQ(browser->model().save_items()->front()->urlLink, "rtsp://192.168.1.20/stream");
    EXPECT_EQ(browser->model().dirCon().size(), 1u) << "nothing else was saved";
}

// The keyboard's way to save: Return on the focused button, or anywhere in the form.
TEST_F(ImportTest, ReturnOnTheFocusedSaveButtonOrTheFormSaves)
{
    for (const char* title : {"By Button", "By Form"}) {
        choose(browser->addMenu(), "Url Link");
        alert()->textFields().at(0)->setText("https://example.com/live.m3u8");
        alert()->triggerAction("Done");
        settle();
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

TEST_F(ImportTest, ADocumentIsCopiedOffTheMainThreadAndTheEditorClosesWhenItIsIn)
{
    if (!kavio::test::makeVideoClip(videos / "clip.MOV", 5 << 20))
        GTEST_SKIP() << "ffmpeg could not make a clip";
    pickers.answer(videos / "clip.MOV");
    choose(browser->addMenu(), "Upload from File");
    pickers.deliver();
    EXPECT_EQ(pickers.requests().back().kind, platform::PickerKind::Document);
    ASSERT_TRUE(QTest::qWaitFor([&] { settle(); return editor() != nullptr; }, 5000)) << "once the file is probed";
    EXPECT_EQ(editor()->titleField()->text(), "clip");
    saveAs("Trip");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !editor(); }, 10000));
    EXPECT_EQ(fs::file_size(docs / "Trip.MOV"), 5u << 20);
    EXPECT_TRUE(fs::exists(videos / "clip.MOV"));
    EXPECT_TRUE(rowNamed("Trip.MOV"));
    EXPECT_EQ(browser->model().save_items()->front()->EXTENSION, "MOV");
}

TEST_F(ImportTest, APickedVideoIsExportedThenMovedAndNothingOfTheExportIsLeft)
{
    if (!kavio::test::makeVideoClip(videos / "beach.mp4"))
        GTEST_SKIP() << "ffmpeg could not make a clip";
    const std::string beach = readFile(videos / "beach.mp4");
    pickers.answer(videos / "beach.mp4");
    choose(browser->addMenu(), "Upload from photo");
    pickers.deliver();
    EXPECT_EQ(pickers.requests().back().kind, platform::PickerKind::Movie);
    ASSERT_TRUE(QTest::qWaitFor([&] { settle(); return editor() != nullptr; }, 5000)) << "0.2 s after the export";
    EXPECT_EQ(editor()->titleField()->text(), "beach");
    saveAs("beach"); // its own name: a success
    EXPECT_TRUE(QTest::qWaitFor([&] { return !editor(); }, 5000));
    EXPECT_EQ(readFile(docs / "beach.mp4"), beach);
    EXPECT_TRUE(fs::exists(videos / "beach.mp4")) << "the picked file stays in Videos";
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(docs))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{kStoreFileName, "beach.mp4"})) << "no hidden export folder";
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
        EXPECT_EQ(alert()->alertTitle(), "Err");
        EXPECT_EQ(alert()->message(), QStringLiteral("\"%1\" holds no video Kavio can play.").arg(QString::fromLatin1(name)));
        alert()->triggerAction("OK");
        settle();
        EXPECT_FALSE(editor());
    }
    EXPECT_TRUE(browser->model().dirCon().empty()) << "nothing was copied in";
}

TEST_F(ImportTest, TheEditorsKeysTitleChecksAndThumbnail)
{
    choose(browser->addMenu(), "Url Link");
    alert()->textFields().at(0)->setText("https://a/b");
    alert()->triggerAction("Done");
    settle();
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

    editor()->titleField()->setText("../outside");
    QTest::keyClick(editor()->titleField(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), editor()->artistField()) << "Return moves on";
    QTest::keyClick(editor()->artistField(), Qt::Key_Return); // and saves on the last field
    settle();
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->message(), "A name cannot contain \"/\".");
    alert()->triggerAction("OK");
    settle();
    ASSERT_TRUE(editor()) << "the editor stays for another try";
    EXPECT_TRUE(fs::is_empty(docs));

    editor()->titleField()->setText("Holiday");
    editor()->artistField()->setText("Me\tand you");
    QTest::keyClick(editor()->artistField(), Qt::Key_Return);
    settle();
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->message(), "An artist name cannot contain control characters such as a line break, a tab or an escape.");
    alert()->triggerAction("OK");
    settle();
    ASSERT_TRUE(editor());
    EXPECT_TRUE(fs::is_empty(docs));
}

TEST_F(ImportTest, ACancelledThumbnailChangeLeavesTheNextPhotoUploadAnImport)
{
    fileRecords(docs, {record("a"), record("b")});
    writeFile(docs / "a.mp4", "x");
    writeFile(docs / "b.mp4", "x");
    browser->reloadContent();
    pickers.answer(std::nullopt);
    browser->imageRewriting(browser->model().dirCon().front());
    pickers.deliver();
    EXPECT_FALSE(browser->isPicking());
    pickers.answer(std::nullopt);
    choose(browser->addMenu(), "Upload from photo");
    pickers.deliver();
    EXPECT_EQ(pickers.requests().back().kind, platform::PickerKind::Movie);

    QImage picture(32, 32, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    picture.save(QString::fromStdString((scratch / "blue.png").string()));
    pickers.answer(scratch / "blue.png");
    const FolderEntry a = *std::find_if(browser->model().dirCon().begin(), browser->model().dirCon().end(),
                                        [](const FolderEntry& e) { return e.name == "a.mp4"; });
    browser->imageRewriting(a);
    pickers.deliver();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !browser->isPicking(); }, 2000));
    FolderModel now(docs);
    now.loadMp4Files();
    EXPECT_EQ(now.prefsDict()->size(), 2u);
    EXPECT_EQ((*now.save_items())[*now.recordIndexForKey("kKVa")]->imgData->view(), readFile(scratch / "blue.png"));
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

} // namespace
} // namespace kavio::phone::test
