#include "platform/screens/ViewController.h"

#include "platform/screens/NavigationController.h"
#include "platform/screens/NavigationItem.h"
#include "platform/screens/TabBarController.h"
#include "platform/screens/TabBarItem.h"
#include "platform/screens/ViewControllerTransition.h"
#include "platform/screens/Window.h"

#include <QApplication>
#include <QLoggingCategory>

#include <algorithm>

namespace kavio::platform {

Q_LOGGING_CATEGORY(lcViewController, "kavio.platform.viewcontroller")

ViewController::ViewController() = default;

ViewController::~ViewController()
{
    // No lifecycle callbacks from here on: the subclass part is already gone.
    transition_.reset();
    presented_.reset();
    children_.clear();
    delete view_.data();
}

QWidget* ViewController::view()
{
    if (view_ || loadingView_)
        return view_;
    loadingView_ = true;
    loadView();
    loadingView_ = false;
    if (!view_)
        setView(new QWidget);
    viewLoaded_ = true;
    viewDidLoad();
    return view_;
}

void ViewController::loadView()
{
    setView(new QWidget);
}

void ViewController::setView(QWidget* view)
{
    if (view_ == view)
        return;
    delete view_.data();
    view_ = view;
}

void ViewController::setTitle(const QString& title)
{
    if (title_ == title)
        return;
    title_ = title;
    Q_EMIT titleChanged(title_);
}

NavigationItem& ViewController::navigationItem()
{
    if (!navigationItem_)
        navigationItem_ = std::make_unique<NavigationItem>(*this);
    return *navigationItem_;
}

TabBarItem& ViewController::tabBarItem()
{
    if (!tabBarItem_)
        tabBarItem_ = std::make_unique<TabBarItem>(*this);
    return *tabBarItem_;
}

NavigationController* ViewController::navigationController() const
{
    return ancestor<NavigationController>();
}

TabBarController* ViewController::tabBarController() const
{
    return ancestor<TabBarController>();
}

Window* ViewController::window() const
{
    for (const ViewController* vc = this; vc;) {
        if (vc->window_)
            return vc->window_;
        vc = vc->parent_ ? vc->parent_ : vc->presenting_;
    }
    return nullptr;
}

bool ViewController::isBeingPresented() const
{
    return presenting_ && presenting_->transition_ &&
           presenting_->transition_->kind() == ViewControllerTransition::Kind::Present;
}

bool ViewController::isBeingDismissed() const
{
    return presenting_ && presenting_->transition_ &&
           presenting_->transition_->kind() == ViewControllerTransition::Kind::Dismiss;
}

// --- containment ---------------------------------------------------------------------

ViewController* ViewController::addChildViewController(std::unique_ptr<ViewController> child)
{
    if (!child || child.get() == this)
        return nullptr;
    ViewController* raw = child.get();
    raw->parent_ = this;
    children_.push_back(std::move(child));
    return raw;
}

std::unique_ptr<ViewController> ViewController::removeChildViewController(ViewController* child)
{
    auto it = std::find_if(children_.begin(), children_.end(),
                           [child](const auto& c) { return c.get() == child; });
    if (it == children_.end())
        return nullptr;
    std::unique_ptr<ViewController> removed = std::move(*it);
    children_.erase(it);
    removed->parent_ = nullptr;
    return removed;
}

std::vector<ViewController*> ViewController::childViewControllers() const
{
    std::vector<ViewController*> result;
    result.reserve(children_.size());
    for (const auto& c : children_)
        result.push_back(c.get());
    return result;
}

std::vector<ViewController*> ViewController::visibleChildViewControllers() const
{
    return childViewControllers();
}

ViewController* ViewController::containmentRoot()
{
    ViewController* vc = this;
    while (vc->parent_)
        vc = vc->parent_;
    return vc;
}

// --- appearance ----------------------------------------------------------------------

void ViewController::beginAppearanceTransition(Appearance appearance, Animated animated)
{
    if (appearance == Appearance::Appearing) {
        if (state_ == State::Appeared || state_ == State::Appearing)
            return;
        view(); // a screen is loaded before it appears
        state_ = State::Appearing;
        pendingAnimated_ = animated;
        viewWillAppear(animated);
    } else {
        if (state_ == State::Disappeared || state_ == State::Disappearing)
            return;
        state_ = State::Disappearing;
        pendingAnimated_ = animated;
        viewWillDisappear(animated);
    }
    for (ViewController* child : visibleChildViewControllers())
        child->beginAppearanceTransition(appearance, animated);
}

void ViewController::endAppearanceTransition()
{
    if (state_ == State::Appearing) {
        state_ = State::Appeared;
        viewDidAppear(pendingAnimated_);
    } else if (state_ == State::Disappearing) {
        state_ = State::Disappeared;
        viewDidDisappear(pendingAnimated_);
    }
    // Every child: one that left the visible set mid-transition must still settle.
    for (ViewController* child : childViewControllers())
        child->endAppearanceTransition();
}

// --- presentation --------------------------------------------------------------------

ViewController* ViewController::topMostPresented()
{
    ViewController* vc = this;
    while (vc->presented_)
        vc = vc->presented_.get();
    return vc;
}

void ViewController::finishTransitionsAbove()
{
    for (ViewController* vc = this; vc; vc = vc->presented_.get()) {
        if (vc->transition_)
            vc->transition_->finishNow();
    }
}

QWidget* ViewController::presentationHost()
{
    Window* w = window();
    return w ? w->contentView() : nullptr;
}

void ViewController::present(std::unique_ptr<ViewController> vc, Animated animated,
                             std::function<void()> completion)
{
    if (!vc)
        return;
    ViewController* root = containmentRoot();
    // Bring the whole chain to rest first, from the window's root up.
    ViewController* bottom = root;
    while (bottom->presenting_)
        bottom = bottom->presenting_->containmentRoot();
    bottom->finishTransitionsAbove();
    if (!root->window()) {
        // Like the phone platform: a screen outside any window cannot present.
        qCWarning(lcViewController) << "present: presenter is not in a window; refused";
        retire(std::move(vc));
        return;
    }
    root->topMostPresented()->presentOverThis(std::move(vc), animated, std::move(completion));
}

std::vector<ViewController*> ViewController::onScreenChain()
{
    std::vector<ViewController*> chain{this};
    for (ViewController* vc = this;
         vc->presentationStyle_ == ModalPresentationStyle::OverFullScreen && vc->presenting_;) {
        vc = vc->presenting_;
        chain.push_back(vc);
    }
    return chain;
}

void ViewController::presentOverThis(std::unique_ptr<ViewController> vc, Animated animated,
                                     std::function<void()> completion)
{
    QWidget* host = presentationHost();
    ViewController* presented = vc.get();
    presented->presenting_ = this;
    presented_ = std::move(vc);
    QWidget* presentedView = presented->view();
    fillHost(host, presentedView);
    const bool covers = presented->presentationStyle_ == ModalPresentationStyle::FullScreen;
    if (covers)
        presentedView->setAutoFillBackground(true); // opaque while it slides over the presenter
    presentedView->show();
    presentedView->raise();

    const bool onScreen = isVisible() && host->isVisible();
    std::vector<ViewController*> covered = covers ? onScreenChain() : std::vector<ViewController*>{};
    if (onScreen) {
        for (ViewController* below : covered)
            below->beginAppearanceTransition(Appearance::Disappearing, animated);
        presented->beginAppearanceTransition(Appearance::Appearing, animated);
    }
    // The covered screens are this one and its presenters: they outlive the transition,
    // which dies with this one.
    transition_ = std::make_unique<ViewControllerTransition>(
        ViewControllerTransition::Kind::Present, presented->transitionStyle_, presentedView,
        [this, covered = std::move(covered), completion = std::move(completion)]() mutable {
            finishPresentation(covered, std::move(completion));
        });
    transition_->start(onScreen ? animated : Animated::No);
}

void ViewController::finishPresentation(const std::vector<ViewController*>& covered,
                                        std::function<void()> completion)
{
    // Called from inside the transition: let it finish unwinding before it goes.
    transition_.release()->deleteLater();
    ViewController* presented = presented_.get();
    for (ViewController* below : covered) {
        if (below->view_)
            below->view_->hide(); // no painting, no keyboard focus behind the modal
    }
    if (presented->view_ && presented->view_->isVisible() &&
        !presented->view_->isAncestorOf(QApplication::focusWidget())) {
        presented->view_->setFocus(Qt::OtherFocusReason);
    }
    presented->endAppearanceTransition();
    for (ViewController* below : covered)
        below->endAppearanceTransition();
    if (completion)
        completion();
}

void ViewController::dismiss(Animated animated, std::function<void()> completion)
{
    ViewController* root = containmentRoot();
    if (root->presented_)
        root->dismissPresented(animated, std::move(completion));
    else if (root->presenting_)
        root->presenting_->dismissPresented(animated, std::move(completion));
    else if (completion)
        completion();
}

void ViewController::dismissPresented(Animated animated, std::function<void()> completion)
{
    if (transition_ && transition_->kind() == ViewControllerTransition::Kind::Dismiss) {
        transition_->addCompletion(std::move(completion)); // already on its way out
        return;
    }
    finishTransitionsAbove();
    if (!presented_) {
        if (completion)
            completion();
        return;
    }
    ViewController* top = topMostPresented();
    QWidget* moving = top->view_;
    // Leaving: what shows above this screen. Arriving: this screen and what shows through it.
    std::vector<ViewController*> leaving;
    for (ViewController* vc : top->onScreenChain()) {
        if (vc == this)
            break;
        leaving.push_back(vc);
    }
    std::vector<ViewController*> arriving = onScreenChain();
    QWidget* host = presentationHost();
    for (ViewController* below : arriving) {
        if (below->view_) {
            fillHost(host, below->view_);
            below->view_->show(); // hidden views keep their place in the stacking order
        }
    }
    const bool onScreen = top->isVisible() && moving && moving->isVisible();
    if (onScreen) {
        for (ViewController* vc : leaving)
            vc->beginAppearanceTransition(Appearance::Disappearing, animated);
        for (auto it = arriving.rbegin(); it != arriving.rend(); ++it)
            (*it)->beginAppearanceTransition(Appearance::Appearing, animated);
    }
    transition_ = std::make_unique<ViewControllerTransition>(
        ViewControllerTransition::Kind::Dismiss, top->transitionStyle_, moving,
        [this, leaving = std::move(leaving), arriving = std::move(arriving)] {
            finishDismissal(leaving, arriving);
        });
    transition_->addCompletion(std::move(completion));
    transition_->start(onScreen ? animated : Animated::No);
}

void ViewController::finishDismissal(const std::vector<ViewController*>& leaving,
                                     const std::vector<ViewController*>& arriving)
{
    std::vector<std::function<void()>> completions = transition_->takeCompletions();
    transition_.release()->deleteLater();
    for (ViewController* vc : leaving) {
        if (vc->view_)
            vc->view_->hide();
        vc->endAppearanceTransition();
    }
    for (auto it = arriving.rbegin(); it != arriving.rend(); ++it)
        (*it)->endAppearanceTransition();
    std::unique_ptr<ViewController> dismissed = std::move(presented_);
    dismissed->presenting_ = nullptr;
    retire(std::move(dismissed));
    for (auto& completion : completions)
        completion();
}

// --- destruction ---------------------------------------------------------------------

void ViewController::prepareForDestruction()
{
    for (ViewController* vc = this; vc; vc = vc->presented_.get()) {
        for (const auto& child : vc->children_)
            child->prepareForDestruction();
        if (vc->view_) {
            QWidget* focus = QApplication::focusWidget();
            if (focus && (focus == vc->view_ || vc->view_->isAncestorOf(focus)))
                focus->clearFocus();
        }
    }
}

void ViewController::retire(std::unique_ptr<ViewController> vc)
{
    if (!vc)
        return;
    vc->prepareForDestruction();
    for (ViewController* v = vc.get(); v; v = v->presented_.get()) {
        if (v->view_)
            v->view_->hide();
    }
    // Deferred: the caller may be running inside one of vc's own slots.
    vc.release()->deleteLater();
}

} // namespace kavio::platform
