#include "platform/modals/ShareSheet.h"

#include "platform/base/UrlOpener.h"
#include "platform/modals/AlertViews.h"

#include <QPlainTextEdit>
#include <QUrlQuery>

namespace kavio::platform {

ShareSheet::ShareSheet(QString title, QString text) : CopySheet(std::move(title), text), text_(std::move(text)) {}

void ShareSheet::loadView()
{
    auto* shown = new QPlainTextEdit(text_);
    shown->setFixedHeight(150);
    shown->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    const std::vector<AlertButton*>& buttons = buildCard({}, shown, {tr("Send by e-mail")});
    connect(buttons[1], &QAbstractButton::clicked, this, &ShareSheet::sendByEmail);
}

void ShareSheet::sendByEmail()
{
    openUrl(mailLinkFor(title(), text_), [guard = QPointer<ShareSheet>(this)](UrlOpenResult result) {
        if (!guard)
            return;
        if (result == UrlOpenResult::Opened) {
            guard->close();
            return;
        }
        guard->note_ = tr("There is no e-mail program on this computer. Copy the text and paste it into a "
                          "message.");
        if (AlertCard* card = guard->card())
            card->setMessage(guard->note_);
    });
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
