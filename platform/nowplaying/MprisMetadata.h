#pragma once
// How the now-playing record and the remote commands read on MPRIS. Pure functions, so the
// mapping is testable without a bus.

#include "platform/nowplaying/NowPlayingInfoCenter.h"

#include <QDBusObjectPath>
#include <QString>
#include <QVariantMap>

#include <optional>

namespace kavio::platform {

class RemoteCommandCenter;

inline constexpr char kMprisNoTrack[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

struct MprisCommandAvailability {
    bool play = false;
    bool pause = false;
    bool toggle = false;
    bool next = false;
    bool previous = false;
    bool seek = false;
};
MprisCommandAvailability mprisCommandAvailability(const RemoteCommandCenter& center);

// The org.mpris.MediaPlayer2.Player properties that change; the rest are constants.
struct MprisPlayerProperties {
    QString playbackStatus = QStringLiteral("Stopped");
    QVariantMap metadata;
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canPlay = false;
    bool canPause = false;
    bool canSeek = false; // a position command and a known length

    bool operator==(const MprisPlayerProperties&) const = default;
};

// One object path per queue entry: an id that is already an object path as it is, any
// other under /org/kavio/track/ with bytes outside [A-Za-z0-9] written as _xx.
QDBusObjectPath mprisTrackPath(const QString& trackId);
QString mprisPlaybackStatus(PlaybackState state, bool hasTrack);
// xesam:title, xesam:artist (list), mpris:trackid, mpris:artUrl (when given), mpris:length.
QVariantMap mprisMetadata(const std::optional<NowPlayingInfo>& info, const QString& artUrl);
// Microseconds, from the published elapsed time.
qlonglong mprisPosition(const std::optional<NowPlayingInfo>& info);

MprisPlayerProperties mprisPlayerProperties(const std::optional<NowPlayingInfo>& info, PlaybackState state,
                                            const QString& artUrl, const MprisCommandAvailability& commands);

// What PropertiesChanged carries between two states: changed properties only, except
// that a new Metadata always travels with PlaybackStatus so clients switch track and
// state at once.
QVariantMap mprisChangedProperties(const MprisPlayerProperties& before, const MprisPlayerProperties& after);

} // namespace kavio::platform
