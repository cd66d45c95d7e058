#include "PlayerOpening.h"

#include "library/FolderListing.h"
#include "library/ListingOrder.h"

namespace kavio::carplay {

namespace fs = std::filesystem;

namespace {

// A file copied in by hand, or a folder without a store: titled after its file name.
RecordPtr recordFromFileName(const std::string& fileName)
{
    auto record = std::make_shared<MovieInfo>();
    const std::string base = baseNameOf(fileName);
    record->FILENAME = base;
    record->EXTENSION = base.size() < fileName.size() ? fileName.substr(base.size() + 1) : std::string();
    return record;
}

RecordPtr queueEntryFor(const FolderEntry& entry, const RecordList& records)
{
    if (const std::optional<std::size_t> index = findRecord(records, entry.baseName()))
        return records[*index];
    return recordFromFileName(entry.name);
}

void startAt(PlayQueue::Opening& opening, const fs::path& folder, std::size_t index)
{
    const MovieInfo& chosen = *(*opening.infos)[index];
    opening.videoPath = folder / (chosen.FILENAME.value_or("") + "." + chosen.EXTENSION.value_or(""));
    opening.urlLink = chosen.urlLink.value_or("");
    opening.currentIndex = index;
}

} // namespace

PlayQueue::Opening openingForFile(const fs::path& folder, std::shared_ptr<const RecordList> records,
                                  const std::string& fileName)
{
    const RecordList none;
    const RecordList& known = records ? *records : none;
    // Read at the moment of choosing, in the order the browsers list it.
    Listing listing = listFolder(folder);
    sortListing(listing.entries, known);

    auto queue = std::make_shared<RecordList>();
    std::optional<std::size_t> chosen;
    for (const FolderEntry& entry : listing.entries) {
        if (entry.kind != EntryKind::Video)
            continue;
        if (!chosen && entry.name == fileName)
            chosen = queue->size();
        queue->push_back(queueEntryFor(entry, known));
    }

    PlayQueue::Opening opening;
    opening.DOC_PATH = folder;
    if (!chosen) {
        queue->assign(1, recordFromFileName(fileName));
        chosen = 0;
    }
    opening.infos = std::move(queue);
    startAt(opening, folder, *chosen);
    if (!findRecord(known, baseNameOf(fileName)))
        opening.videoPath = folder / fileName; // its own bytes, whatever its name
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
    if (session.key.empty() || !records || !opening.infos || opening.currentIndex >= opening.infos->size())
        return opening;
    const MovieInfo& found = *(*opening.infos)[opening.currentIndex];
    if (found.KEY == session.key)
        return opening;
    // Records of one title: the key says which one was playing.
    for (const RecordPtr& keyed : *records) {
        if (keyed->KEY == session.key && keyed->FILENAME == found.FILENAME) {
            auto queue = std::make_shared<RecordList>(*opening.infos);
            (*queue)[opening.currentIndex] = keyed;
            opening.infos = std::move(queue);
            opening.videoPath = session.folder / (keyed->FILENAME.value_or("") + "." + keyed->EXTENSION.value_or(""));
            opening.urlLink = keyed->urlLink.value_or("");
            break;
        }
    }
    return opening;
}

} // namespace kavio::carplay
