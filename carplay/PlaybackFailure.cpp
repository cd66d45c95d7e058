#include "carplay/PlaybackFailure.h"

#include "library/Utf8.h"

#include <sys/stat.h>

namespace kavio::carplay {

bool canBeGivenToPlayer(const PlaySource& source)
{
    if (source.kind == PlaySource::Kind::File)
        return true;
    return source.url.isValid() && !source.url.scheme().isEmpty() && !source.url.host().isEmpty();
}

QString failureReason(const MovieInfo& entry, const PlaySource& source, const QString& backendMessage)
{
    if (source.kind == PlaySource::Kind::Stream) {
        if (!canBeGivenToPlayer(source))
            return QStringLiteral("“%1” is not a web address.").arg(fromUtf8(entry.urlLink.value_or("")));
    } else {
        struct stat st {};
        if (::stat(source.file.c_str(), &st) != 0)
            return QStringLiteral("The file is not there any more.");
        if (S_ISREG(st.st_mode) && st.st_size == 0)
            return QStringLiteral("The file is empty.");
        // The media stack's words name the detail (a codec, a damaged header).
        const QString ours = QStringLiteral("The file holds no video Kavio can play.");
        return backendMessage.isEmpty() ? ours : ours + QStringLiteral(" (") + backendMessage + u')';
    }
    return backendMessage.isEmpty() ? QStringLiteral("The stream cannot be reached.") : backendMessage;
}

bool FailureRun::add(std::size_t index, std::size_t count)
{
    failed_.insert(index);
    return failed_.size() >= count;
}

} // namespace kavio::carplay
