#pragma once
// A card that shows a text to take elsewhere: "Copy" first (to the clipboard; it then reads
// "Copied"), the sheet's own buttons after it, "Close" last; Escape closes.

#include "platform/screens/ViewController.h"

#include <QString>

#include <utility>
#include <vector>

class QPlainTextEdit;
class QPushButton;

namespace kavio::platform {

class AlertButton;
class AlertCard;
class AlertOverlay;

class CopySheet : public ViewController {
    Q_OBJECT
public:
    QString copyTitle() const;
    void copy();
    void close();

protected:
    CopySheet(QString title, QString copied);

    // Lays out the card around shown, read-only, with Copy, middle and Close; the buttons in
    // that order. Called from loadView().
    const std::vector<AlertButton*>& buildCard(const QString& message, QPlainTextEdit* shown,
                                               const std::vector<QString>& middle = {});
    void viewDidAppear(Animated animated) override;

    const QString& title() const { return title_; }
    AlertCard* card() const { return card_; }
    AlertOverlay* overlay() const { return overlay_; }

private:
    QString title_;
    QString copied_; // what Copy puts on the clipboard
    AlertOverlay* overlay_ = nullptr;   // the view
    AlertCard* card_ = nullptr;         // child of the overlay
    QPushButton* copyButton_ = nullptr; // child of the card
};

// Copies text to the clipboard and turns button's title to "Copied", so the copy shows.
void copyWithFeedback(const QString& text, QPushButton* button);

} // namespace kavio::platform
