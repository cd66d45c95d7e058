#include "platform/modals/ProgressController.h"

#include "platform/modals/AlertViews.h"
#include "platform/views/Colors.h"

#include <QProgressBar>

namespace kavio::platform {

namespace {

constexpr int kBarRange = 1000;

} // namespace

ProgressController::ProgressController(QString title) : title_(std::move(title))
{
    setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
    setModalTransitionStyle(ModalTransitionStyle::CrossDissolve);
}

ProgressController::~ProgressController() = default;

void ProgressController::loadView()
{
    auto* overlay = new AlertOverlay;
    card_ = new AlertCard(title_, detail_, overlay);
    overlay->setCard(card_);
    overlay->setAccessibleName(title_);
    bar_ = new QProgressBar;
    bar_->setRange(0, kBarRange);
    bar_->setTextVisible(false);
    bar_->setFixedHeight(6);
    bar_->setValue(static_cast<int>(fraction_ * kBarRange));
    card_->addAccessory(bar_);
    card_->setButtons({{tr("Cancel"), AlertActionStyle::Cancel}});
    connect(card_->buttons().front(), &QAbstractButton::clicked, this, &ProgressController::cancel);
    connect(overlay, &AlertOverlay::escapePressed, this, &ProgressController::cancel);
    setView(overlay);
}

void ProgressController::viewDidAppear(Animated)
{
    if (QWidget* window = view()->window(); window && !window->isActiveWindow())
        window->activateWindow();
    if (card_ && !card_->buttons().empty())
        card_->buttons().front()->setFocus(Qt::OtherFocusReason);
}

void ProgressController::setProgress(double fraction, const QString& detail)
{
    fraction_ = std::clamp(fraction, 0.0, 1.0);
    detail_ = detail;
    if (bar_)
        bar_->setValue(static_cast<int>(fraction_ * kBarRange));
    if (card_)
        card_->setMessage(detail_);
}

int ProgressController::percent() const
{
    return static_cast<int>(fraction_ * 100);
}

void ProgressController::cancel()
{
    if (cancelRequested_)
        return;
    cancelRequested_ = true;
    if (card_ && !card_->buttons().empty())
        card_->buttons().front()->setEnabled(false);
    setProgress(fraction_, tr("Cancelling…"));
    if (onCancel_)
        onCancel_();
}

ProgressController* presentProgress(ViewController& over, std::unique_ptr<ProgressController> progress)
{
    ProgressController* raw = progress.get();
    if (!over.window())
        return nullptr;
    over.present(std::move(progress), Animated::Yes);
    return raw;
}

} // namespace kavio::platform
