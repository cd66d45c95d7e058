#pragma once
// Follows one folder on disk: entries added, removed or renamed in it, and the folder's
// store file rewritten, in this process or any other. Bursts (a save writes a temporary
// file, renames it, syncs) come out as one changed() after a short quiet time, so a
// browser reloads once, not once per system call.

#include <QObject>
#include <QString>

#include <chrono>
#include <filesystem>

class QFileSystemWatcher;
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
    void setupWatcher();
    void rewatch();
    void somethingChanged();

    QString folder_;
    QString file_;
    QFileSystemWatcher* watcher_ = nullptr; // child
    QTimer* quiet_ = nullptr;               // child
};

} // namespace kavio::platform
