#pragma once
// Sharing a text where the desktop has no sharing service of its own: the text shown as
// it will go out, with "Copy" (to the clipboard; it then reads "Copied") and "Send by
// e-mail" (a mailto: link the desktop's mail program opens; without one the sheet says so
// and stays, the text at hand to copy), and "Close". Escape closes.

#include "platform/screens/ViewController.h"

#include <QString>

class QPlainTextEdit;
class QPushButton;

namespace kavio::platform {

class AlertCard;

class ShareSheet : public ViewController {
    Q_OBJECT
public:
    ShareSheet(QString title, QString text);

    QString text() const { return text_; }
    // What the sheet says above the text: nothing, or that no mail program took it.
    QString note() const { return note_; }
    QString copyTitle() const;
    void copy();
    void sendByEmail();
    void close();

protected:
    void loadView() override;
    void viewDidAppear(Animated animated) override;

private:
    QString title_;
    QString text_;
    QString note_;
    AlertCard* card_ = nullptr;         // child of the view
    QPushButton* copyButton_ = nullptr; // child of the card
};

// The mailto: link that carries the text as the body.
QUrl mailLinkFor(const QString& subject, const QString& body);

ShareSheet* presentShareSheet(ViewController& over, std::unique_ptr<ShareSheet> sheet);

} // namespace kavio::platform
