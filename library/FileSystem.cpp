#include "FileSystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kavio {

namespace fs = std::filesystem;

namespace {

class RealFileSystem final : public FileSystem {
public:
    bool exists(const fs::path& path) override
    {
        std::error_code ec;
        return fs::exists(fs::symlink_status(path, ec));
    }

    Status createEmptyFile(const fs::path& path) override
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            return errno == EEXIST ? Status::alreadyExists(path.string()) : Status::ioError(std::strerror(errno));
        ::close(fd);
        return Status::ok();
    }

    Result<StagedCopy> stageCopy(const fs::path& from, const fs::path& to, CopyControl* control) override
    {
        return kavio::stageCopy(from, to, control);
    }

    Status move(const fs::path& from, const fs::path& to, CopyControl* control) override
    {
        return moveFileNoReplace(from, to, control);
    }

    Status remove(const fs::path& path) override
    {
        std::error_code ec;
        if (!fs::remove(path, ec) && ec)
            return Status::ioError(ec.message());
        return Status::ok();
    }
};

} // namespace

FileSystem& realFileSystem()
{
    static RealFileSystem real;
    return real;
}

} // namespace kavio
