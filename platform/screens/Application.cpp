#include "platform/screens/Application.h"

#include "platform/views/ReturnKey.h"

#include <QIcon>

namespace kavio::platform {

void ForegroundTracker::applicationStateChanged(Qt::ApplicationState state)
{
    if (state != Qt::ApplicationActive) {
        away_ = hasBeenActive_;
        return;
    }
    const bool returning = hasBeenActive_ && away_;
    hasBeenActive_ = true;
    away_ = false;
    if (returning)
        center_.post(NotificationName::WillEnterForeground);
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationVersion(QStringLiteral(KAVIO_VERSION));
    // The bundle's icon, once the resources that carry it are linked in.
    const QIcon icon(QStringLiteral(":/AppIcon76x76.png"));
    if (!icon.availableSizes().isEmpty())
        setWindowIcon(icon);
    setupNotifications();
    installReturnPressesButtons(*this);
}

void Application::setupNotifications()
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    foreground_ = std::make_unique<ForegroundTracker>(center);
    // The state at start-up may already be active; it counts as the first activation.
    foreground_->applicationStateChanged(applicationState());
    connect(this, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { foreground_->applicationStateChanged(state); });
}

void Application::simulateApplicationState(Qt::ApplicationState state)
{
    foreground_->applicationStateChanged(state);
}

void Application::simulateReturnToForeground()
{
    foreground_->applicationStateChanged(Qt::ApplicationActive);
    foreground_->applicationStateChanged(Qt::ApplicationInactive);
    foreground_->applicationStateChanged(Qt::ApplicationActive);
}

} // namespace kavio::platform
