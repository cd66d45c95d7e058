#include "platform/nowplaying/NowPlayingInfoCenter.h"

namespace kavio::platform {

NowPlayingInfoCenter& NowPlayingInfoCenter::shared()
{
    static auto* center = new NowPlayingInfoCenter; // never destroyed: see AudioSession
    return *center;
}

void NowPlayingInfoCenter::setNowPlayingInfo(std::optional<NowPlayingInfo> info)
{
    info_ = std::move(info);
    Q_EMIT nowPlayingInfoChanged();
}

void NowPlayingInfoCenter::setPlaybackState(PlaybackState state)
{
    if (state == state_)
        return;
    state_ = state;
    Q_EMIT playbackStateChanged(state);
}

} // namespace kavio::platform
