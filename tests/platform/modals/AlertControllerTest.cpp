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

    // The rename alert every folder screen shows.
    std::unique_ptr<AlertController> makeRename(AlertController::Handler onRename = {},
                                                AlertController::Handler onCancel = {})
    {
        auto alert = std::make_unique<AlertController>(QStringLiteral("Kavio"),
                                                       QStringLiteral("Please enter a file name."));
        alert->addTextField({QStringLiteral("Title name"), QStringLiteral("holiday")});
        alert->addTextField({QStringLiteral("Artist name"), {}});
        alert->addAction(QStringLiteral("Rename"), AlertActionStyle::Default, std::move(onRename));
        alert->addAction(QStringLiteral("Cancel"), AlertActionStyle::Destructive, std::move(onCancel));
        return alert;
    }

    static QPushButton* button(AlertController& alert, const QString& title)
    {
        for (QPushButton* b : alert.view()->findChildren<QPushButton*>()) {
            if (b->text() == title)
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

struct EnterKey {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

class AlertEnterTest : public AlertTest, public ::testing::WithParamInterface<EnterKey> {};

TEST_P(AlertEnterTest, EnterInATextFieldRunsTheDefaultActionWithTheTypedText)
{
    QStringList seen;
    bool wasOffTheChain = false;
    AlertController* alert = presentAlert(*root, makeRename([&](AlertController& a) {
        seen << a.textFieldText(0) << a.textFieldText(1) << a.textFieldText(2);
        wasOffTheChain = a.presentingViewController() == nullptr && window->topViewController() == root;
    }));
    ASSERT_NE(alert, nullptr);
    QLineEdit* artist = alert->textFields().at(1);
    QLineEdit* title = alert->textFields().at(0);
    EXPECT_EQ(title->selectedText(), "holiday") << "offered text starts selected";
    QTest::keyClick(title, Qt::Key_End);
    QTest::keyClicks(title, QStringLiteral(" trip"));
    QTest::keyClicks(artist, QStringLiteral("me"));
    QTest::keyClick(artist, GetParam().key, GetParam().modifiers);

    EXPECT_THAT(seen, ElementsAre("holiday trip", "me", ""));
    EXPECT_TRUE(wasOffTheChain);
}

INSTANTIATE_TEST_SUITE_P(Keys, AlertEnterTest,
                         ::testing::Values(EnterKey{"Return", Qt::Key_Return, Qt::NoModifier},
                                           EnterKey{"KeypadEnter", Qt::Key_Enter, Qt::KeypadModifier}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(AlertTest, EscapeClosesWithoutActingEvenWithAWindowShortcutOnIt)
{
    int shortcutFired = 0;
    auto* shortcut = new QShortcut(QKeySequence(Qt::Key_Escape), window.get());
    QObject::connect(shortcut, &QShortcut::activated, [&] { ++shortcutFired; });
    root->closeButton()->setFocus();
    int handled = 0;
    auto count = [&](AlertController&) { ++handled; };
    AlertController* alert = presentAlert(*root, makeRename(count, count));

    QTest::keyClick(alert->textFields().front(), Qt::Key_Escape);

    EXPECT_EQ(handled, 0);
    EXPECT_EQ(shortcutFired, 0) << "the alert answers Escape before any window shortcut";
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(window->focusWidget(), root->closeButton()) << "focus goes back where it was";
}

TEST_F(AlertTest, FocusStartsInTheFirstFieldAndTabCyclesWithoutLeavingTheAlert)
{
    root->closeButton()->setFocusPolicy(Qt::StrongFocus); // something Tab could escape to
    AlertController* alert = presentAlert(*root, makeRename());
    const std::vector<QWidget*> expected{alert->textFields()[0], alert->textFields()[1],
                                         button(*alert, QStringLiteral("Rename")),
                                         button(*alert, QStringLiteral("Cancel"))};
    ASSERT_EQ(window->focusWidget(), expected[0]);
    for (std::size_t step = 1; step <= expected.size(); ++step) {
        QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(window->focusWidget(), expected[step % expected.size()]) << "after Tab " << step;
    }
    QTest::keyClick(window->focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(window->focusWidget(), expected.back());
}

TEST_F(AlertTest, EnterOnAFocusedButtonTakesThatButton)
{
    QStringList ran;
    AlertController* alert = presentAlert(*root, makeRename([&](AlertController&) { ran << "rename"; },
                                                            [&](AlertController&) { ran << "cancel"; }));
    QPushButton* cancel = button(*alert, QStringLiteral("Cancel"));
    cancel->setFocus(Qt::TabFocusReason);
    QTest::keyClick(cancel, Qt::Key_Return);
    EXPECT_THAT(ran, ElementsAre("cancel"));
}

class AlertAnimationTest : public AlertTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        AlertTest::SetUp();
        setAnimationsEnabled(GetParam());
    }
};

TEST_P(AlertAnimationTest, AHandlerThatPresentsAnotherAlertLeavesItOnTop)
{
    QPointer<AlertController> error;
    QPointer<AlertController> rename = presentAlert(*root, makeRename([&](AlertController&) {
        error = presentAlert(*root, makeMessageAlert(QStringLiteral("Err"), QStringLiteral("No characters entered.")));
    }));
    settle();
    ASSERT_TRUE(rename->triggerAction(QStringLiteral("Rename")));
    settle();

    ASSERT_FALSE(error.isNull());
    EXPECT_TRUE(rename.isNull()) << "the answered alert is gone";
    EXPECT_EQ(window->topViewController(), error.data());
    EXPECT_TRUE(error->view()->isVisible());
    EXPECT_TRUE(root->view()->isVisible()) << "shows through the dimmed layer";
}

TEST_P(AlertAnimationTest, ActivatingTwiceRunsTheHandlerOnce)
{
    int renamed = 0;
    AlertController* alert = presentAlert(*root, makeRename([&](AlertController&) { ++renamed; }));
    settle();
    QPushButton* rename = button(*alert, QStringLiteral("Rename"));
    // Still alive until the event loop turns: fading out, or queued for deletion.
    QTest::mouseClick(rename, Qt::LeftButton);
    QTest::mouseClick(rename, Qt::LeftButton);
    QTest::keyClick(alert->textFields().front(), Qt::Key_Return);
    EXPECT_FALSE(alert->triggerAction(QStringLiteral("Cancel")));
    settle();
    EXPECT_EQ(renamed, 1);
}

INSTANTIATE_TEST_SUITE_P(Animations, AlertAnimationTest, ::testing::Values(false, true),
                         [](const auto& p) { return std::string(p.param ? "Animated" : "Immediate"); });

TEST_F(AlertTest, ButtonsKeepTheirOrderAndStyleSideBySideForTwoStackedOtherwise)
{
    AlertController* two = presentAlert(*root, makeRename());
    QPushButton* rename = button(*two, QStringLiteral("Rename"));
    QPushButton* cancel = button(*two, QStringLiteral("Cancel"));
    EXPECT_EQ(rename->y(), cancel->y());
    EXPECT_LT(rename->x(), cancel->x());
    EXPECT_EQ(rename->palette().color(QPalette::ButtonText), colors::tintOnLight);
    EXPECT_EQ(cancel->palette().color(QPalette::ButtonText), colors::destructiveOnLight);
    two->cancel();

    auto three = std::make_unique<AlertController>(QStringLiteral("Delete?"), QString());
    three->addAction(QStringLiteral("Keep"), AlertActionStyle::Cancel);
    three->addAction(QStringLiteral("Delete"), AlertActionStyle::Destructive);
    three->addAction(QStringLiteral("Move"), AlertActionStyle::Default);
    AlertController* stacked = presentAlert(*root, std::move(three));
    EXPECT_THAT(stacked->actionTitles(), ElementsAre("Keep", "Delete", "Move"));
    EXPECT_EQ(stacked->actionStyle(QStringLiteral("Delete")), AlertActionStyle::Destructive);
    QPushButton* keep = button(*stacked, QStringLiteral("Keep"));
    QPushButton* move = button(*stacked, QStringLiteral("Move"));
    EXPECT_TRUE(keep->font().bold());
    EXPECT_FALSE(move->font().bold());
    EXPECT_LT(keep->y(), button(*stacked, QStringLiteral("Delete"))->y());
    EXPECT_LT(button(*stacked, QStringLiteral("Delete"))->y(), move->y());
    EXPECT_EQ(keep->x(), move->x());
    EXPECT_EQ(window->focusWidget(), move) << "no fields: the default button has focus";
}

TEST_F(AlertTest, MessageAlertHasOneOkThatOnlyCloses)
{
    std::unique_ptr<AlertController> made = makeMessageAlert(QStringLiteral("Err"), QStringLiteral("No characters entered."));
    EXPECT_THAT(made->actionTitles(), ElementsAre("OK"));
    EXPECT_EQ(made->actionStyle(QStringLiteral("OK")), AlertActionStyle::Default);

    AlertController* alert = presentAlert(*root, std::move(made));
    QTest::keyClick(window->focusWidget(), Qt::Key_Return);
    EXPECT_EQ(window->topViewController(), root);
    EXPECT_FALSE(alert->triggerAction(QStringLiteral("OK")));

    RecordingController loose("loose", log);
    EXPECT_EQ(presentAlert(loose, makeMessageAlert(QStringLiteral("Err"), {})), nullptr)
        << "nothing to point at when the screen is in no window";
}

} // namespace
} // namespace kavio::platform::test
