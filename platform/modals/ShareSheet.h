#pragma once
// Sharing a text where the desktop has no sharing service of its own: the text shown as
// it will go out, with "Copy" (to the clipboard; it then reads "Copied") and "Send by
// e-mail" (a mailto: link the desktop's mail program opens; without one the sheet says so
// and stays, the text at hand to copy), and "Close". Escape closes.

#include "platform/modals/CopySheet.h"

#include <QString>

namespace kavio::platform {

class ShareSheet : public CopySheet {
    Q_OBJECT
public:
    ShareSheet(QString title, QString text);

    QString text() const { return text_; }
    // What the sheet says above the text: nothing, or that no mail program took it.
    QString note() const { return note_; }
    void sendByEmail();

protected:
    void loadView() override;

private:
    QString text_;
    QString note_;
};

// The mailto: link that carries the text as the body.
QUrl mailLinkFor(const QString& subject, const QString& body);

ShareSheet* presentShareSheet(ViewController& over, std::unique_ptr<ShareSheet> sheet);

} // namespace kavio::platform
