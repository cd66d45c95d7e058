#include "platform/modals/CopySheet.h"

#include "platform/modals/AlertViews.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPlainTextEdit>

namespace kavio::platform {

CopySheet::CopySheet(QString title, QString copied) : title_(std::move(title)), copied_(std::move(copied))
{
    setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
    setModalTransitionStyle(ModalTransitionStyle::CrossDissolve);
}

const std::vector<AlertButton*>& CopySheet::buildCard(const QString& message, QPlainTextEdit* shown,
                                                      const std::vector<QString>& middle)
{
    overlay_ = new AlertOverlay;
    card_ = new AlertCard(title_, message, overlay_);
    overlay_->setCard(card_);
    overlay_->setAccessibleName(title_);
    shown->setReadOnly(true);
    card_->addAccessory(shown);
    std::vector<std::pair<QString, AlertActionStyle>> actions{{tr("Copy"), AlertActionStyle::Default}};
    for (const QString& text : middle)
        actions.emplace_back(text, AlertActionStyle::Default);
    actions.emplace_back(tr("Close"), AlertActionStyle::Cancel);
    const std::vector<AlertButton*>& buttons = card_->setButtons(actions);
    copyButton_ = buttons.front();
    connect(buttons.front(), &QAbstractButton::clicked, this, &CopySheet::copy);
    connect(buttons.back(), &QAbstractButton::clicked, this, &CopySheet::close);
    connect(overlay_, &AlertOverlay::escapePressed, this, &CopySheet::close);
    setView(overlay_);
    return buttons;
}

void CopySheet::viewDidAppear(Animated)
{
    if (QWidget* window = view()->window(); window && !window->isActiveWindow())
        window->activateWindow();
    copyButton_->setFocus(Qt::OtherFocusReason);
}

QString CopySheet::copyTitle() const
{
    return copyButton_ ? copyButton_->text() : tr("Copy");
}

void CopySheet::copy()
{
    view(); // the button shows what happened
    copyWithFeedback(copied_, copyButton_);
}

void CopySheet::close()
{
    dismiss(Animated::Yes);
}

void copyWithFeedback(const QString& text, QPushButton* button)
{
    QGuiApplication::clipboard()->setText(text);
    if (button) {
        const QString copied = QObject::tr("Copied");
        button->setText(copied);
        button->setAccessibleDescription(copied);
    }
}

} // namespace kavio::platform
