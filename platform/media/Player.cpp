#include "platform/media/Player.h"

#include "platform/base/NotificationCenter.h"
#include "platform/media/AudioSession.h"
#include "platform/media/QtPlayer.h"

#include <algorithm>
#include <cmath>

namespace kavio::platform {

Player::~Player()
{
    AudioSession::shared().playerDidStop(this);
}

void Player::replaceCurrentItem(std::shared_ptr<PlayerItem> item)
{
    item_ = std::move(item);
    errorString_.clear();
    reportStatus(item_ ? PlayerStatus::Loading : PlayerStatus::Idle);
    loadItem(item_.get());
    reportRate(0.0);
    Q_EMIT currentItemChanged();
    Q_EMIT durationChanged();
    reportTimeJump(0.0);
}

void Player::play()
{
    AudioSession::shared().playerWillPlay(this);
    startPlayback();
}

void Player::pause()
{
    Q_EMIT pauseRequested();
    pausePlayback();
}

void Player::seek(double seconds)
{
    if (!item_ || status_ == PlayerStatus::Failed)
        return;
    seconds = std::max(0.0, seconds);
    if (const std::optional<double> length = duration())
        seconds = std::min(seconds, *length);
    seekPlayback(seconds);
    reportTimeJump(seconds);
    Q_EMIT seeked(seconds);
}

TimeObserverToken Player::addPeriodicTimeObserver(double intervalSeconds, QObject* owner,
                                                  TimeObserver observer)
{
    if (!(intervalSeconds > 0.0) || !owner || !observer)
        return {};
    std::erase_if(timeObservers_, [](const TimeObserverEntry& e) { return e.owner.isNull(); });
    const std::uint64_t id = nextObserverId_++;
    const auto period = static_cast<std::int64_t>(std::floor(currentTime() / intervalSeconds));
    timeObservers_.push_back({id, intervalSeconds, owner, std::move(observer), period});
    return {id};
}

void Player::removeTimeObserver(TimeObserverToken token)
{
    std::erase_if(timeObservers_, [&](const TimeObserverEntry& e) { return e.id == token.id; });
}

std::size_t Player::timeObserverCount() const
{
    return static_cast<std::size_t>(std::count_if(timeObservers_.begin(), timeObservers_.end(),
                                                  [](const TimeObserverEntry& e) { return !e.owner.isNull(); }));
}

void Player::fireTimeObservers(double seconds, bool jumped)
{
    // An observer may add or remove observers, replace the item or drop its owner, so walk
    // a snapshot of ids and look each one up again before calling it.
    std::vector<std::uint64_t> ids;
    ids.reserve(timeObservers_.size());
    for (const TimeObserverEntry& e : timeObservers_)
        ids.push_back(e.id);
    for (std::uint64_t id : ids) {
        auto it = std::find_if(timeObservers_.begin(), timeObservers_.end(),
                               [id](const TimeObserverEntry& e) { return e.id == id; });
        if (it == timeObservers_.end() || it->owner.isNull())
            continue;
        const auto period = static_cast<std::int64_t>(std::floor(seconds / it->interval));
        if (!jumped && period == it->lastPeriod)
            continue;
        it->lastPeriod = period;
        TimeObserver observer = it->observer;
        observer(seconds);
    }
}

void Player::reportRate(double rate)
{
    if (rate == rate_)
        return;
    rate_ = rate;
    AudioSession::shared().playerRateChanged(this, rate);
    Q_EMIT rateChanged(rate);
    reportTimeJump(currentTime());
}

void Player::reportStatus(PlayerStatus status, const QString& error)
{
    if (status == status_ && (status != PlayerStatus::Failed || error == errorString_))
        return;
    status_ = status;
    if (status == PlayerStatus::Failed)
        errorString_ = error;
    Q_EMIT statusChanged(status);
    if (status == PlayerStatus::ReadyToPlay)
        Q_EMIT durationChanged();
    if (status == PlayerStatus::Failed) {
        reportRate(0.0);
        Q_EMIT failed(error);
    }
}

void Player::reportTime(double seconds)
{
    fireTimeObservers(seconds, false);
}

void Player::reportTimeJump(double seconds)
{
    fireTimeObservers(seconds, true);
}

void Player::reportPlayedToEnd()
{
    // Keep the item alive while observers run: one of them usually replaces it.
    const std::shared_ptr<PlayerItem> item = item_;
    if (!item)
        return;
    reportRate(0.0);
    NotificationCenter::defaultCenter().post(NotificationName::PlayerItemDidPlayToEnd, item.get());
}

namespace {
PlayerFactory& factoryStorage()
{
    static PlayerFactory factory;
    return factory;
}
} // namespace

void setPlayerFactory(PlayerFactory factory)
{
    factoryStorage() = std::move(factory);
}

PlayerFactory playerFactory()
{
    return factoryStorage();
}

std::unique_ptr<Player> makePlayer()
{
    if (const PlayerFactory& factory = factoryStorage())
        return factory();
    return std::make_unique<QtPlayer>();
}

ScopedPlayerFactory::ScopedPlayerFactory(PlayerFactory factory)
    : previous_(playerFactory())
{
    setPlayerFactory(std::move(factory));
}

ScopedPlayerFactory::~ScopedPlayerFactory()
{
    setPlayerFactory(std::move(previous_));
}

} // namespace kavio::platform
