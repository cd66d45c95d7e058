#include "platform/modals/ShareSheet.h"

#include "platform/base/UrlOpener.h"
#include "platform/modals/AlertViews.h"
#include "platform/modals/LinkSheet.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QUrlQuery>

namespace kavio::platform {

ShareSheet::ShareSheet(QString title, QString text) : title_(std::move(title)), text_(std::move(text))
{
    setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
    setModalTransitionStyle(ModalTransitionStyle::CrossDissolve);
}

void ShareSheet::loadView()
{
    auto* overlay = new AlertOverlay;
    card_ = new AlertCard(title_, {}, overlay);
    overlay->setCard(card_);
    overlay->setAccessibleName(title_);
    auto* shown = new QPlainTextEdit(text_);
    shown->setReadOnly(true);
    shown->setFixedHeight(150);
    shown->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    card_->addAccessory(shown);
    const std::vector<AlertButton*>& buttons = card_->setButtons({{tr("Copy"), AlertActionStyle::Default},
                                                                  {tr("Send by e-mail"), AlertActionStyle::Default},
                                                                  {tr("Close"), AlertActionStyle::Cancel}});
    copyButton_ = buttons[0];
    connect(buttons[0], &QAbstractButton::clicked, this, &ShareSheet::copy);
    connect(buttons[1], &QAbstractButton::clicked, this, &ShareSheet::sendByEmail);
    connect(buttons[2], &QAbstractButton::clicked, this, &ShareSheet::close);
    connect(overlay, &AlertOverlay::escapePressed, this, &ShareSheet::close);
    setView(overlay);
}

void ShareSheet::viewDidAppear(Animated)
{
    if (QWidget* window = view()->window(); window && !window->isActiveWindow())
        window->activateWindow();
    card_->buttons().front()->setFocus(Qt::OtherFocusReason);
}

QString ShareSheet::copyTitle() const
{
    return copyButton_ ? copyButton_->text() : tr("Copy");
}

void ShareSheet::copy()
{
    view(); // the button shows what happened
    copyWithFeedback(text_, copyButton_);
}

void ShareSheet::sendByEmail()
{
    openUrl(mailLinkFor(title_, text_), [guard = QPointer<ShareSheet>(this)](UrlOpenResult result) {
        if (!guard)
            return;
        if (result == UrlOpenResult::Opened) {
            guard->close();
            return;
        }
        guard->note_ = tr("There is no e-mail program on this computer. Copy the text and paste it into a "
                          "message.");
        if (guard->card_)
            guard->card_->setMessage(guard->note_);
    });
}

void ShareSheet::close()
{
    dismiss(Animated::Yes);
}

QUrl mailLinkFor(const QString& subject, const QString& body)
{
    QUrl url(QStringLiteral("mailto:"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QString::fromUtf8(QUrl::toPercentEncoding(subject)));
    query.addQueryItem(QStringLiteral("body"), QString::fromUtf8(QUrl::toPercentEncoding(body)));
    url.setQuery(query.query(QUrl::FullyEncoded), QUrl::StrictMode);
    return url;
}

ShareSheet* presentShareSheet(ViewController& over, std::unique_ptr<ShareSheet> sheet)
{
    ShareSheet* raw = sheet.get();
    if (!over.window())
        return nullptr;
    over.present(std::move(sheet), Animated::Yes);
    return raw;
}

} // namespace kavio::platform
