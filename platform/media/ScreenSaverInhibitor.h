#pragma once
// Keeps the desktop from blanking the screen while a video plays. The audio session calls
// inhibit() when playback starts under an active session and uninhibit() when it ends.

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace kavio::platform {

class ScreenSaverInhibitor {
public:
    virtual ~ScreenSaverInhibitor() = default;
    virtual void inhibit(const QString& application, const QString& reason) = 0;
    virtual void uninhibit() = 0;
};

// org.freedesktop.ScreenSaver on the session bus. Calls are asynchronous, so a slow or
// absent service never stalls playback; without a bus or service nothing happens and
// nothing is printed. A cookie that arrives after uninhibit() is handed straight back.
class DBusScreenSaverInhibitor : public QObject, public ScreenSaverInhibitor {
    Q_OBJECT
public:
    static constexpr const char* kService = "org.freedesktop.ScreenSaver";
    static constexpr const char* kPath = "/org/freedesktop/ScreenSaver";
    static constexpr const char* kInterface = "org.freedesktop.ScreenSaver";

    explicit DBusScreenSaverInhibitor(QDBusConnection connection = QDBusConnection::sessionBus());
    ~DBusScreenSaverInhibitor() override;

    void inhibit(const QString& application, const QString& reason) override;
    void uninhibit() override;

    bool isHeld() const { return cookie_.has_value(); }

private:
    void handleInhibitReply(std::uint32_t cookie);
    void sendUninhibit(std::uint32_t cookie);

    QDBusConnection connection_;
    bool wanted_ = false;
    bool requestPending_ = false;
    std::optional<std::uint32_t> cookie_;
};

} // namespace kavio::platform
