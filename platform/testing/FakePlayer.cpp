#include "platform/testing/FakePlayer.h"

namespace kavio::platform {

void FakePlayer::setDuration(std::optional<double> seconds)
{
    duration_ = seconds;
    Q_EMIT durationChanged();
}

void FakePlayer::advanceTime(double seconds)
{
    time_ += seconds;
    if (duration_)
        time_ = std::min(time_, *duration_);
    reportTime(time_);
}

void FakePlayer::finishCurrentItem()
{
    if (duration_)
        time_ = *duration_;
    reportPlayedToEnd();
}

void FakePlayer::failCurrentItem(const QString& message)
{
    reportStatus(PlayerStatus::Failed, message);
}

void FakePlayer::listAudioTracks(std::vector<MediaTrack> tracks)
{
    audio_ = std::move(tracks);
    activeAudio_ = audio_.empty() ? -1 : 0;
    Q_EMIT tracksChanged();
}

void FakePlayer::setActiveAudioTrack(int index)
{
    calls_ << QStringLiteral("audio %1").arg(index);
    activeAudio_ = index;
}

void FakePlayer::loadItem(const PlayerItem* item)
{
    calls_ << (item ? QStringLiteral("replace %1").arg(item->url().toString()) : QStringLiteral("replace none"));
    time_ = 0.0;
    audio_.clear();
    activeAudio_ = -1;
    if (item && readyOnLoad_)
        reportStatus(PlayerStatus::ReadyToPlay);
}

void FakePlayer::startPlayback()
{
    calls_ << QStringLiteral("play");
    if (currentItem() && status() != PlayerStatus::Failed)
        reportRate(1.0);
}

void FakePlayer::pausePlayback()
{
    calls_ << QStringLiteral("pause");
    reportRate(0.0);
}

void FakePlayer::seekPlayback(double seconds)
{
    calls_ << QStringLiteral("seek %1").arg(seconds);
    time_ = seconds;
}

FakePlayerFactory::FakePlayerFactory()
    : scope_([this] {
          auto player = std::make_unique<FakePlayer>();
          players_.emplace_back(player.get());
          return std::unique_ptr<Player>(std::move(player));
      })
{
}

} // namespace kavio::platform
