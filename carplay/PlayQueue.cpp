#include "PlayQueue.h"

#include "library/PlainText.h"
#include "library/Utf8.h"

#include <atomic>
#include <fcntl.h>
#include <map>
#include <unistd.h>

namespace kavio::carplay {

namespace {

PlaySource streamSource(const std::string& link)
{
    return {PlaySource::Kind::Stream, QUrl(fromUtf8(link), QUrl::StrictMode), {}};
}

std::uint64_t nextSerial()
{
    static std::atomic<std::uint64_t> serial{0};
    return ++serial;
}

} // namespace

// The media stack takes a source as text, which cannot name a file whose name is not UTF-8
// (from a stick, an old archive). Such a file is opened here and played through its
// descriptor's name, /proc/self/fd/N, while the queue lives.
class HeldFiles {
public:
    HeldFiles() = default;
    ~HeldFiles()
    {
        for (const auto& [path, fd] : fds_)
            ::close(fd);
    }
    HeldFiles(const HeldFiles&) = delete;
    HeldFiles& operator=(const HeldFiles&) = delete;

    std::optional<int> open(const std::string& path)
    {
        if (auto it = fds_.find(path); it != fds_.end())
            return it->second;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return std::nullopt;
        fds_.emplace(path, fd);
        return fd;
    }

private:
    std::map<std::string, int> fds_;
};

PlaySource PlayQueue::fileSource(const std::filesystem::path& path) const
{
    const std::string& bytes = path.native();
    if (isValidUtf8(bytes))
        return {PlaySource::Kind::File, QUrl::fromLocalFile(fromUtf8(bytes)), path};
    if (const std::optional<int> fd = held_->open(bytes))
        return {PlaySource::Kind::File, QUrl::fromLocalFile(QStringLiteral("/proc/self/fd/%1").arg(*fd)), path};
    // Not there: the player reports the missing file.
    const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return {PlaySource::Kind::File, QUrl::fromEncoded("file://" + raw.toPercentEncoding("/")), path};
}

PlayQueue::PlayQueue(Opening opening)
    : opening_(std::move(opening)), infos_(opening_.infos ? opening_.infos : std::make_shared<const RecordList>()),
      serial_(nextSerial()), held_(std::make_shared<HeldFiles>())
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
