#pragma once
// Follows one folder on disk: entries added, removed or renamed in it, and the folder's
// store file rewritten, in this process or any other. Bursts (a save writes a temporary
// file, renames it, syncs) come out as one changed() after a short quiet time, so a
// browser reloads once, not once per system call.
//
// A folder that is missing (a USB stick not plugged in yet, or pulled out) is waited
// for: the nearest folder above it that exists is watched, and so is the system's mount
// table, since mounting a stick over an existing mount point changes no folder.

#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>
#include <optional>
#include <utility>

#include <sys/types.h>

class QFile;
class QFileSystemWatcher;
class QSocketNotifier;
class QTimer;

namespace kavio::platform {

class FolderWatcher final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kQuietTime{150};

    // fileInFolder: a file whose content matters too (the store); watched when it exists
    // and again whenever it is replaced.
    FolderWatcher(std::filesystem::path folder, std::filesystem::path fileInFolder, QObject* parent);
    ~FolderWatcher() override;
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

Q_SIGNALS:
    // Something changed (the folder itself may be gone: the owner finds out as it reloads).
    void changed();

private:
    // The folder as found on disk: its device and inode, or nothing while it is missing.
    using Identity = std::optional<std::pair<dev_t, ino_t>>;

    void setupWatcher();
    void setupMountTable();
    void rewatch();
    void somethingChanged(const QString& path);
    void quietTimeOver();
    Identity identity() const;

    std::filesystem::path folder_;
    std::filesystem::path file_;
    QFileSystemWatcher* watcher_ = nullptr; // child
    QTimer* quiet_ = nullptr;               // child
    QFile* mountTable_ = nullptr;           // child
    QSocketNotifier* mounts_ = nullptr;     // child
    Identity seen_;
    bool touched_ = false; // the folder or its file itself changed, not only a folder above
};

} // namespace kavio::platform
