#pragma once
// Internal to the controller code: the animation that moves a presented view in or out,
// and the helper that keeps controller views filling their host.

#include "platform/base/Animated.h"
#include "platform/screens/ViewController.h"

#include <QObject>
#include <QPointer>
#include <QRect>

#include <functional>
#include <vector>

class QGraphicsOpacityEffect;
class QVariantAnimation;

namespace kavio::platform {

// Parents view into host and keeps it sized to host's rect on every resize.
void fillHost(QWidget* host, QWidget* view);
// Whether the keyboard focus of view's window is view or inside it.
bool holdsFocus(const QWidget* view);

class ViewControllerTransition final : public QObject {
public:
    enum class Kind { Present, Dismiss };
    static constexpr int kDurationMs = 300;

    ViewControllerTransition(Kind kind, ModalTransitionStyle style, QWidget* moving,
                             std::function<void()> done);
    // Stops without calling done: the owner is going away.
    ~ViewControllerTransition() override;

    Kind kind() const { return kind_; }
    // Runs the animation, or jumps straight to the end (calling done before returning).
    void start(Animated animated);
    // Brings a running animation to its end at once; done runs before this returns.
    void finishNow();

    void addCompletion(std::function<void()> completion);
    std::vector<std::function<void()>> takeCompletions();

private:
    void apply(qreal progress); // 0 = start of the movement, 1 = end
    void end();

    Kind kind_;
    ModalTransitionStyle style_;
    QPointer<QWidget> moving_;
    QPointer<QGraphicsOpacityEffect> opacity_;
    QVariantAnimation* animation_ = nullptr; // child of this
    std::function<void()> done_;
    std::vector<std::function<void()>> completions_;
    bool ended_ = false;
};

} // namespace kavio::platform
