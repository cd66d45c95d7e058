#pragma once
// A screen: owns its root widget, gets the lifecycle callbacks, presents other screens
// modally inside its own window. A presenter owns what it presents until it is dismissed.
//
// Presentation is modal over the whole window: the presented view fills the window's
// content area above everything else. Full screen (the default), the covered screen gets
// viewWillDisappear/viewDidDisappear (and viewWillAppear/viewDidAppear when uncovered);
// over full screen, it stays on show underneath and gets neither. Appearance callbacks
// follow what is really on screen: nothing appears while its window is hidden, and
// showing or hiding the window makes the top-most screen appear or disappear.
//
// Presenting while something is already presented presents over the top-most screen of
// the chain (an alert raised while a sheet is up lands on the sheet). A transition still
// running underneath is brought to its end first, so the chain is never half-built.
//
// Containment: a container (navigation, tabs) owns child controllers whose views live in
// its own view. Children present and dismiss through their top-most ancestor, and
// appearance callbacks reach the children a container reports as visible.

#include "platform/base/Animated.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace kavio::platform {

class Window;
class ViewControllerTransition;
class NavigationController;
class NavigationItem;
class TabBarController;
class TabBarItem;

enum class ModalTransitionStyle {
    CoverVertical, // slides up from the bottom edge, back down on dismissal
    CrossDissolve, // fades in and out
};

enum class ModalPresentationStyle {
    FullScreen,     // covers the presenter, which disappears until the dismissal
    OverFullScreen, // fills the window over a presenter that stays on show (alerts, dimmed sheets)
};

enum class Appearance { Appearing, Disappearing };

class ViewController : public QObject {
    Q_OBJECT
public:
    ViewController();
    ~ViewController() override;
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    // The root widget; the first call runs loadView() then viewDidLoad().
    QWidget* view();
    bool isViewLoaded() const { return view_ != nullptr; }

    QString title() const { return title_; }
    void setTitle(const QString& title);

    // What the bars of the containers show for this screen; made on first use, they
    // follow title() until given titles of their own.
    NavigationItem& navigationItem();
    TabBarItem& tabBarItem();
    // The nearest container of that kind this screen sits in, or null.
    NavigationController* navigationController() const;
    TabBarController* tabBarController() const;

    // Shows vc over this screen, inside this screen's window. The completion runs after
    // the transition (at once when animations are off or animated is No).
    void present(std::unique_ptr<ViewController> vc, Animated animated,
                 std::function<void()> completion = {});
    // On a presenter: dismisses what it presents (and anything above it). On a presented
    // screen: asks its presenter. The dismissed screen is destroyed after the transition
    // by deferred deletion, so a screen may dismiss itself from one of its own slots.
    // With nothing to dismiss the completion runs at once.
    void dismiss(Animated animated, std::function<void()> completion = {});

    ViewController* presentingViewController() const { return presenting_; }
    ViewController* presentedViewController() const { return presented_.get(); }
    // The window this screen is shown in (through its presenter or container), or null.
    Window* window() const;

    ModalTransitionStyle modalTransitionStyle() const { return transitionStyle_; }
    void setModalTransitionStyle(ModalTransitionStyle style) { transitionStyle_ = style; }
    ModalPresentationStyle modalPresentationStyle() const { return presentationStyle_; }
    void setModalPresentationStyle(ModalPresentationStyle style) { presentationStyle_ = style; }
    bool isBeingPresented() const;
    bool isBeingDismissed() const;

    // Containment. The parent owns its children; it places their views itself.
    ViewController* addChildViewController(std::unique_ptr<ViewController> child);
    std::unique_ptr<ViewController> removeChildViewController(ViewController* child);
    ViewController* parentViewController() const { return parent_; }
    std::vector<ViewController*> childViewControllers() const;
    // The nearest container of type T above this screen (T = a navigation controller...).
    template <class T>
    T* ancestor() const
    {
        for (ViewController* p = parent_; p; p = p->parent_) {
            if (auto* found = dynamic_cast<T*>(p))
                return found;
        }
        return nullptr;
    }

    // Appearance callbacks for containers that move child views themselves; a begin is
    // ignored when the screen is already in (or going to) that state.
    void beginAppearanceTransition(Appearance appearance, Animated animated);
    void endAppearanceTransition();
    bool isVisible() const { return state_ == State::Appeared || state_ == State::Appearing; }

Q_SIGNALS:
    void titleChanged(const QString& title);

protected:
    // Override to build the view; call setView() with the new root widget. The default
    // makes an empty widget.
    virtual void loadView();
    void setView(QWidget* view);

    virtual void viewDidLoad() {}
    virtual void viewWillAppear(Animated) {}
    virtual void viewDidAppear(Animated) {}
    virtual void viewWillDisappear(Animated) {}
    virtual void viewDidDisappear(Animated) {}

    // The children whose views are on screen with this one; a navigation controller
    // returns only its top screen. Defaults to every child.
    virtual std::vector<ViewController*> visibleChildViewControllers() const;

    // Hides vc and destroys it with deferred deletion: the caller may be running inside
    // one of vc's own slots.
    static void retire(std::unique_ptr<ViewController> vc);

private:
    friend class Window;
    friend class ViewControllerTransition;
    enum class State { Disappeared, Appearing, Appeared, Disappearing };

    ViewController* containmentRoot();
    ViewController* topMostPresented();
    void finishTransitionsAbove();
    void presentOverThis(std::unique_ptr<ViewController> vc, Animated animated,
                         std::function<void()> completion);
    void dismissPresented(Animated animated, std::function<void()> completion);
    void finishPresentation(const std::vector<ViewController*>& covered, std::function<void()> completion);
    void finishDismissal(const std::vector<ViewController*>& leaving,
                         const std::vector<ViewController*>& arriving);
    // This screen and, below it, every presenter that shows through an over-full-screen
    // presentation: the screens on show when this one is on top.
    std::vector<ViewController*> onScreenChain();
    QWidget* presentationHost();
    // Clears keyboard focus out of the view while the whole object is still alive, so no
    // focus-out signal reaches a half-destroyed subclass.
    void prepareForDestruction();

    QPointer<QWidget> view_;
    bool loadingView_ = false;
    bool viewLoaded_ = false;
    QString title_;
    std::unique_ptr<NavigationItem> navigationItem_;
    std::unique_ptr<TabBarItem> tabBarItem_;
    State state_ = State::Disappeared;
    Animated pendingAnimated_ = Animated::No;
    ModalTransitionStyle transitionStyle_ = ModalTransitionStyle::CoverVertical;
    ModalPresentationStyle presentationStyle_ = ModalPresentationStyle::FullScreen;
    ViewController* presenting_ = nullptr;
    std::unique_ptr<ViewController> presented_;
    ViewController* parent_ = nullptr;
    std::vector<std::unique_ptr<ViewController>> children_;
    Window* window_ = nullptr; // set on the root controller of a window only
    // The presentation or dismissal of presented_ while it runs.
    std::unique_ptr<ViewControllerTransition> transition_;
};

} // namespace kavio::platform
