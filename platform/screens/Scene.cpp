#include "platform/screens/Scene.h"

#include "platform/screens/Window.h"
#include "platform/views/Symbols.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QSystemTrayIcon>

namespace kavio::platform {

namespace {

constexpr int kWindowGap = 24;

} // namespace

Scene::Scene(SceneRole role, std::unique_ptr<SceneDelegate> delegate)
    : role_(role), delegate_(std::move(delegate)), window_(std::make_unique<Window>())
{
}

Scene::~Scene()
{
    window_.reset(); // controllers may point at the delegate; they go first
    delegate_.reset();
}

SceneManager::SceneManager(DelegateFactory factory, QObject* parent)
    : QObject(parent), factory_(std::move(factory))
{
    setupActions();
    updateKeepAlive();
}

SceneManager::~SceneManager()
{
    // Windows close without the disconnect round: the manager is going away with them.
    for (auto& [role, scene] : scenes_)
        scene->window().disconnect(this);
    scenes_.clear();
}

void SceneManager::setupActions()
{
    connectCarAction_ = new QAction(tr("Connect car display"), this);
    connectCarAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    connectCarAction_->setShortcutContext(Qt::ApplicationShortcut);
    connect(connectCarAction_, &QAction::triggered, this, [this] { connectScene(SceneRole::Car); });

    quitAction_ = new QAction(tr("Quit"), this);
    connect(quitAction_, &QAction::triggered, this, [] { QCoreApplication::quit(); });
}

void SceneManager::setupTray()
{
    if (tray_ || !QSystemTrayIcon::isSystemTrayAvailable())
        return;
    QIcon icon(resourcePixmap(QStringLiteral("AppIcon76x76.png")));
    if (icon.isNull())
        icon = symbolIcon(QStringLiteral("play.fill"), Qt::white);
    trayMenu_ = std::make_unique<QMenu>();
    trayMenu_->addAction(connectCarAction_);
    trayMenu_->addSeparator();
    trayMenu_->addAction(quitAction_);
    tray_ = new QSystemTrayIcon(icon, this);
    tray_->setToolTip(QStringLiteral("Kavio"));
    tray_->setContextMenu(trayMenu_.get());
    connect(tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            connectScene(SceneRole::Car);
    });
}

Scene* SceneManager::scene(SceneRole role) const
{
    auto it = scenes_.find(role);
    return it == scenes_.end() ? nullptr : it->second.get();
}

Scene* SceneManager::connectScene(SceneRole role)
{
    if (Scene* existing = scene(role))
        return existing;
    std::unique_ptr<SceneDelegate> delegate = factory_ ? factory_(role) : nullptr;
    if (!delegate)
        return nullptr;
    auto owned = std::make_unique<Scene>(role, std::move(delegate));
    Scene* created = owned.get();
    scenes_[role] = std::move(owned);

    Window& window = created->window();
    window.addAction(connectCarAction_);
    placeWindow(*created);
    connect(&window, &Window::closed, this, [this, role] { sceneWindowClosed(role); });
    created->delegate().sceneWillConnect(*created);
    if (!window.isVisible()) {
        // The keyboard stays with the library: a car display plugged in beside the phone
        // window comes up in front, but typing goes on where it was.
        if (Scene* phone = scene(SceneRole::Phone); role == SceneRole::Car && phone) {
            window.mode() == WindowMode::FullScreen ? window.showFullScreen() : window.show();
            window.raise();
            phone->window().activateWindow(); // where a window shown is made active at once
        } else {
            window.makeKeyAndVisible();
        }
    }
    updateKeepAlive();
    Q_EMIT sceneConnected(created);
    return created;
}

void SceneManager::placeWindow(Scene& scene)
{
    if (scene.role() == SceneRole::Car && kioskScreen_) {
        scene.window().placeForKiosk(kioskScreen_);
    } else if (scene.role() == SceneRole::Car) {
        scene.window().placeForCarDisplay();
        placeBesidePhone(scene.window());
    } else {
        phoneConnectedOnce_ = true;
        scene.window().placeForPhone();
    }
}

bool SceneManager::placeBesidePhone(Window& car)
{
    Scene* phone = scene(SceneRole::Phone);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!phone || !screen || car.mode() != WindowMode::Windowed)
        return false;
    const QRect area = screen->availableGeometry();
    const QRect beside(phone->window().geometry().topRight() + QPoint(kWindowGap, 0), car.size());
    if (!area.contains(beside))
        return false;
    car.move(beside.topLeft());
    return true;
}

void SceneManager::arrangeSideBySide()
{
    Scene* phone = scene(SceneRole::Phone);
    Scene* car = scene(SceneRole::Car);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!phone || !car || !screen || car->window().mode() != WindowMode::Windowed)
        return;
    const QRect area = screen->availableGeometry();
    const QSize p = phone->window().size();
    const QSize c = car->window().size();
    const int width = p.width() + kWindowGap + c.width();
    if (width > area.width())
        return;
    const int left = area.left() + (area.width() - width) / 2;
    phone->window().move(left, area.top() + std::max(0, (area.height() - p.height()) / 2));
    placeBesidePhone(car->window());
}

void SceneManager::disconnectScene(SceneRole role)
{
    if (Scene* s = scene(role))
        s->window().closeFromProgram();
}

void SceneManager::sceneWindowClosed(SceneRole role)
{
    auto it = scenes_.find(role);
    if (it == scenes_.end())
        return;
    std::unique_ptr<Scene> closing = std::move(it->second);
    scenes_.erase(it);
    closing->window().disconnect(this);
    // Decide before Qt checks whether that was the last window.
    updateKeepAlive();
    closing->delegate().sceneDidDisconnect(*closing);
    // Deferred: this runs inside the window's own close handling.
    closing.release()->deleteLater();
    if (scenes_.empty() && phoneConnectedOnce_)
        QMetaObject::invokeMethod(quitAction_, &QAction::trigger, Qt::QueuedConnection);
}

void SceneManager::updateKeepAlive()
{
    const bool carConnected = isConnected(SceneRole::Car);
    connectCarAction_->setEnabled(!carConnected);
    setupTray();
    if (!tray_)
        return;
    tray_->setVisible(!carConnected);
    QGuiApplication::setQuitOnLastWindowClosed(false);
}

} // namespace kavio::platform
