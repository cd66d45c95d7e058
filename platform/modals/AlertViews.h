#pragma once
// Internal to the alert: the dimmed layer, the card on it and the card's buttons.

#include "platform/modals/AlertController.h"

#include <QPushButton>
#include <QWidget>

#include <utility>
#include <vector>

class QBoxLayout;
class QLabel;
class QLineEdit;
class QVBoxLayout;

namespace kavio::platform {

enum class ButtonSeparators { Top, TopAndLeading };

// A real, focusable push button drawn as an alert row: coloured text, a hairline above
// (and before, when it sits beside another), a wash while pressed or focused.
class AlertButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr int kHeight = 44;

    AlertButton(const QString& title, AlertActionStyle style, QWidget* parent);

    AlertActionStyle actionStyle() const { return style_; }
    void setSeparators(ButtonSeparators separators);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AlertActionStyle style_;
    ButtonSeparators separators_ = ButtonSeparators::Top;
};

// The rounded light card: title, message, text fields, then the buttons.
class AlertCard : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 270;
    static constexpr qreal kCornerRadius = 14;

    AlertCard(const QString& title, const QString& message, QWidget* parent);

    QLineEdit* addTextField(const AlertTextField& field);
    // A widget of the card's own between the message and the buttons (a progress bar).
    void addAccessory(QWidget* accessory);
    void setMessage(const QString& message);
    const std::vector<QLineEdit*>& fields() const { return fields_; }
    // Replaces the buttons: side by side when there are exactly two, stacked otherwise.
    const std::vector<AlertButton*>& setButtons(const std::vector<std::pair<QString, AlertActionStyle>>& actions);
    const std::vector<AlertButton*>& buttons() const { return buttons_; }
    // Fields first, then buttons: the order Tab walks.
    std::vector<QWidget*> focusChain() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setupHeader(const QString& title, const QString& message);
    // As tall as its texts need at its own width, whatever width the overlay offers.
    void fitHeight();

    QLabel* message_ = nullptr;           // child
    QVBoxLayout* layout_ = nullptr;       // owned by this
    QVBoxLayout* fieldsLayout_ = nullptr; // inside layout_
    QBoxLayout* buttonsLayout_ = nullptr; // inside layout_, replaced with the buttons
    std::vector<QLineEdit*> fields_;      // children
    std::vector<AlertButton*> buttons_;   // children
};

// The alert's root view: dims the window and centres the card. Takes Enter and Escape
// before any window shortcut can, and keeps Tab inside the card.
class AlertOverlay : public QWidget {
    Q_OBJECT
public:
    explicit AlertOverlay(QWidget* parent = nullptr);

    void setCard(AlertCard* card);

Q_SIGNALS:
    void enterPressed();
    void escapePressed();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void paintEvent(QPaintEvent* event) override;

private:
    AlertCard* card_ = nullptr; // child
};

} // namespace kavio::platform
