#pragma once
// The real file system with one operation made to fail, for the paths no disk fails on
// cue: a placeholder that cannot be created, a move refused, a removal refused.

#include "library/FileSystem.h"

#include <optional>
#include <string>

namespace kavio::test {

class ScriptedFileSystem final : public FileSystem {
public:
    enum class Operation { CreateEmptyFile, Copy, Move, Remove };

    // The next call of that operation fails with status before it reaches the disk.
    void failNext(Operation op, Status status)
    {
        failing_ = op;
        status_ = std::move(status);
    }

    bool exists(const std::filesystem::path& path) override { return realFileSystem().exists(path); }
    Status createEmptyFile(const std::filesystem::path& path) override
    {
        if (std::optional<Status> s = take(Operation::CreateEmptyFile))
            return *s;
        return realFileSystem().createEmptyFile(path);
    }
    Result<StagedCopy> stageCopy(const std::filesystem::path& from, const std::filesystem::path& to,
                                 CopyControl* control) override
    {
        if (std::optional<Status> s = take(Operation::Copy))
            return *s;
        return realFileSystem().stageCopy(from, to, control);
    }
    Status move(const std::filesystem::path& from, const std::filesystem::path& to, CopyControl* control) override
    {
        if (std::optional<Status> s = take(Operation::Move))
            return *s;
        return realFileSystem().move(from, to, control);
    }
    Status remove(const std::filesystem::path& path) override
    {
        if (std::optional<Status> s = take(Operation::Remove))
            return *s;
        return realFileSystem().remove(path);
    }

private:
    std::optional<Status> take(Operation op)
    {
        if (failing_ != op)
            return std::nullopt;
        failing_.reset();
        return status_;
    }

    std::optional<Operation> failing_;
    Status status_;
};

} // namespace kavio::test
