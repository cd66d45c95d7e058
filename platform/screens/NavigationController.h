#pragma once
// A stack of screens under a navigation bar. Only the top screen's view is on show; a
// push slides the new screen in from the right, a pop slides the top one back out.
//
// The covered screen disappears on a push and appears again, once, when it is revealed.
// Popped screens are destroyed by deferred deletion after the slide, so a screen may pop
// itself from one of its own slots. Alt+Left and Backspace go back, unless the focused
// widget takes the key first (a text field keeps its Backspace).

#include "platform/screens/ViewController.h"

#include <memory>
#include <vector>

class QKeyEvent;

namespace kavio::platform {

class NavigationBar;

class NavigationController : public ViewController {
    Q_OBJECT
public:
    static constexpr int kSlideDurationMs = 300;

    explicit NavigationController(std::unique_ptr<ViewController> root);
    ~NavigationController() override;

    void pushViewController(std::unique_ptr<ViewController> vc, Animated animated);
    // False at the root.
    bool popViewController(Animated animated);
    // target stays on top; everything above it goes. Ignored when target is not in the stack.
    void popToViewController(ViewController* target, Animated animated);
    void popToRootViewController(Animated animated);

    ViewController* topViewController() const;
    // From the root to the top.
    std::vector<ViewController*> viewControllers() const;
    NavigationBar* navigationBar();

protected:
    void loadView() override;
    std::vector<ViewController*> visibleChildViewControllers() const override;

private:
    enum class Direction { Push, Pop };
    struct Slide;

    void setupBar();
    void setupContent();
    void setupKeys();
    QWidget* place(ViewController* vc);
    void refreshBar();
    void startSlide(ViewController* leaving, ViewController* arriving,
                    std::vector<std::unique_ptr<ViewController>> removed, Direction direction, Animated animated);
    void applySlide(qreal progress);
    // Brings a slide under way to its end at once.
    void finishSlide();
    // Pops for Alt+Left and Backspace; whether it did.
    bool goBack(const QKeyEvent& key);

    NavigationBar* bar_ = nullptr; // child of the view
    QWidget* content_ = nullptr;   // child of the view; holds the screens' views
    std::unique_ptr<Slide> slide_;
};

} // namespace kavio::platform
