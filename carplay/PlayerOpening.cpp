#include "PlayerOpening.h"

#include "library/FolderListing.h"

namespace kavio::carplay {

namespace fs = std::filesystem;

PlayQueue::Opening openingForFile(const fs::path& folder, std::shared_ptr<const RecordList> records,
                                  const std::string& fileName)
{
    PlayQueue::Opening opening;
    opening.DOC_PATH = folder;
    const std::string base = baseNameOf(fileName);
    if (records) {
        if (std::optional<std::size_t> index = findRecord(*records, base)) {
            const MovieInfo& chosen = *(*records)[*index];
            opening.videoPath = folder / (chosen.FILENAME.value_or("") + "." + chosen.EXTENSION.value_or(""));
            opening.urlLink = chosen.urlLink.value_or("");
            opening.infos = std::move(records);
            opening.currentIndex = *index;
            return opening;
        }
    }
    // A file copied in by hand has no record: it still plays, as a queue of its own.
    auto record = std::make_shared<MovieInfo>();
    record->FILENAME = base;
    record->EXTENSION = base.size() < fileName.size() ? fileName.substr(base.size() + 1) : std::string();
    opening.videoPath = folder / fileName;
    opening.infos = std::make_shared<const RecordList>(RecordList{record});
    opening.currentIndex = 0;
    return opening;
}

PlayQueue::Opening openingForStream(const QUrl& url)
{
    auto record = std::make_shared<MovieInfo>();
    const QString name = url.fileName().isEmpty() ? url.host() : url.fileName();
    record->FILENAME = (name.isEmpty() ? url.toString() : name).toStdString();
    record->EXTENSION = "mp4";
    // Encoded: the queue reads it back strictly, and a space in a path would not parse.
    record->urlLink = url.toString(QUrl::FullyEncoded).toStdString();
    PlayQueue::Opening opening;
    opening.urlLink = *record->urlLink;
    opening.infos = std::make_shared<const RecordList>(RecordList{record});
    return opening;
}

PlayerSession playingSession(const PlayQueue::Opening& opening, const MovieInfo& entry, const PlaySource& source)
{
    PlayerSession session;
    session.state = PlayerSession::State::Playing;
    if (opening.DOC_PATH.empty()) {
        session.queue = PlayerSession::Queue::Stream;
        session.url = source.url.toString(QUrl::FullyEncoded).toStdString();
        return session;
    }
    session.folder = opening.DOC_PATH;
    // A stream listed in the folder is known by its record's placeholder file.
    session.entry = source.kind == PlaySource::Kind::File
                        ? source.file.filename().string()
                        : entry.FILENAME.value_or("") + "." + entry.EXTENSION.value_or("");
    session.key = entry.KEY.value_or("");
    return session;
}

PlayQueue::Opening openingToContinue(const PlayerSession& session, std::shared_ptr<const RecordList> records)
{
    if (session.queue == PlayerSession::Queue::Stream)
        return openingForStream(QUrl(QString::fromStdString(session.url)));
    PlayQueue::Opening opening = openingForFile(session.folder, records, session.entry);
    if (session.key.empty() || !records || opening.infos != records)
        return opening;
    const RecordList& list = *records;
    const MovieInfo& found = *list[opening.currentIndex];
    if (found.KEY == session.key)
        return opening;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const MovieInfo& keyed = *list[i];
        if (keyed.KEY == session.key && keyed.FILENAME == found.FILENAME) {
            opening.currentIndex = i;
            opening.videoPath = session.folder / (keyed.FILENAME.value_or("") + "." + keyed.EXTENSION.value_or(""));
            opening.urlLink = keyed.urlLink.value_or("");
            break;
        }
    }
    return opening;
}

} // namespace kavio::carplay
