#pragma once
// A lock that another process holds on a folder or file until this object goes: what a
// writer at work, or one hung, looks like from here.

#include <filesystem>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kavio::test {

class HeldLock {
public:
    // operation: LOCK_EX as a change of the folder holds it, LOCK_SH as the maker of a
    // copy or an export holds its temporary.
    explicit HeldLock(const std::filesystem::path& path, int operation = LOCK_EX)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        child_ = ::fork();
        if (child_ == 0) { // only async-signal-safe calls from here on
            ::close(ready[0]);
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            const char held = fd >= 0 && ::flock(fd, operation) == 0 ? 1 : 0;
            (void)!::write(ready[1], &held, 1);
            while (true)
                ::pause();
        }
        ::close(ready[1]);
        char held = 0;
        held_ = child_ > 0 && ::read(ready[0], &held, 1) == 1 && held == 1;
        ::close(ready[0]);
    }
    ~HeldLock() { release(); }
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

    bool held() const { return held_; }
    // The holder dies, as a killed writer does: the lock goes with it.
    void release()
    {
        if (child_ > 0) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
            child_ = -1;
        }
        held_ = false;
    }

private:
    pid_t child_ = -1;
    bool held_ = false;
};

} // namespace kavio::test
