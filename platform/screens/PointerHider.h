#pragma once
// The mouse pointer on a car PC's touchscreen: it hides after a few seconds without the
// mouse moving and as soon as a finger touches, and comes back when a mouse moves again.
// Application-wide while it lives.

#include <QObject>

#include <chrono>

class QTimer;

namespace kavio::platform {

class PointerHider final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kIdleTime{3000};

    explicit PointerHider(QObject* parent);
    ~PointerHider() override;
    PointerHider(const PointerHider&) = delete;
    PointerHider& operator=(const PointerHider&) = delete;

    bool isPointerHidden() const { return hidden_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void hidePointer();
    void showPointer();

    QTimer* idle_ = nullptr; // child
    bool hidden_ = false;
};

} // namespace kavio::platform
