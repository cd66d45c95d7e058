#pragma once
// Long work shown over a dimmed window, in the alert's card: a title, a progress bar, a
// line saying what is done and about how long is left, and Cancel (also Escape). The
// window behind keeps painting; the work itself runs elsewhere and reports here.

#include "platform/screens/ViewController.h"

#include <QString>

#include <functional>

class QProgressBar;

namespace kavio::platform {

class AlertCard;

class ProgressController : public ViewController {
    Q_OBJECT
public:
    explicit ProgressController(QString title);
    ~ProgressController() override;

    // fraction from 0 to 1; detail: what is done and what is left, in words.
    void setProgress(double fraction, const QString& detail);
    QString detailText() const { return detail_; }
    int percent() const;

    // What Cancel and Escape do; the sheet stays until its owner dismisses it.
    void setCancelHandler(std::function<void()> handler) { onCancel_ = std::move(handler); }
    void cancel();
    bool isCancelRequested() const { return cancelRequested_; }

protected:
    void loadView() override;
    void viewDidAppear(Animated animated) override;

private:
    QString title_;
    QString detail_;
    double fraction_ = 0;
    bool cancelRequested_ = false;
    std::function<void()> onCancel_;
    AlertCard* card_ = nullptr;     // child of the view
    QProgressBar* bar_ = nullptr;   // child of the card
};

// Presents the sheet over `over` (through its top-most presenter).
ProgressController* presentProgress(ViewController& over, std::unique_ptr<ProgressController> progress);

} // namespace kavio::platform
