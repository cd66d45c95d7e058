#pragma once
// The process's application object. Created once in main, it wires the notification
// center to the real application state: WillEnterForeground when the application becomes
// active again after having been inactive, hidden or suspended (the first activation at
// start-up is not a return).

#include "platform/base/NotificationCenter.h"

#include <QApplication>

#include <memory>

namespace kavio::platform {

// The return-to-foreground rule, separate from the application so it can be fed states.
class ForegroundTracker {
public:
    explicit ForegroundTracker(NotificationCenter& center) : center_(center) {}
    void applicationStateChanged(Qt::ApplicationState state);

private:
    NotificationCenter& center_;
    bool hasBeenActive_ = false;
    bool away_ = false;
};

class Application : public QApplication {
    Q_OBJECT
public:
    // argc is a reference because QApplication keeps it.
    Application(int& argc, char** argv);

    static Application* instance() { return qobject_cast<Application*>(QCoreApplication::instance()); }

    // Test hooks: feed the foreground rule as the window system would.
    void simulateApplicationState(Qt::ApplicationState state);
    void simulateReturnToForeground(); // inactive, then active again

private:
    void setupNotifications();

    std::unique_ptr<ForegroundTracker> foreground_;
};

} // namespace kavio::platform
