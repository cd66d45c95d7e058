// Alerts: keyboard answers, when the handler runs, the buttons' order and looks.

#include "screens/ScreensTestSupport.h"

#include "platform/modals/AlertController.h"
#include "platform/views/Colors.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QShortcut>

namespace kavio::platform::test {
namespace {

using ::testing::ElementsAre;

class AlertTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        root = showRoot();
        QApplication::setActiveWindow(window.get());
    }

    // The rename alert every folder screen shows, presented on the root.
    AlertController* presentRename(AlertController::Handler onRename = {}, AlertController::Handler onCancel = {})
    {
        auto alert = std::make_unique<AlertController>(QStringLiteral("Kavio"),
                                                       QStringLiteral("Please enter a file name."));
        alert->addTextField({QStringLiteral("Title name"), QStringLiteral("holiday")});
        alert->addTextField({QStringLiteral("Artist name"), {}});
        alert->addAction(QStringLiteral("Rename"), AlertActionStyle::Default, std::move(onRename));
        alert->addAction(QStringLiteral("Cancel"), AlertActionStyle::Destructive, std::move(onCancel));
        return presentAlert(*root, std::move(alert));
    }

    static QPushButton* button(AlertController& alert, const char* title)
    {
        for (QPushButton* b : alert.view()->findChildren<QPushButton*>()) {
            if (b->text() == QLatin1String(title))
                return b;
        }
        return nullptr;
    }

    // Lets every cross dissolve run to its end.
    void settle()
    {
        EXPECT_TRUE(QTest::qWaitFor([this] {
            const ViewController* top = window->topViewController();
            return !top->isBeingPresented() && !top->isBeingDismissed();
        }));
        flushDeferredDeletes();
    }

    RecordingController* root = nullptr;
};

TEST_F(AlertTest, EnterInATextFieldRunsTheDefaultActionWithTheTypedText)
{
    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Enter, Qt::KeypadModifier}}) {
        QStringList seen;
        AlertController* alert = presentRename([&](AlertController& a) {
            seen << a.textFieldText(0) << a.textFieldText(1) << a.textFieldText(2);
        });
        ASSERT_NE(alert, nullptr);
        QLineEdit* title = alert->textFields().at(0);
        QLineEdit* artist = alert->textFields().at(1);
        EXPECT_EQ(title->selectedText(), "holiday") << "offered text starts selected";
        QTest::keyClick(title, Qt::Key_End);
        QTest::keyClicks(title, QStringLiteral(" trip"));
        QTest::keyClicks(artist, QStringLiteral("me"));
        QTest::keyClick(artist, key, modifiers);
        EXPECT_THAT(seen, ElementsAre("holiday trip", "me", "")) << "key " << key;
        flushDeferredDeletes();
    }
}

TEST_F(AlertTest, EscapeClosesWithoutActingEvenWithAWindowShortcutOnIt)
{
    int shortcutFired = 0;
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Escape), window.get());
    QObject::connect(shortcut, &QShortcut::activated, [&] { ++shortcutFired; });
    root->closeButton()->setFocus();
    int handled = 0;
    auto count = [&](AlertController&) { ++handled; };
    QTest::keyClick(presentRename(count, count)->textFields().front(), Qt::Key_Escape);
    EXPECT_EQ(handled, 0);
    EXPECT_EQ(shortcutFired, 0) << "the alert answers Escape before any window shortcut";
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(window->focusWidget(), root->closeButton()) << "focus goes back where it was";
}

TEST_F(AlertTest, FocusStartsInTheFirstFieldTabCyclesWithinTheAlertAndEnterTakesTheFocusedButton)
{
    root->closeButton()->setFocusPolicy(Qt::StrongFocus); // something Tab could escape to
    QStringList ran;
    AlertController* alert = presentRename([&](AlertController&) { ran << "rename"; },
                                           [&](AlertController&) { ran << "cancel"; });
    const std::vector<QWidget*> expected{alert->textFields()[0], alert->textFields()[1], button(*alert, "Rename"),
                                         button(*alert, "Cancel")};
    ASSERT_EQ(window->focusWidget(), expected[0]);
    for (std::size_t step = 1; step <= expected.size(); ++step) {
        QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(window->focusWidget(), expected[step % expected.size()]) << "after Tab " << step;
    }
    QTest::keyClick(window->focusWidget(), Qt::Key_Backtab);
    ASSERT_EQ(window->focusWidget(), expected.back());
    QTest::keyClick(window->focusWidget(), Qt::Key_Return);
    EXPECT_THAT(ran, ElementsAre("cancel"));
}

class AlertAnimationTest : public AlertTest, public ::testing::WithParamInterface<bool> {};

// Still alive until the event loop turns (fading out, or queued for deletion), the answered
// alert takes no second answer; its handler runs once it left the chain, so what that
// presents stays on top.
TEST_P(AlertAnimationTest, ActivatingTwiceRunsTheHandlerOnceAndAnAlertItPresentsStaysOnTop)
{
    setAnimationsEnabled(GetParam());
    int renamed = 0;
    QPointer<AlertController> error;
    QPointer<AlertController> rename = presentRename([&](AlertController&) {
        ++renamed;
        error = presentAlert(*root, makeMessageAlert(QStringLiteral("Err"), QStringLiteral("No characters entered.")));
    });
    settle();
    QTest::mouseClick(button(*rename, "Rename"), Qt::LeftButton);
    QTest::mouseClick(button(*rename, "Rename"), Qt::LeftButton);
    QTest::keyClick(rename->textFields().front(), Qt::Key_Return);
    EXPECT_FALSE(rename->triggerAction(QStringLiteral("Cancel")));
    settle();
    EXPECT_EQ(renamed, 1);
    ASSERT_FALSE(error.isNull());
    EXPECT_TRUE(rename.isNull()) << "the answered alert is gone";
    EXPECT_EQ(window->topViewController(), error.data());
    EXPECT_TRUE(error->view()->isVisible());
    EXPECT_TRUE(root->view()->isVisible()) << "shows through the dimmed layer";
}

INSTANTIATE_TEST_SUITE_P(Animations, AlertAnimationTest, ::testing::Values(false, true),
                         [](const auto& p) { return std::string(p.param ? "Animated" : "Immediate"); });

TEST_F(AlertTest, ButtonsSideBySideForTwoStackedOtherwiseAndNoAlertOutsideAWindow)
{
    AlertController* two = presentRename();
    QPushButton* rename = button(*two, "Rename");
    QPushButton* cancel = button(*two, "Cancel");
    EXPECT_TRUE(rename->y() == cancel->y() && rename->x() < cancel->x());
    EXPECT_EQ(rename->palette().color(QPalette::ButtonText), colors::tintOnLight);
    EXPECT_EQ(cancel->palette().color(QPalette::ButtonText), colors::destructiveOnLight);
    two->cancel();

    auto three = std::make_unique<AlertController>(QStringLiteral("Delete?"), QString());
    three->addAction(QStringLiteral("Keep"), AlertActionStyle::Cancel);
    three->addAction(QStringLiteral("Delete"), AlertActionStyle::Destructive);
    three->addAction(QStringLiteral("Move"), AlertActionStyle::Default);
    AlertController* stacked = presentAlert(*root, std::move(three));
    QPushButton* keep = button(*stacked, "Keep");
    QPushButton* move = button(*stacked, "Move");
    EXPECT_TRUE(keep->font().bold());
    EXPECT_FALSE(move->font().bold());
    EXPECT_TRUE(keep->y() < button(*stacked, "Delete")->y() && button(*stacked, "Delete")->y() < move->y());
    EXPECT_EQ(keep->x(), move->x());
    EXPECT_EQ(window->focusWidget(), move) << "no fields: the default button has focus";
    RecordingController loose("loose", log);
    EXPECT_EQ(presentAlert(loose, makeMessageAlert(QStringLiteral("Err"), {})), nullptr)
        << "nothing to point at when the screen is in no window";
}

} // namespace
} // namespace kavio::platform::test
