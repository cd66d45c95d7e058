#include "platform/nowplaying/NowPlayingInfoCenter.h"

namespace kavio::platform {

NowPlayingInfoCenter& NowPlayingInfoCenter::shared()
{
    static auto* center = new NowPlayingInfoCenter; // never destroyed: see AudioSession
    return *center;
}

void NowPlayingInfoCenter::release(const void* publisher)
{
    if (publisher != publisher_)
        return; // a newer screen publishes now
    setNowPlayingInfo(std::nullopt);
    setPlaybackState(PlaybackState::Stopped);
    publisher_ = nullptr;
}

void NowPlayingInfoCenter::setNowPlayingInfo(std::optional<NowPlayingInfo> info, const void* publisher)
{
    if (!isCurrentPublisher(publisher))
        return;
    info_ = std::move(info);
    Q_EMIT nowPlayingInfoChanged();
}

void NowPlayingInfoCenter::setPlaybackState(PlaybackState state, const void* publisher)
{
    if (state == state_ || !isCurrentPublisher(publisher))
        return;
    state_ = state;
    Q_EMIT playbackStateChanged(state);
}

} // namespace kavio::platform
