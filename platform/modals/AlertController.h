#pragma once
// The alert: a small card centred over a dimmed window, with a title, a message, optional
// text fields and a row or stack of buttons. Presented over full screen with a cross
// dissolve, so the screen beneath stays on show.
//
// Keyboard: the first text field, its text selected (else the default button), has focus
// when it appears; Enter in a text field or on the card takes the first default-style
// action, Enter or Space on a focused button takes that button's; Escape closes without
// acting; Tab cycles through the fields and buttons without leaving the alert.

#include "platform/screens/ViewController.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QLineEdit;

namespace kavio::platform {

class AlertCard;

enum class AlertActionStyle { Default, Cancel, Destructive };

// Every field shows a clear button and a rounded border.
struct AlertTextField {
    QString placeholder;
    QString text;
};

class AlertController : public ViewController {
    Q_OBJECT
public:
    using Handler = std::function<void(AlertController&)>;

    AlertController(QString title, QString message);
    ~AlertController() override;

    void addAction(const QString& title, AlertActionStyle style, Handler handler = {});
    // Call before presenting. Loads the view.
    QLineEdit* addTextField(const AlertTextField& field);
    // The view is loaded on first call.
    const std::vector<QLineEdit*>& textFields();
    // "" when out of range.
    QString textFieldText(int index) const;

    QString alertTitle() const { return alertTitle_; }
    QString message() const { return message_; }
    // In the order added.
    QStringList actionTitles() const;
    // Default when there is no such action.
    AlertActionStyle actionStyle(const QString& title) const;

    // What a click on that button does: the alert is dismissed and then the handler runs
    // with the alert still alive (its texts readable), outside the presentation chain, so
    // it may present another alert at once. False when there is no such action or the
    // alert has already been answered: a handler runs at most once.
    bool triggerAction(const QString& title);
    // Escape: dismissed, no handler.
    void cancel();
    // An action was taken or the alert was cancelled; it is on its way out.
    bool isAnswered() const { return answered_; }

protected:
    void loadView() override;
    void viewWillAppear(Animated animated) override;
    void viewDidAppear(Animated animated) override;
    void viewDidDisappear(Animated animated) override;

private:
    struct Action {
        QString title;
        AlertActionStyle style;
        Handler handler;
    };

    bool triggerActionAt(std::size_t index);
    void triggerDefaultAction();
    void rebuildButtons();
    QWidget* initialFocus() const;

    QString alertTitle_;
    QString message_;
    std::vector<Action> actions_;
    AlertCard* card_ = nullptr;     // child of the view; holds the fields and buttons
    QPointer<QWidget> focusBefore_; // handed back when the alert goes
    bool answered_ = false;
};

// The one-button message alert every screen uses for failures: title first, then message,
// one default-style "OK" that only closes it.
std::unique_ptr<AlertController> makeMessageAlert(const QString& title, const QString& message);

// Presents over `over` (through its top-most presenter) as a dimmed over-full-screen
// overlay. Null when `over` cannot present (it is in no window); the alert is then
// discarded.
AlertController* presentAlert(ViewController& over, std::unique_ptr<AlertController> alert,
                              Animated animated = Animated::Yes);

} // namespace kavio::platform
