#include "phone/Exports.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kavio::phone {

namespace fs = std::filesystem;

namespace {

constexpr std::chrono::milliseconds kWaitForDestination{10000};

} // namespace

Result<std::shared_ptr<ExportFolder>> ExportFolder::make(const fs::path& destination)
{
    const Result<FolderLock> shared = FolderLock::acquire(destination, LockMode::Shared, kWaitForDestination);
    if (!shared)
        return shared.status();
    std::string pattern = (destination / (std::string(kExportFolderPrefix) + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        return Status::ioError("this folder cannot be written: " + std::string(std::strerror(errno)));
    const int fd = ::open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        ::rmdir(pattern.c_str());
        return Status::ioError("the export cannot be opened: " + std::string(std::strerror(error)));
    }
    holdWhileWorking(fd);
    return std::make_shared<ExportFolder>(pattern, fd);
}

ExportFolder::ExportFolder(fs::path path, int fd) : path_(std::move(path)), fd_(fd) {}

ExportFolder::~ExportFolder()
{
    std::error_code ec;
    for (fs::directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->symlink_status(typeError).type() == fs::file_type::regular)
            fs::remove(it->path(), typeError);
    }
    fs::remove(path_, ec); // only while empty
    ::close(fd_);
}

Result<Export> exportVideo(const fs::path& video, const fs::path& destination, CopyControl* control)
{
    Result<std::shared_ptr<ExportFolder>> folder = ExportFolder::make(destination);
    if (!folder)
        return folder.status();
    Export made{*folder, folder.value()->path() / video.filename()};
    // The export's own folder belongs to no library: the copy takes its name at once.
    if (Status s = copyFileNoReplace(video, made.file, control); !s)
        return s;
    return made;
}

void discardExport(const fs::path& exportFile)
{
    std::error_code ec;
    const fs::path folder = exportFile.parent_path();
    if (!folder.filename().string().starts_with(kExportFolderPrefix))
        return; // not an export: never remove someone's file
    fs::remove(exportFile, ec);
    fs::remove(folder, ec); // only while empty
}

} // namespace kavio::phone
