#include "PlayQueue.h"

#include "library/Utf8.h"

#include <atomic>

namespace kavio::carplay {

namespace {

PlaySource streamSource(const std::string& link)
{
    return {PlaySource::Kind::Stream, QUrl(fromUtf8(link), QUrl::StrictMode)};
}

PlaySource fileSource(const std::filesystem::path& path)
{
    return {PlaySource::Kind::File, QUrl::fromLocalFile(QString::fromStdString(path.string()))};
}

std::uint64_t nextSerial()
{
    static std::atomic<std::uint64_t> serial{0};
    return ++serial;
}

} // namespace

PlayQueue::PlayQueue(Opening opening)
    : opening_(std::move(opening)), infos_(opening_.infos ? opening_.infos : std::make_shared<const RecordList>()),
      serial_(nextSerial())
{
    // An opener must never hand over a position outside the queue; keep it in range.
    currentIndex_ = infos_->empty() ? 0 : std::min(opening_.currentIndex, infos_->size() - 1);
}

PlaySource PlayQueue::firstSource() const
{
    if (!opening_.urlLink.empty())
        return streamSource(opening_.urlLink);
    return fileSource(opening_.videoPath);
}

PlaySource PlayQueue::sourceOf(std::size_t index) const
{
    const MovieInfo& r = entry(index);
    if (r.playsStream())
        return streamSource(*r.urlLink);
    return fileSource(opening_.DOC_PATH / (r.FILENAME.value_or("") + "." + r.EXTENSION.value_or("")));
}

std::size_t PlayQueue::advance()
{
    if (!isEmpty())
        currentIndex_ = currentIndex_ + 1 >= count() ? 0 : currentIndex_ + 1;
    return currentIndex_;
}

void PlayQueue::select(std::size_t index)
{
    if (index < count())
        currentIndex_ = index;
}

PreviousStep PlayQueue::previous(double elapsedSeconds)
{
    if (elapsedSeconds > kRestartThresholdSeconds || isEmpty())
        return PreviousStep::RestartedCurrent;
    currentIndex_ = currentIndex_ == 0 ? count() - 1 : currentIndex_ - 1;
    return PreviousStep::MovedBack;
}

QString PlayQueue::trackId(std::size_t index) const
{
    return QStringLiteral("/org/kavio/track/q%1_%2").arg(serial_).arg(index);
}

NowPlayingContent PlayQueue::nowPlaying(double elapsedSeconds) const
{
    NowPlayingContent content;
    content.elapsed = elapsedSeconds;
    if (isEmpty())
        return content;
    const MovieInfo& r = entry(currentIndex_);
    content.trackId = trackId(currentIndex_);
    if (r.FILENAME)
        content.title = fromUtf8(*r.FILENAME);
    if (r.ARTIST)
        content.artist = fromUtf8(*r.ARTIST);
    content.thumbnail = r.imgData.value_or(plist::Bytes());
    return content;
}

} // namespace kavio::carplay
