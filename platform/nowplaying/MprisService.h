#pragma once
// The process's MPRIS 2 player on the session bus: what NowPlayingInfoCenter holds goes out
// as properties, what the desktop asks comes in as RemoteCommandCenter commands. Without a
// session bus nothing is started and nothing is printed.

#include "library/Status.h"
#include "platform/nowplaying/MprisMetadata.h"
#include "platform/nowplaying/RemoteCommandCenter.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

namespace kavio::platform {

class MprisArtworkStore;
class MprisPlayerAdaptor;
class NowPlayingInfoCenter;

class MprisService : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.kavio";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
    static constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

    // Starts the service once per process, on the shared centres; later calls return the
    // same one. nullptr without a session bus or when no name could be taken. Takes
    // org.mpris.MediaPlayer2.kavio, or ….kavio.instance<pid> when another copy has it.
    static MprisService* start();
    static MprisService* instance();
    // Leaves the bus and removes the artwork files; runs by itself when the app ends.
    static void stop();

    ~MprisService() override;
    MprisService(const MprisService&) = delete;
    MprisService& operator=(const MprisService&) = delete;

    const QString& serviceName() const { return serviceName_; }
    QDBusConnection connection() const { return connection_; }

    using OpenUriHandler = std::function<Status(const QUrl& url)>;
    void setRaiseHandler(std::function<void()> handler);
    void setQuitHandler(std::function<void()> handler);
    // Until one is set OpenUri answers with an error.
    void setOpenUriHandler(OpenUriHandler handler) { openUri_ = std::move(handler); }

    // For the adaptors.
    const MprisPlayerProperties& currentProperties();
    qlonglong position() const;
    bool canRaise() const { return static_cast<bool>(raise_); }
    bool canQuit() const { return static_cast<bool>(quit_); }
    void raise();
    void quit();
    Status openUri(const QString& uri);
    CommandStatus dispatch(RemoteCommandKind kind);
    // Seek: relative to where it plays now; past the end it goes on to the next track.
    void seekBy(double seconds);
    // SetPosition: only for the current track and within its length.
    void setPosition(const QDBusObjectPath& trackId, double seconds);

private:
    MprisService(QDBusConnection connection, QString serviceName);
    void setupAdaptors();
    void setupSignals();
    void scheduleUpdate();
    MprisPlayerProperties computeProperties();
    void publishChanges();
    void sendPropertiesChanged(const char* interface, const QVariantMap& changed);

    QDBusConnection connection_;
    QString serviceName_;
    NowPlayingInfoCenter& nowPlaying_;
    RemoteCommandCenter& commands_;
    std::unique_ptr<MprisArtworkStore> artwork_;
    MprisPlayerAdaptor* playerAdaptor_ = nullptr; // child
    MprisPlayerProperties published_;
    QTimer updateTimer_; // gathers the changes of one event-loop turn into one signal
    std::function<void()> raise_;
    std::function<void()> quit_;
    OpenUriHandler openUri_;
};

} // namespace kavio::platform
