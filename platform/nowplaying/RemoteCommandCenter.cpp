#include "platform/nowplaying/RemoteCommandCenter.h"

#include <algorithm>

namespace kavio::platform {

namespace {
std::uint64_t nextTargetId()
{
    // Unique across commands, so a token handed to the wrong command removes nothing.
    static std::uint64_t next = 1;
    return next++;
}
} // namespace

void RemoteCommand::setEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    Q_EMIT availabilityChanged();
}

CommandTargetToken RemoteCommand::addTarget(QObject* owner, Handler handler)
{
    if (!handler)
        return {};
    return add(owner, {0, owner, std::move(handler), {}});
}

CommandTargetToken RemoteCommand::addTarget(QObject* owner, PositionHandler handler)
{
    if (!handler)
        return {};
    return add(owner, {0, owner, {}, std::move(handler)});
}

CommandTargetToken RemoteCommand::add(QObject* owner, Target target)
{
    if (!owner)
        return {};
    pruneDeadTargets();
    const bool firstForOwner = std::none_of(targets_.begin(), targets_.end(),
                                            [&](const Target& t) { return t.owner == owner; });
    const std::uint64_t id = nextTargetId();
    target.id = id;
    targets_.push_back(std::move(target));
    if (firstForOwner) {
        // QPointer already keeps a dead owner's handler from running; this also tells
        // listeners (MPRIS CanGoNext, ...) that the command lost its target.
        connect(owner, &QObject::destroyed, this, [this] {
            pruneDeadTargets();
            Q_EMIT availabilityChanged();
        });
    }
    Q_EMIT availabilityChanged();
    return {id};
}

void RemoteCommand::removeTarget(CommandTargetToken token)
{
    const auto removed = std::erase_if(targets_, [&](const Target& t) { return t.id == token.id; });
    if (removed > 0)
        Q_EMIT availabilityChanged();
}

void RemoteCommand::removeTargets(QObject* owner)
{
    const auto removed = std::erase_if(targets_, [&](const Target& t) { return t.owner == owner; });
    if (removed > 0) {
        if (owner)
            disconnect(owner, &QObject::destroyed, this, nullptr);
        Q_EMIT availabilityChanged();
    }
}

bool RemoteCommand::hasTargets() const
{
    return std::any_of(targets_.begin(), targets_.end(), [](const Target& t) { return !t.owner.isNull(); });
}

void RemoteCommand::pruneDeadTargets()
{
    std::erase_if(targets_, [](const Target& t) { return t.owner.isNull(); });
}

CommandStatus RemoteCommand::dispatch()
{
    if (!enabled_)
        return CommandStatus::Disabled;
    pruneDeadTargets();
    if (targets_.empty())
        return CommandStatus::NoHandler;
    // Copy: the handler may close its screen, which removes this very target.
    Handler handler = targets_.back().handler;
    return handler ? handler() : CommandStatus::CommandFailed;
}

CommandStatus RemoteCommand::dispatch(double seconds)
{
    if (!enabled_)
        return CommandStatus::Disabled;
    pruneDeadTargets();
    if (targets_.empty())
        return CommandStatus::NoHandler;
    PositionHandler handler = targets_.back().positionHandler;
    return handler ? handler(seconds) : CommandStatus::CommandFailed;
}

RemoteCommandCenter& RemoteCommandCenter::shared()
{
    static auto* center = new RemoteCommandCenter; // never destroyed: see AudioSession
    return *center;
}

RemoteCommandCenter::RemoteCommandCenter()
{
    for (RemoteCommand* c : {&play_, &pause_, &toggle_, &next_, &previous_, &position_})
        connect(c, &RemoteCommand::availabilityChanged, this, &RemoteCommandCenter::availabilityChanged);
}

RemoteCommand& RemoteCommandCenter::command(RemoteCommandKind kind)
{
    return const_cast<RemoteCommand&>(std::as_const(*this).command(kind));
}

const RemoteCommand& RemoteCommandCenter::command(RemoteCommandKind kind) const
{
    switch (kind) {
    case RemoteCommandKind::Play: return play_;
    case RemoteCommandKind::Pause: return pause_;
    case RemoteCommandKind::TogglePlayPause: return toggle_;
    case RemoteCommandKind::NextTrack: return next_;
    case RemoteCommandKind::PreviousTrack: return previous_;
    case RemoteCommandKind::ChangePlaybackPosition: return position_;
    }
    return play_;
}

void RemoteCommandCenter::removeTargets(QObject* owner)
{
    for (RemoteCommand* c : {&play_, &pause_, &toggle_, &next_, &previous_, &position_})
        c->removeTargets(owner);
}

} // namespace kavio::platform
