#include "Samples.h"

#include "library/AtomicFile.h"
#include "library/FolderChange.h"
#include "library/FolderModel.h"

#include <cstdlib>

namespace kavio {

namespace fs = std::filesystem;

fs::path defaultSamplesMarker()
{
    fs::path state;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg && fs::path(xdg).is_absolute()) {
        state = xdg;
    } else {
        const char* home = std::getenv("HOME");
        state = fs::path(home && *home ? home : "/tmp") / ".local" / "state";
    }
    return state / "Kavio" / "samples-installed";
}

namespace {

bool hasVisibleEntry(const fs::path& folder)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.empty() && name[0] != '.')
            return true;
    }
    return false;
}

Status writeMarker(const fs::path& marker)
{
    std::error_code ec;
    fs::create_directories(marker.parent_path(), ec);
    return writeFileAtomically(marker, "The sample library was offered once.\n");
}

} // namespace

Result<SamplesOutcome> installSamplesOnFirstRun(const fs::path& documents, const fs::path& marker,
                                                const std::vector<SampleVideo>& samples)
{
    std::error_code ec;
    if (fs::exists(marker, ec))
        return SamplesOutcome::AlreadyOffered;
    if (hasVisibleEntry(documents)) {
        // A library is already there: never offer samples on top of it.
        if (Status s = writeMarker(marker); !s)
            return s;
        return SamplesOutcome::DocumentsNotEmpty;
    }

    const fs::path folder = documents / kSamplesFolderName;
    fs::create_directories(folder, ec);
    if (ec)
        return Status::ioError("create " + folder.string() + ": " + ec.message());
    FolderModel model(folder);
    Result<FolderChange> change = FolderChange::begin(model, std::chrono::milliseconds(0));
    if (!change)
        return change.status();
    for (const SampleVideo& sample : samples) {
        MovieInfo record;
        record.FILENAME = sample.title;
        record.ARTIST = sample.artist;
        record.EXTENSION = "mp4";
        record.imgData = plist::Bytes(sample.thumbnail);
        record.KEY = change->newRecordKey();
        record.urlLink = "";
        change->saveMovieModules(record);
    }
    std::vector<fs::path> written;
    auto removeWritten = [&] {
        for (const fs::path& video : written)
            fs::remove(video, ec);
        return Status::ok();
    };
    const Status installed = change->commit(
        [&] {
            for (const SampleVideo& sample : samples) {
                const fs::path video = folder / (sample.title + ".mp4");
                if (Status s = writeFileAtomically(video, sample.video, FolderLocking::HeldByCaller); !s) {
                    (void)removeWritten(); // all the samples or none: it always reports ok
                    return s;
                }
                written.push_back(video);
            }
            return Status::ok();
        },
        removeWritten);
    if (!installed)
        return installed;
    if (Status s = writeMarker(marker); !s)
        return s;
    return SamplesOutcome::Installed;
}

} // namespace kavio
