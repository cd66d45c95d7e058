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
    record->urlLink = url.toString().toStdString();
    PlayQueue::Opening opening;
    opening.urlLink = *record->urlLink;
    opening.infos = std::make_shared<const RecordList>(RecordList{record});
    return opening;
}

} // namespace kavio::carplay
