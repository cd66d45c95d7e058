#include "platform/modals/LinkSheet.h"

#include "platform/base/UrlOpener.h"
#include "platform/modals/AlertViews.h"
#include "platform/screens/Window.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>

namespace kavio::platform {

namespace {

constexpr int kAddressHeight = 56;

QString copiedTitle()
{
    return QObject::tr("Copied");
}

} // namespace

AddressSheet::AddressSheet(QString title, QString message, QString address)
    : title_(std::move(title)), message_(std::move(message)), address_(std::move(address))
{
    setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
    setModalTransitionStyle(ModalTransitionStyle::CrossDissolve);
}

void AddressSheet::loadView()
{
    auto* overlay = new AlertOverlay;
    card_ = new AlertCard(title_, message_, overlay);
    overlay->setCard(card_);
    overlay->setAccessibleName(title_);
    // Selectable too, and broken anywhere: an address has no spaces to wrap at.
    auto* shown = new QPlainTextEdit(address_);
    shown->setReadOnly(true);
    shown->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    shown->setFixedHeight(kAddressHeight);
    shown->setAccessibleName(tr("Address"));
    card_->addAccessory(shown);
    const std::vector<AlertButton*>& buttons =
        card_->setButtons({{tr("Copy"), AlertActionStyle::Default}, {tr("Close"), AlertActionStyle::Cancel}});
    copyButton_ = buttons[0];
    connect(buttons[0], &QAbstractButton::clicked, this, &AddressSheet::copy);
    connect(buttons[1], &QAbstractButton::clicked, this, &AddressSheet::close);
    connect(overlay, &AlertOverlay::enterPressed, this, &AddressSheet::copy);
    connect(overlay, &AlertOverlay::escapePressed, this, &AddressSheet::close);
    setView(overlay);
}

void AddressSheet::viewDidAppear(Animated)
{
    if (QWidget* window = view()->window(); window && !window->isActiveWindow())
        window->activateWindow();
    copyButton_->setFocus(Qt::OtherFocusReason);
}

QString AddressSheet::copyTitle() const
{
    return copyButton_ ? copyButton_->text() : tr("Copy");
}

void AddressSheet::copy()
{
    view(); // the button shows what happened
    copyWithFeedback(address_, copyButton_);
}

void AddressSheet::close()
{
    dismiss(Animated::Yes);
}

void copyWithFeedback(const QString& text, QPushButton* button)
{
    QGuiApplication::clipboard()->setText(text);
    if (button) {
        button->setText(copiedTitle());
        button->setAccessibleDescription(copiedTitle());
    }
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
