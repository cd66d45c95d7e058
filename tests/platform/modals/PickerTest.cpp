// Pickers: the file dialog each kind opens and what it answers; the scripted stand-in.

#include "support/ScopedEnv.h"

#include "platform/modals/Pickers.h"
#include "platform/testing/ScriptedPicker.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QDir>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

namespace kavio::platform::test {
namespace {

using ::testing::HasSubstr;
using Answer = std::optional<std::optional<std::filesystem::path>>; // outer: answered at all
const Answer kCancelled{std::in_place};

// The XDG user folders in a scratch home of the test's own.
class FileDialogPickerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* dir : {"Pictures", "Videos"})
            ASSERT_TRUE(QDir(scratchPath(".")).mkpath(QLatin1String(dir)));
        QFile dirs(scratchPath("config/user-dirs.dirs"));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write(QStringLiteral("XDG_PICTURES_DIR=\"%1/Pictures\"\nXDG_VIDEOS_DIR=\"%1/Videos\"\n")
                       .arg(scratchPath("."))
                       .toUtf8());
        dirs.close();
        window.resize(400, 300);
        window.show();
    }
    void TearDown() override
    {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Opens the picker and returns the dialog it put up.
    QFileDialog* open(PickerKind kind)
    {
        FileDialogPicker().pick(kind, &window, [this](std::optional<std::filesystem::path> picked) {
            ++answers;
            answer = picked;
        });
        auto* dialog = window.findChild<QFileDialog*>();
        return dialog && dialog->isVisible() ? dialog : nullptr;
    }

    QString scratchPath(const char* relative) const
    {
        return QDir::cleanPath(QString::fromStdString((home.path() / relative).string()));
    }

    kavio::test::ScratchHome home;
    QWidget window;
    int answers = 0;
    Answer answer;
};

TEST_F(FileDialogPickerTest, EachKindStartsInItsFolderWithItsFilterAndDocumentsReopenWhereTheLastCameFrom)
{
    struct Case {
        PickerKind kind;
        const char* folder;
        std::vector<const char*> patterns;
    };
    const std::vector<Case> cases{
        {PickerKind::Image, "Pictures", {"*.png", "*.jpg", "*.JPEG", "*.heic", "*.HEIF", "*.webp", "*.BMP", "*.gif"}},
        {PickerKind::Movie, "Videos", {"*.mp4", "*.MOV", "*.m4v", "*.M4V"}},
        {PickerKind::Document, "home", {"*.mp4", "*.MP4", "*.mov"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        QFileDialog* dialog = open(c.kind);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->directory().absolutePath(), scratchPath(c.folder));
        ASSERT_EQ(dialog->nameFilters().size(), 1);
        for (const char* pattern : c.patterns)
            EXPECT_THAT(dialog->nameFilters().front().toStdString(), HasSubstr(pattern));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
        EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
        EXPECT_EQ(answers, 0) << "open() returns before anything is chosen";
        dialog->reject();
        EXPECT_EQ(answers, 1);
        EXPECT_EQ(answer, kCancelled) << "a cancel answers nullopt";
        answers = 0;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    ASSERT_TRUE(QDir(scratchPath("Videos")).removeRecursively());
    EXPECT_EQ(FileDialogPicker::startFolder(PickerKind::Movie), scratchPath("home")) << "a missing folder: home";

    ASSERT_TRUE(QDir(scratchPath(".")).mkpath(QStringLiteral("home/Clips")));
    const QString clip = scratchPath("home/Clips/drive.MOV");
    QFile file(clip);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    QFileDialog* dialog = open(PickerKind::Document);
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(clip);
    static_cast<QDialog*>(dialog)->accept(); // what the Open button does
    EXPECT_EQ(answers, 1);
    EXPECT_EQ(answer, Answer(std::filesystem::path(clip.toStdString())));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window.findChild<QFileDialog*>(), nullptr) << "the dialog goes once it answered";

    dialog = open(PickerKind::Document);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->directory().absolutePath(), scratchPath("home/Clips"));
}

// The stand-in answers as a dialog would: later, from the event loop, never inside pick().
TEST(ScriptedPickerTest, AnswersLaterInOrderAndAGoneParentGetsNothing)
{
    ScopedScriptedPickers pickers;
    pickers.answer(std::filesystem::path("/videos/a.mp4"));
    std::vector<Answer> answers;
    auto record = [&](std::optional<std::filesystem::path> p) { answers.emplace_back(p); };
    makePicker()->pick(PickerKind::Movie, nullptr, record); // the picker may go at once
    EXPECT_TRUE(answers.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(answers, std::vector<Answer>{Answer(std::filesystem::path("/videos/a.mp4"))});

    // No answer queued: the request waits; a completion that picks again is answered later.
    std::unique_ptr<Picker> picker = makePicker();
    picker->pick(PickerKind::Image, nullptr, [&](auto p) {
        record(p);
        picker->pick(PickerKind::Image, nullptr, record);
        EXPECT_EQ(answers.size(), 2u) << "not answered inside the completion";
    });
    QCoreApplication::processEvents();
    pickers.answer(std::nullopt);
    pickers.answer(std::filesystem::path("/b.png"));
    pickers.deliver();
    EXPECT_EQ(answers,
              (std::vector<Answer>{Answer(std::filesystem::path("/videos/a.mp4")), kCancelled,
                                   Answer(std::filesystem::path("/b.png"))}));
    // The requests' kinds are read back by the phone's import tests.

    auto screen = std::make_unique<QWidget>();
    picker->pick(PickerKind::Document, screen.get(), record);
    pickers.answer(std::nullopt);
    screen.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(answers.size(), 3u);
}

} // namespace
} // namespace kavio::platform::test
