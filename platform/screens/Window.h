#pragma once
// A top-level window holding a root view controller. The root's view fills the content
// area; presented screens stack above it there. Destroying the window destroys the whole
// controller chain (root and everything presented) with no lifecycle callback on the way.

#include <QList>
#include <QWidget>

#include <memory>
#include <vector>

class QScreen;

namespace kavio::platform {

class ViewController;

enum class WindowMode { Windowed, FullScreen };

class Window : public QWidget {
    Q_OBJECT
public:
    // The car display's size when it has no screen of its own.
    static constexpr QSize kCarWindowSize{800, 480};
    // The least the phone window can be made: every screen and alert of the phone face is
    // laid out to fit it.
    static constexpr QSize kPhoneMinimumSize{320, 568};

    explicit Window(QWidget* parent = nullptr);
    ~Window() override;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The previous root (and what it presents) is retired with deferred deletion, so a
    // root may be replaced from one of its own slots.
    void setRootViewController(std::unique_ptr<ViewController> root);
    ViewController* rootViewController() const { return root_.get(); }
    // The controller on top: the root, or the last screen presented over it.
    ViewController* topViewController() const;

    // Shows the window (full screen when so placed), raises it and gives it focus.
    void makeKeyAndVisible();
    QWidget* contentView() const { return content_; }

    WindowMode mode() const { return mode_; }
    void setMode(WindowMode mode) { mode_ = mode; }
    // The car display: full screen on a second screen when one is attached, otherwise an
    // 800x480 resizable window on the primary screen.
    void placeForCarDisplay();
    // The phone window: a phone-sized window that fits the primary screen.
    void placeForPhone();
    // A car PC's touchscreen: full screen on that screen, without a frame, and closed only
    // by the program (a stray tap or the window manager cannot close it).
    void placeForKiosk(QScreen* screen);
    bool isKiosk() const { return kiosk_; }
    // close(), which a kiosk takes only from here.
    void closeFromProgram();

    // The first screen other than the primary, when more than one is attached.
    static QScreen* secondaryScreen(const QList<QScreen*>& screens, const QScreen* primary);

    // What Tab visits on the top screen, in reading order: its content first (a list, a
    // form), then its navigation bar's buttons and then the tab bar's, each bar from left
    // to right.
    std::vector<QWidget*> tabOrder() const;

Q_SIGNALS:
    // The window was closed (by the user or close()) and is now hidden.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void changeEvent(QEvent* event) override;

private:
    void setupContent();

    QWidget* content_ = nullptr; // child
    std::unique_ptr<ViewController> root_;
    WindowMode mode_ = WindowMode::Windowed;
    bool kiosk_ = false;
    bool closingFromProgram_ = false;
    bool closing_ = false;
};

} // namespace kavio::platform
