#pragma once
// Scenes: one window per role, built by a delegate when the scene connects and torn down
// when its window closes (closing the car window is unplugging the car).
//
// Keeping the process alive: closing one window leaves the other; once the phone window
// has been open, closing the last window quits. A car-only Kavio (no phone window) with a
// system tray shows a tray icon ("Connect car display", "Quit") while the car scene is
// disconnected and keeps running until Quit; without a tray, closing its window quits.

#include <QObject>
#include <QPointer>
#include <QScreen>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace kavio::platform {

class Window;
class Scene;

enum class SceneRole { Car, Phone };

class SceneDelegate {
public:
    virtual ~SceneDelegate() = default;
    // Builds the root controller of scene.window(). The manager shows the window
    // afterwards unless the delegate already did.
    virtual void sceneWillConnect(Scene& scene) = 0;
    // The window was closed; the window, its controllers and this delegate are destroyed
    // right after (deferred).
    virtual void sceneDidDisconnect(Scene&) {}
};

class Scene final : public QObject {
    Q_OBJECT
public:
    Scene(SceneRole role, std::unique_ptr<SceneDelegate> delegate);
    ~Scene() override;
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    SceneRole role() const { return role_; }
    Window& window() const { return *window_; }
    SceneDelegate& delegate() const { return *delegate_; }

private:
    SceneRole role_;
    std::unique_ptr<SceneDelegate> delegate_;
    std::unique_ptr<Window> window_; // declared last: destroyed before the delegate
};

class SceneManager final : public QObject {
    Q_OBJECT
public:
    using DelegateFactory = std::function<std::unique_ptr<SceneDelegate>(SceneRole)>;

    explicit SceneManager(DelegateFactory factory, QObject* parent = nullptr);
    ~SceneManager() override;

    // Builds the scene anew (fresh window, delegate and controllers); returns the scene
    // already connected for that role if there is one.
    Scene* connectScene(SceneRole role);
    // Same as the user closing the scene's window.
    void disconnectScene(SceneRole role);
    // The phone window at the left of a windowed car display, the pair centred on the
    // primary screen, when both fit there.
    void arrangeSideBySide();
    // A car PC: the car window from now on connects as a kiosk on this screen (see
    // Window::placeForKiosk).
    void setKioskScreen(QScreen* screen) { kioskScreen_ = screen; }
    Scene* scene(SceneRole role) const;
    bool isConnected(SceneRole role) const { return scene(role) != nullptr; }

    // "Connect car display" (Ctrl+Shift+C), enabled while the car is disconnected. It is
    // added to every scene window so the shortcut works from any of them.
    QAction* connectCarDisplayAction() const { return connectCarAction_; }
    QAction* quitAction() const { return quitAction_; }
    // The tray icon, when the system has a tray; null otherwise.
    QSystemTrayIcon* trayIcon() const { return tray_; }

Q_SIGNALS:
    void sceneConnected(kavio::platform::Scene* scene);

private:
    void setupActions();
    void setupTray();
    void placeWindow(Scene& scene);
    void sceneWindowClosed(SceneRole role);
    void updateKeepAlive();
    bool placeBesidePhone(Window& car);

    DelegateFactory factory_;
    std::map<SceneRole, std::unique_ptr<Scene>> scenes_;
    QAction* connectCarAction_ = nullptr; // child
    QAction* quitAction_ = nullptr;       // child
    QSystemTrayIcon* tray_ = nullptr;     // child
    std::unique_ptr<QMenu> trayMenu_;     // a top-level widget: owned here
    QPointer<QScreen> kioskScreen_;
    bool phoneConnectedOnce_ = false;
};

} // namespace kavio::platform
