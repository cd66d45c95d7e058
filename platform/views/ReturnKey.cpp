#include "platform/views/ReturnKey.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>

namespace kavio::platform {

namespace {

bool isPlainReturn(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier;
}

// Text widgets answer Return themselves (a field's returnPressed, a new line).
bool takesReturnItself(const QWidget* widget)
{
    return qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget)
           || qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget);
}

class ReturnPressesButtons final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!isPlainReturn(event) || watched != QApplication::focusWidget())
            return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || !button->isEnabled())
            return false;
        if (auto* push = qobject_cast<QPushButton*>(button); push && (push->autoDefault() || push->isDefault()))
            return false; // it presses itself
        if (static_cast<QKeyEvent*>(event)->isAutoRepeat())
            return true; // a held key presses once
        button->click();
        return true;
    }
};

class DefaultAction final : public QObject {
public:
    DefaultAction(QWidget* form, std::function<void()> action) : QObject(form), form_(form), action_(std::move(action))
    {
        form->installEventFilter(this);
    }

    // Sees the key once the focused widget inside the form has let it go by.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != form_ || !isPlainReturn(event))
            return false;
        const QWidget* focus = QApplication::focusWidget();
        if (focus && (takesReturnItself(focus) || qobject_cast<const QAbstractButton*>(focus)))
            return false;
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat())
            action_();
        return true;
    }

private:
    QWidget* form_;
    std::function<void()> action_;
};

} // namespace

void installReturnPressesButtons(QCoreApplication& app)
{
    app.installEventFilter(new ReturnPressesButtons(&app));
}

void setDefaultAction(QWidget* form, std::function<void()> action)
{
    if (form && action)
        new DefaultAction(form, std::move(action));
}

} // namespace kavio::platform
