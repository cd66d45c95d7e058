#pragma once
// A screen: owns its root widget, gets the lifecycle callbacks, presents other screens
// modally inside its own window. A presenter owns what it presents until it is dismissed.

#include "platform/Animated.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

namespace kavio::platform {

class Window;

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
    void setTitle(const QString& title) { title_ = title; }

    // Shows vc over this screen, inside this screen's window. The completion runs after
    // the transition (at once when animations are off or animated is No).
    void present(std::unique_ptr<ViewController> vc, Animated animated,
                 std::function<void()> completion = {});
    // On a presenter: dismisses what it presents. On a presented screen: asks its presenter.
    // The dismissed screen is destroyed after the transition, never inside the caller's frame.
    void dismiss(Animated animated, std::function<void()> completion = {});

    ViewController* presentingViewController() const { return presenting_; }
    ViewController* presentedViewController() const { return presented_.get(); }
    Window* window() const;

protected:
    // Override to build the view; call setView() with the new root widget.
    virtual void loadView();
    void setView(QWidget* view);

    virtual void viewDidLoad() {}
    virtual void viewWillAppear(Animated) {}
    virtual void viewDidAppear(Animated) {}
    virtual void viewWillDisappear(Animated) {}
    virtual void viewDidDisappear(Animated) {}

private:
    friend class Window;
    friend class ViewControllerTransition;

    QPointer<QWidget> view_;
    QString title_;
    ViewController* presenting_ = nullptr;
    std::unique_ptr<ViewController> presented_;
    Window* window_ = nullptr;
};

} // namespace kavio::platform
