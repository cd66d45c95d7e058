#pragma once
// Links where the desktop may have no program for them: the browser or mail program opens
// the link, and where none is set up a sheet says so and shows the address, with "Copy"
// (the default, which then reads "Copied") and "Close" (also Escape).

#include "platform/screens/ViewController.h"

#include <QString>
#include <QUrl>

class QPushButton;

namespace kavio::platform {

class AlertCard;

class AddressSheet : public ViewController {
    Q_OBJECT
public:
    AddressSheet(QString title, QString message, QString address);

    QString message() const { return message_; }
    QString address() const { return address_; }
    // The Copy button's words: "Copy", then "Copied" once it has copied.
    QString copyTitle() const;
    void copy();
    void close();

protected:
    void loadView() override;
    void viewDidAppear(Animated animated) override;

private:
    QString title_;
    QString message_;
    QString address_;
    AlertCard* card_ = nullptr;       // child of the view
    QPushButton* copyButton_ = nullptr; // child of the card
};

// Copies text to the clipboard and turns button's title to "Copied", so the copy shows.
void copyWithFeedback(const QString& text, QPushButton* button);

// Opens url on the desktop; where no program takes it, an AddressSheet over `over`.
void openLink(ViewController& over, const QUrl& url);
// The same from a widget of a screen: the sheet goes over its window's top screen.
void openLink(QWidget* from, const QUrl& url);

} // namespace kavio::platform
