#include "platform/screens/NavigationController.h"

#include "platform/screens/ContainerKeys.h"
#include "platform/screens/NavigationBar.h"
#include "platform/screens/NavigationItem.h"
#include "platform/screens/ViewControllerTransition.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <algorithm>

namespace kavio::platform {
namespace {

// How far the covered screen drifts left while the new one slides over it.
constexpr qreal kCoveredDrift = 0.3;

bool isEditable(const QWidget* widget)
{
    if (!widget)
        return false;
    if (auto* line = qobject_cast<const QLineEdit*>(widget))
        return !line->isReadOnly();
    if (auto* text = qobject_cast<const QTextEdit*>(widget))
        return !text->isReadOnly();
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
        return !plain->isReadOnly();
    if (qobject_cast<const QAbstractSpinBox*>(widget))
        return true;
    return widget->testAttribute(Qt::WA_InputMethodEnabled); // any other text entry
}

} // namespace

struct NavigationController::Slide {
    Direction direction;
    QPointer<ViewController> leaving;
    QPointer<ViewController> arriving;
    // Popped screens, alive until the slide ends.
    std::vector<std::unique_ptr<ViewController>> removed;
    QPointer<QVariantAnimation> animation; // child of the controller
};

NavigationController::NavigationController(std::unique_ptr<ViewController> root)
{
    addChildViewController(std::move(root));
}

NavigationController::~NavigationController()
{
    if (slide_) {
        delete slide_->animation.data(); // no slide callbacks from here on
        for (auto& popped : slide_->removed)
            retire(std::move(popped));
    }
}

ViewController* NavigationController::topViewController() const
{
    auto stack = childViewControllers();
    return stack.empty() ? nullptr : stack.back();
}

std::vector<ViewController*> NavigationController::viewControllers() const
{
    return childViewControllers();
}

std::vector<ViewController*> NavigationController::visibleChildViewControllers() const
{
    ViewController* top = topViewController();
    return top ? std::vector<ViewController*>{top} : std::vector<ViewController*>{};
}

NavigationBar* NavigationController::navigationBar()
{
    view();
    return bar_;
}

// --- view ----------------------------------------------------------------------------

void NavigationController::loadView()
{
    auto* root = new QWidget;
    root->setObjectName(QStringLiteral("kavio-navigation"));
    auto* layout = new QVBoxLayout(root);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setView(root);
    setupBar();
    setupContent();
    setupKeys();
    if (ViewController* top = topViewController())
        place(top)->show();
    refreshBar();
}

void NavigationController::setupBar()
{
    bar_ = new NavigationBar(view());
    view()->layout()->addWidget(bar_);
    connect(bar_, &NavigationBar::backRequested, this, [this] { popViewController(Animated::Yes); });
}

void NavigationController::setupContent()
{
    content_ = new QWidget(view());
    content_->setObjectName(QStringLiteral("kavio-navigation-content"));
    static_cast<QVBoxLayout*>(view()->layout())->addWidget(content_, 1);
}

void NavigationController::setupKeys()
{
    new ContainerKeys(view(), [this](const QKeyEvent& key) { return goBack(key); });
}

QWidget* NavigationController::place(ViewController* vc)
{
    QWidget* v = vc->view();
    fillHost(content_, v);
    v->setAutoFillBackground(true); // opaque while it slides over the screen below
    return v;
}

void NavigationController::refreshBar()
{
    if (!bar_)
        return;
    const auto stack = viewControllers();
    NavigationItem* top = stack.empty() ? nullptr : &stack.back()->navigationItem();
    NavigationItem* previous = stack.size() < 2 ? nullptr : &stack[stack.size() - 2]->navigationItem();
    bar_->showItems(top, previous);
}

// --- push and pop --------------------------------------------------------------------

void NavigationController::pushViewController(std::unique_ptr<ViewController> vc, Animated animated)
{
    if (!vc)
        return;
    finishSlide();
    ViewController* leaving = topViewController();
    ViewController* arriving = addChildViewController(std::move(vc));
    startSlide(leaving, arriving, {}, Direction::Push, animated);
}

bool NavigationController::popViewController(Animated animated)
{
    finishSlide();
    const auto stack = viewControllers();
    if (stack.size() < 2)
        return false;
    popToViewController(stack[stack.size() - 2], animated);
    return true;
}

void NavigationController::popToRootViewController(Animated animated)
{
    finishSlide();
    const auto stack = viewControllers();
    if (!stack.empty())
        popToViewController(stack.front(), animated);
}

void NavigationController::popToViewController(ViewController* target, Animated animated)
{
    finishSlide();
    const auto stack = viewControllers();
    auto it = std::find(stack.begin(), stack.end(), target);
    if (it == stack.end() || target == stack.back())
        return;
    ViewController* leaving = stack.back();
    std::vector<std::unique_ptr<ViewController>> removed;
    for (auto above = stack.rbegin(); *above != target; ++above)
        removed.push_back(removeChildViewController(*above));
    startSlide(leaving, target, std::move(removed), Direction::Pop, animated);
}

void NavigationController::startSlide(ViewController* leaving, ViewController* arriving,
                                      std::vector<std::unique_ptr<ViewController>> removed,
                                      Direction direction, Animated animated)
{
    refreshBar();
    if (!isViewLoaded()) {
        // Nothing on show yet: the views are placed when the controller loads.
        for (auto& popped : removed)
            retire(std::move(popped));
        return;
    }
    QWidget* arrivingView = place(arriving);
    arrivingView->show();
    QWidget* leavingView = leaving && leaving->isViewLoaded() ? leaving->view() : nullptr;
    // The moving screen slides over the other one.
    if (direction == Direction::Push || !leavingView)
        arrivingView->raise();
    else
        leavingView->raise();
    // Keys go to the new top at once, not to the screen on its way out.
    if (holdsFocus(leavingView))
        arrivingView->setFocus(Qt::OtherFocusReason);

    const bool onScreen = isVisible();
    if (onScreen) {
        if (leaving)
            leaving->beginAppearanceTransition(Appearance::Disappearing, animated);
        arriving->beginAppearanceTransition(Appearance::Appearing, animated);
    }
    slide_ = std::make_unique<Slide>(Slide{direction, leaving, arriving, std::move(removed), nullptr});
    if (!onScreen || !shouldAnimate(animated) || content_->width() <= 0) {
        finishSlide();
        return;
    }
    auto* animation = new QVariantAnimation(this);
    animation->setDuration(kSlideDurationMs);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { applySlide(value.toReal()); });
    connect(animation, &QVariantAnimation::finished, this, [this] { finishSlide(); });
    slide_->animation = animation;
    applySlide(0.0);
    animation->start();
}

void NavigationController::applySlide(qreal progress)
{
    if (!slide_)
        return;
    const int width = content_->width();
    const QRect host = content_->rect();
    const bool push = slide_->direction == Direction::Push;
    // Push: the new screen comes in from the right edge; pop: the top one leaves by it.
    const qreal front = push ? 1.0 - progress : progress;
    const qreal back = push ? -kCoveredDrift * progress : -kCoveredDrift * (1.0 - progress);
    ViewController* moving = push ? slide_->arriving.data() : slide_->leaving.data();
    ViewController* covered = push ? slide_->leaving.data() : slide_->arriving.data();
    if (moving && moving->isViewLoaded())
        moving->view()->setGeometry(host.translated(qRound(width * front), 0));
    if (covered && covered->isViewLoaded())
        covered->view()->setGeometry(host.translated(qRound(width * back), 0));
}

void NavigationController::finishSlide()
{
    if (!slide_)
        return;
    std::unique_ptr<Slide> slide = std::move(slide_);
    if (slide->animation) {
        slide->animation->disconnect(this);
        slide->animation->stop();
        slide->animation->deleteLater(); // this may be running inside its finished signal
    }
    ViewController* leaving = slide->leaving;
    ViewController* arriving = slide->arriving;
    QWidget* leavingView = leaving && leaving->isViewLoaded() ? leaving->view() : nullptr;
    if (leavingView) {
        leavingView->hide(); // no painting, no keyboard focus below the top
        leavingView->setGeometry(content_->rect());
    }
    if (arriving && arriving->isViewLoaded())
        arriving->view()->setGeometry(content_->rect());
    if (leaving)
        leaving->endAppearanceTransition();
    if (arriving)
        arriving->endAppearanceTransition();
    for (auto& popped : slide->removed)
        retire(std::move(popped));
}

// --- keyboard ------------------------------------------------------------------------

bool NavigationController::goBack(const QKeyEvent& key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    const bool altLeft = key.key() == Qt::Key_Left && modifiers == Qt::AltModifier;
    const bool backspace = key.key() == Qt::Key_Backspace && modifiers == Qt::NoModifier;
    // An editable widget that did not claim its Backspace still keeps it.
    if (!(altLeft || backspace) || (backspace && isEditable(QApplication::focusWidget())))
        return false;
    return popViewController(Animated::Yes);
}

} // namespace kavio::platform
