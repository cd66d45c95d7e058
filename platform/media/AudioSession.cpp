#include "platform/media/AudioSession.h"

#include "platform/media/ScreenSaverInhibitor.h"

#include <QCoreApplication>

namespace kavio::platform {

AudioSession& AudioSession::shared()
{
    // Never destroyed: players may outlive static destruction order. The inhibition is
    // handed back while the application (and its bus connection) still exists.
    static AudioSession* session = [] {
        auto* s = new AudioSession;
        qAddPostRoutine([] { AudioSession::shared().setScreenSaverInhibitor(nullptr); });
        return s;
    }();
    return *session;
}

AudioSession::AudioSession() = default;

AudioSession::~AudioSession()
{
    if (inhibiting_ && inhibitor_)
        inhibitor_->uninhibit();
}

void AudioSession::setActive(bool active)
{
    if (active == active_)
        return;
    active_ = active;
    updateInhibition();
    Q_EMIT activeChanged(active);
}

void AudioSession::setScreenSaverInhibitor(std::unique_ptr<ScreenSaverInhibitor> inhibitor)
{
    if (inhibiting_ && inhibitor_)
        inhibitor_->uninhibit();
    inhibiting_ = false;
    inhibitor_ = std::move(inhibitor);
    if (inhibitor_)
        updateInhibition();
}

void AudioSession::playerWillPlay(const Player*)
{
    setActive(true);
}

void AudioSession::playerRateChanged(const Player* player, double rate)
{
    if (rate != 0.0)
        playing_.insert(player);
    else
        playing_.erase(player);
    updateInhibition();
}

void AudioSession::playerDidStop(const Player* player)
{
    playing_.erase(player);
    updateInhibition();
}

void AudioSession::updateInhibition()
{
    const bool wanted = active_ && !playing_.empty();
    if (wanted == inhibiting_)
        return;
    inhibiting_ = wanted;
    if (wanted)
        inhibitor().inhibit(QStringLiteral("Kavio"), QStringLiteral("Playing video"));
    else
        inhibitor().uninhibit();
}

ScreenSaverInhibitor& AudioSession::inhibitor()
{
    if (!inhibitor_)
        inhibitor_ = std::make_unique<DBusScreenSaverInhibitor>();
    return *inhibitor_;
}

} // namespace kavio::platform
