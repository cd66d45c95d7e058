#include "platform/nowplaying/MprisMetadata.h"

#include "platform/nowplaying/RemoteCommandCenter.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace kavio::platform {

MprisCommandAvailability mprisCommandAvailability(const RemoteCommandCenter& center)
{
    return {
        .play = center.command(RemoteCommandKind::Play).isAvailable(),
        .pause = center.command(RemoteCommandKind::Pause).isAvailable(),
        .toggle = center.command(RemoteCommandKind::TogglePlayPause).isAvailable(),
        .next = center.command(RemoteCommandKind::NextTrack).isAvailable(),
        .previous = center.command(RemoteCommandKind::PreviousTrack).isAvailable(),
        .seek = center.command(RemoteCommandKind::ChangePlaybackPosition).isAvailable(),
    };
}

namespace {

bool isObjectPathByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The D-Bus rules: "/" or "/"-separated non-empty elements of [A-Za-z0-9_].
bool isValidObjectPath(const QString& text)
{
    if (text == QLatin1String("/"))
        return true;
    if (!text.startsWith(QLatin1Char('/')) || text.endsWith(QLatin1Char('/')) || text.contains(QLatin1String("//")))
        return false;
    return std::all_of(text.begin() + 1, text.end(), [](QChar c) {
        return c == QLatin1Char('/') || c == QLatin1Char('_') || (c.unicode() < 128 && isObjectPathByte(c.toLatin1()));
    });
}

} // namespace

QDBusObjectPath mprisTrackPath(const QString& trackId)
{
    if (isValidObjectPath(trackId) && trackId != QLatin1String(kMprisNoTrack))
        return QDBusObjectPath(trackId);
    QString path = QStringLiteral("/org/kavio/track/");
    if (trackId.isEmpty())
        return QDBusObjectPath(path + QLatin1Char('_'));
    static constexpr char hex[] = "0123456789abcdef";
    for (const char byte : trackId.toUtf8()) {
        const auto c = static_cast<unsigned char>(byte);
        if (isObjectPathByte(byte)) {
            path += QLatin1Char(static_cast<char>(c));
        } else {
            path += QLatin1Char('_');
            path += QLatin1Char(hex[c >> 4]);
            path += QLatin1Char(hex[c & 0xf]);
        }
    }
    return QDBusObjectPath(path);
}

QString mprisPlaybackStatus(PlaybackState state, bool hasTrack)
{
    if (!hasTrack)
        return QStringLiteral("Stopped");
    switch (state) {
    case PlaybackState::Playing: return QStringLiteral("Playing");
    case PlaybackState::Stopped: return QStringLiteral("Stopped");
    case PlaybackState::Paused:
    case PlaybackState::Unknown: break;
    }
    return QStringLiteral("Paused");
}

QVariantMap mprisMetadata(const std::optional<NowPlayingInfo>& info, const QString& artUrl)
{
    QVariantMap metadata;
    if (!info) {
        metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(kMprisNoTrack)));
        return metadata;
    }
    metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(mprisTrackPath(info->trackId)));
    if (info->title)
        metadata.insert(QStringLiteral("xesam:title"), *info->title);
    if (info->artist)
        metadata.insert(QStringLiteral("xesam:artist"), QStringList{*info->artist});
    if (!artUrl.isEmpty())
        metadata.insert(QStringLiteral("mpris:artUrl"), artUrl);
    if (info->playbackDuration && *info->playbackDuration > 0.0)
        metadata.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(std::llround(*info->playbackDuration * 1e6)));
    return metadata;
}

qlonglong mprisPosition(const std::optional<NowPlayingInfo>& info)
{
    if (!info || !info->elapsedPlaybackTime || !(*info->elapsedPlaybackTime > 0.0))
        return 0;
    return static_cast<qlonglong>(std::llround(*info->elapsedPlaybackTime * 1e6));
}

MprisPlayerProperties mprisPlayerProperties(const std::optional<NowPlayingInfo>& info, PlaybackState state,
                                            const QString& artUrl, const MprisCommandAvailability& commands)
{
    MprisPlayerProperties p;
    p.playbackStatus = mprisPlaybackStatus(state, info.has_value());
    p.metadata = mprisMetadata(info, artUrl);
    p.canGoNext = commands.next;
    p.canGoPrevious = commands.previous;
    p.canPlay = commands.play || commands.toggle;
    p.canPause = commands.pause || commands.toggle;
    p.canSeek = commands.seek && info && info->playbackDuration && *info->playbackDuration > 0.0;
    return p;
}

QVariantMap mprisChangedProperties(const MprisPlayerProperties& before, const MprisPlayerProperties& after)
{
    QVariantMap changed;
    if (before.metadata != after.metadata) {
        changed.insert(QStringLiteral("Metadata"), after.metadata);
        changed.insert(QStringLiteral("PlaybackStatus"), after.playbackStatus);
    } else if (before.playbackStatus != after.playbackStatus) {
        changed.insert(QStringLiteral("PlaybackStatus"), after.playbackStatus);
    }
    auto flag = [&](const char* name, bool was, bool now) {
        if (was != now)
            changed.insert(QLatin1String(name), now);
    };
    flag("CanGoNext", before.canGoNext, after.canGoNext);
    flag("CanGoPrevious", before.canGoPrevious, after.canGoPrevious);
    flag("CanPlay", before.canPlay, after.canPlay);
    flag("CanPause", before.canPause, after.canPause);
    flag("CanSeek", before.canSeek, after.canSeek);
    return changed;
}

} // namespace kavio::platform
