#pragma once
// Links where the desktop may have no program for them: the browser or mail program opens
// the link, and where none is set up a sheet says so and shows the address, with "Copy"
// (the default, which then reads "Copied") and "Close" (also Escape).

#include "platform/modals/CopySheet.h"

#include <QString>
#include <QUrl>

namespace kavio::platform {

class AddressSheet : public CopySheet {
    Q_OBJECT
public:
    AddressSheet(QString title, QString message, QString address);

    QString message() const { return message_; }
    QString address() const { return address_; }

protected:
    void loadView() override;

private:
    QString message_;
    QString address_;
};

// Opens url on the desktop; where no program takes it, an AddressSheet over `over`.
void openLink(ViewController& over, const QUrl& url);
// The same from a widget of a screen: the sheet goes over its window's top screen.
void openLink(QWidget* from, const QUrl& url);

} // namespace kavio::platform
