#include "platform/modals/AlertController.h"

#include "platform/modals/AlertViews.h"

#include <QLineEdit>

#include <algorithm>

namespace kavio::platform {

AlertController::AlertController(QString title, QString message)
    : alertTitle_(std::move(title)), message_(std::move(message))
{
    setTitle(alertTitle_);
    setModalPresentationStyle(ModalPresentationStyle::OverFullScreen);
    setModalTransitionStyle(ModalTransitionStyle::CrossDissolve);
}

AlertController::~AlertController() = default;

void AlertController::loadView()
{
    auto* overlay = new AlertOverlay;
    card_ = new AlertCard(alertTitle_, message_, overlay);
    overlay->setCard(card_);
    overlay->setAccessibleName(alertTitle_);
    connect(overlay, &AlertOverlay::enterPressed, this, &AlertController::triggerDefaultAction);
    connect(overlay, &AlertOverlay::escapePressed, this, &AlertController::cancel);
    setView(overlay);
    rebuildButtons();
}

void AlertController::addAction(const QString& title, AlertActionStyle style, Handler handler)
{
    actions_.push_back({title, style, std::move(handler)});
    if (card_)
        rebuildButtons();
}

QLineEdit* AlertController::addTextField(const AlertTextField& field)
{
    view();
    return card_->addTextField(field);
}

const std::vector<QLineEdit*>& AlertController::textFields()
{
    view();
    return card_->fields();
}

QString AlertController::textFieldText(int index) const
{
    if (!card_ || index < 0 || static_cast<std::size_t>(index) >= card_->fields().size())
        return {};
    return card_->fields()[static_cast<std::size_t>(index)]->text();
}

QStringList AlertController::actionTitles() const
{
    QStringList titles;
    for (const Action& action : actions_)
        titles << action.title;
    return titles;
}

AlertActionStyle AlertController::actionStyle(const QString& title) const
{
    const auto it = std::find_if(actions_.begin(), actions_.end(),
                                 [&](const Action& a) { return a.title == title; });
    return it == actions_.end() ? AlertActionStyle::Default : it->style;
}

void AlertController::rebuildButtons()
{
    std::vector<std::pair<QString, AlertActionStyle>> rows;
    rows.reserve(actions_.size());
    for (const Action& action : actions_)
        rows.emplace_back(action.title, action.style);
    const std::vector<AlertButton*>& buttons = card_->setButtons(rows);
    for (std::size_t i = 0; i < buttons.size(); ++i)
        connect(buttons[i], &QPushButton::clicked, this, [this, i] { triggerActionAt(i); });
}

bool AlertController::triggerAction(const QString& title)
{
    const auto it = std::find_if(actions_.begin(), actions_.end(),
                                 [&](const Action& a) { return a.title == title; });
    if (it == actions_.end())
        return false;
    return triggerActionAt(static_cast<std::size_t>(it - actions_.begin()));
}

bool AlertController::triggerActionAt(std::size_t index)
{
    // A second click or Enter while the alert fades out must not answer twice.
    if (answered_ || index >= actions_.size())
        return false;
    answered_ = true;
    // The handler runs once the alert has left the chain, so what it presents lands on
    // the screen beneath and stays; deferred deletion keeps this alert readable meanwhile.
    dismiss(Animated::Yes, [this, handler = actions_[index].handler] {
        if (handler)
            handler(*this);
    });
    return true;
}

void AlertController::triggerDefaultAction()
{
    const auto it = std::find_if(actions_.begin(), actions_.end(),
                                 [](const Action& a) { return a.style == AlertActionStyle::Default; });
    if (it != actions_.end())
        triggerActionAt(static_cast<std::size_t>(it - actions_.begin()));
}

void AlertController::cancel()
{
    if (answered_)
        return;
    answered_ = true;
    dismiss(Animated::Yes);
}

QWidget* AlertController::initialFocus() const
{
    if (!card_->fields().empty())
        return card_->fields().front();
    const std::vector<AlertButton*>& buttons = card_->buttons();
    const auto preferred = std::find_if(buttons.begin(), buttons.end(), [](const AlertButton* b) {
        return b->actionStyle() == AlertActionStyle::Default;
    });
    if (preferred != buttons.end())
        return *preferred;
    return buttons.empty() ? nullptr : buttons.front();
}

void AlertController::viewWillAppear(Animated)
{
    QWidget* focus = view()->window()->focusWidget();
    if (focus && focus != view() && !view()->isAncestorOf(focus))
        focusBefore_ = focus;
}

void AlertController::viewDidAppear(Animated)
{
    // The alert answers something done in its window; typing must reach it even when
    // another window (the car display) was active, as a separate dialog window would be.
    if (QWidget* window = view()->window(); window && !window->isActiveWindow())
        window->activateWindow();
    if (QWidget* target = initialFocus()) {
        target->setFocus(Qt::OtherFocusReason);
        // Text offered in a field (a name to change) is selected: typing replaces it, an
        // arrow key keeps it.
        if (auto* field = qobject_cast<QLineEdit*>(target))
            field->selectAll();
    }
}

void AlertController::viewDidDisappear(Animated)
{
    // Keyboard users continue where they were before the alert asked.
    if (focusBefore_ && focusBefore_->isVisible() && focusBefore_->isEnabled())
        focusBefore_->setFocus(Qt::OtherFocusReason);
    focusBefore_.clear();
}

std::unique_ptr<AlertController> makeMessageAlert(const QString& title, const QString& message)
{
    auto alert = std::make_unique<AlertController>(title, message);
    alert->addAction(QStringLiteral("OK"), AlertActionStyle::Default);
    return alert;
}

AlertController* presentAlert(ViewController& over, std::unique_ptr<AlertController> alert,
                              Animated animated)
{
    if (!alert)
        return nullptr;
    AlertController* raw = alert.get();
    over.present(std::move(alert), animated);
    // A refused alert is only queued for deletion, so asking it is still safe here.
    return raw->presentingViewController() ? raw : nullptr;
}

} // namespace kavio::platform
