// Return and Enter press a focused button of any kind, once; inside a form elsewhere they
// run its default action, and a text field keeps its own Return.

#include "platform/views/ReturnKey.h"
#include "platform/views/Switch.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace kavio::platform::test {
namespace {

class ReturnKey : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(form.get());
        field = new QLineEdit(form.get());
        plain = new QWidget(form.get());
        plain->setFocusPolicy(Qt::StrongFocus);
        layout->addWidget(field);
        layout->addWidget(plain);
        form->show();
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void press(QWidget* focus, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        focus->setFocus(Qt::TabFocusReason);
        QTest::keyClick(focus, key, modifiers);
    }

    std::unique_ptr<QWidget> form;
    QLineEdit* field = nullptr;
    QWidget* plain = nullptr;
};

TEST_F(ReturnKey, ReturnAndEnterPressEveryKindOfFocusedButtonOnce)
{
    const struct {
        const char* name;
        std::function<QAbstractButton*(QWidget*)> make;
    } rows[] = {
        {"push button", [](QWidget* p) { return new QPushButton(QStringLiteral("Save Changes"), p); }},
        {"auto-default push button",
         [](QWidget* p) {
             auto* b = new QPushButton(QStringLiteral("OK"), p);
             b->setAutoDefault(true);
             return b;
         }},
        // Every other button (tool, painted, switch) takes the same path: the app's switch stands for them.
        {"switch", [](QWidget* p) { return new Switch(p); }},
    };
    for (const auto& row : rows) {
        QAbstractButton* button = row.make(form.get());
        button->setFocusPolicy(Qt::StrongFocus);
        button->show();
        int clicks = 0;
        QObject::connect(button, &QAbstractButton::clicked, form.get(), [&] { ++clicks; });
        press(button, Qt::Key_Return);
        press(button, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_EQ(clicks, 2) << row.name;
        delete button;
    }
}

TEST_F(ReturnKey, ElsewhereInAFormTheDefaultActionRunsButNotOverAFieldOrAButton)
{
    int saves = 0;
    setDefaultAction(form.get(), [&] { ++saves; });
    int fieldReturns = 0;
    QObject::connect(field, &QLineEdit::returnPressed, form.get(), [&] { ++fieldReturns; });
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), form.get());
    cancel->show();
    int cancels = 0;
    QObject::connect(cancel, &QAbstractButton::clicked, form.get(), [&] { ++cancels; });

    press(plain, Qt::Key_Return);
    EXPECT_EQ(saves, 1);
    press(field, Qt::Key_Return);
    EXPECT_EQ(fieldReturns, 1);
    EXPECT_EQ(saves, 1) << "the field's own Return, not the form's as well";
    press(cancel, Qt::Key_Return);
    EXPECT_EQ(cancels, 1);
    EXPECT_EQ(saves, 1) << "the focused button answers, not the default";
}

} // namespace
} // namespace kavio::platform::test
