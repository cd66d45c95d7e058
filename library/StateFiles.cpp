#include "library/StateFiles.h"

#include "library/AtomicFile.h"
#include "library/PlainText.h"
#include "library/plist/Codec.h"

#include <QDateTime>

#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

namespace kavio {

namespace fs = std::filesystem;

fs::path stateDirectory()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    fs::path base = state && *state ? fs::path(state) : fs::path();
    if (base.empty()) {
        const char* home = std::getenv("HOME");
        base = fs::path(home ? home : "/tmp") / ".local" / "state";
    }
    return base / "Kavio";
}

std::optional<plist::Dictionary> readStateFile(const fs::path& file, std::optional<fs::path>& setAside)
{
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(file, ec)))
        return std::nullopt;
    Result<plist::ValuePtr> root = plist::readFile(file, plist::Limits::store());
    if (root && (*root)->dictionary())
        return *(*root)->dictionary();
    const fs::path aside =
        file.string() + ".damaged-" + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")).toStdString();
    fs::rename(file, aside, ec);
    if (!ec)
        setAside = aside;
    return std::nullopt;
}

Status writeStateFile(const fs::path& file, std::string_view bytes)
{
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec); // a failure shows in the write's status
    return writeFileAtomically(file, bytes);
}

bool fitsStateFile(std::string_view text)
{
    return isValidUtf8(text) && plist::hasExactXmlForm(*plist::Value::makeString(std::string(text)));
}

std::string serialiseState(plist::Dictionary dictionary)
{
    return plist::writeXml(*plist::Value::makeDictionary(std::move(dictionary)));
}

namespace {

// One writer thread at a time; a newer producer replaces one still waiting.
class BackgroundWriter {
public:
    static BackgroundWriter& instance()
    {
        static BackgroundWriter writer;
        return writer;
    }

    void write(fs::path file, std::function<std::string()> produce)
    {
        std::unique_lock lock(mutex_);
        pending_[std::move(file)] = std::move(produce);
        if (!running_) {
            running_ = true;
            if (worker_.joinable())
                worker_.join();
            worker_ = std::thread([this] { run(); });
        }
    }

    void wait()
    {
        std::unique_lock lock(mutex_);
        idle_.wait(lock, [this] { return !running_; });
    }

    ~BackgroundWriter()
    {
        wait();
        if (worker_.joinable())
            worker_.join();
    }

private:
    void run()
    {
        std::unique_lock lock(mutex_);
        while (!pending_.empty()) {
            auto next = pending_.begin();
            const fs::path file = next->first;
            const std::function<std::string()> produce = std::move(next->second);
            pending_.erase(next);
            lock.unlock();
            // A failed write is tried again with the next save.
            (void)writeStateFile(file, produce());
            lock.lock();
        }
        running_ = false;
        idle_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable idle_;
    std::map<fs::path, std::function<std::string()>> pending_;
    bool running_ = false;
    std::thread worker_;
};

} // namespace

void writeStateInBackground(const fs::path& file, std::function<std::string()> produce)
{
    BackgroundWriter::instance().write(file, std::move(produce));
}

void waitForStateWrites()
{
    BackgroundWriter::instance().wait();
}

} // namespace kavio
