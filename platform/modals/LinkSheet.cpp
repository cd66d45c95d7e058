#include "platform/modals/LinkSheet.h"

#include "platform/base/UrlOpener.h"
#include "platform/modals/AlertViews.h"
#include "platform/screens/Window.h"

#include <QPlainTextEdit>

namespace kavio::platform {

namespace {

constexpr int kAddressHeight = 56;

} // namespace

AddressSheet::AddressSheet(QString title, QString message, QString address)
    : CopySheet(std::move(title), address), message_(std::move(message)), address_(std::move(address))
{
}

void AddressSheet::loadView()
{
    // Selectable too, and broken anywhere: an address has no spaces to wrap at.
    auto* shown = new QPlainTextEdit(address_);
    shown->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    shown->setFixedHeight(kAddressHeight);
    shown->setAccessibleName(tr("Address"));
    buildCard(message_, shown);
    connect(overlay(), &AlertOverlay::enterPressed, this, &AddressSheet::copy);
}

void openLink(ViewController& over, const QUrl& url)
{
    openUrl(url, [guard = QPointer<ViewController>(&over), url](UrlOpenResult result) {
        if (result == UrlOpenResult::Opened || !guard || !guard->window())
            return;
        const bool mail = url.scheme() == QLatin1String("mailto");
        auto sheet = std::make_unique<AddressSheet>(
            mail ? AddressSheet::tr("No E-mail Program") : AddressSheet::tr("No Web Browser"),
            mail ? AddressSheet::tr("There is no e-mail program on this computer to write to this address. Copy it "
                                    "into the one you use:")
                 : AddressSheet::tr("There is no web browser on this computer to open this page. Copy its address "
                                    "into a browser:"),
            mail ? url.path() : url.toString());
        guard->present(std::move(sheet), Animated::Yes); // over whatever it presents by then
    });
}

void openLink(QWidget* from, const QUrl& url)
{
    auto* window = from ? qobject_cast<Window*>(from->window()) : nullptr;
    if (ViewController* top = window ? window->topViewController() : nullptr) {
        openLink(*top, url);
        return;
    }
    openUrl(url); // not on a screen: nowhere to say more
}

} // namespace kavio::platform
