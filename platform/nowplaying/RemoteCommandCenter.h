#pragma once
// Commands from the system's media controls (MPRIS here): play, pause, toggle, next,
// previous, and a jump to a position (seconds). A screen adds a target per command; the newest living target answers. Targets
// are tied to an owner and vanish with it, so a closed screen is never called.

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <vector>

namespace kavio::platform {

enum class RemoteCommandKind { Play, Pause, TogglePlayPause, NextTrack, PreviousTrack, ChangePlaybackPosition };

enum class CommandStatus {
    Success,
    NoSuchContent,
    NoActionableNowPlayingItem,
    CommandFailed,
    NoHandler, // the command has no living target
    Disabled,  // the command is switched off
};

struct CommandTargetToken {
    std::uint64_t id = 0;
    bool isValid() const { return id != 0; }
};

class RemoteCommand : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<CommandStatus()>;
    // For ChangePlaybackPosition: the position asked for, in seconds.
    using PositionHandler = std::function<CommandStatus(double seconds)>;

    explicit RemoteCommand(RemoteCommandKind kind) : kind_(kind) {}
    RemoteCommand(const RemoteCommand&) = delete;
    RemoteCommand& operator=(const RemoteCommand&) = delete;

    RemoteCommandKind kind() const { return kind_; }

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);

    CommandTargetToken addTarget(QObject* owner, Handler handler);
    CommandTargetToken addTarget(QObject* owner, PositionHandler handler);
    void removeTarget(CommandTargetToken token);
    void removeTargets(QObject* owner);
    bool hasTargets() const;

    // Enabled and with a target: what the system controls may offer.
    bool isAvailable() const { return enabled_ && hasTargets(); }

    CommandStatus dispatch();
    CommandStatus dispatch(double seconds);

Q_SIGNALS:
    // Enabled flag or target set changed (including an owner's death).
    void availabilityChanged();

private:
    struct Target {
        std::uint64_t id;
        QPointer<QObject> owner;
        Handler handler;
        PositionHandler positionHandler;
    };
    CommandTargetToken add(QObject* owner, Target target);
    void pruneDeadTargets();

    RemoteCommandKind kind_;
    bool enabled_ = true;
    std::vector<Target> targets_;
};

class RemoteCommandCenter : public QObject {
    Q_OBJECT
public:
    static RemoteCommandCenter& shared();

    RemoteCommandCenter();
    RemoteCommandCenter(const RemoteCommandCenter&) = delete;
    RemoteCommandCenter& operator=(const RemoteCommandCenter&) = delete;

    RemoteCommand& playCommand() { return play_; }
    RemoteCommand& pauseCommand() { return pause_; }
    RemoteCommand& togglePlayPauseCommand() { return toggle_; }
    RemoteCommand& nextTrackCommand() { return next_; }
    RemoteCommand& previousTrackCommand() { return previous_; }
    RemoteCommand& changePlaybackPositionCommand() { return position_; }
    RemoteCommand& command(RemoteCommandKind kind);
    const RemoteCommand& command(RemoteCommandKind kind) const;

    CommandStatus dispatch(RemoteCommandKind kind) { return command(kind).dispatch(); }
    // Withdraws every target of owner from every command (a screen closing).
    void removeTargets(QObject* owner);

Q_SIGNALS:
    void availabilityChanged();

private:
    RemoteCommand play_{RemoteCommandKind::Play};
    RemoteCommand pause_{RemoteCommandKind::Pause};
    RemoteCommand toggle_{RemoteCommandKind::TogglePlayPause};
    RemoteCommand next_{RemoteCommandKind::NextTrack};
    RemoteCommand previous_{RemoteCommandKind::PreviousTrack};
    RemoteCommand position_{RemoteCommandKind::ChangePlaybackPosition};
};

} // namespace kavio::platform
