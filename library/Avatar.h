#pragma once
// Shared resources of the process: the documents directory both browsers start from, the
// row icons, and the size text of a file.

#include <QImage>
#include <QString>

#include <filesystem>
#include <mutex>
#include <optional>

namespace kavio {

class Avatar {
public:
    // Created at the first call, safely even when threads race to it; lives until exit.
    static Avatar& shared();

    Avatar(const Avatar&) = delete;
    Avatar& operator=(const Avatar&) = delete;

    std::optional<std::filesystem::path> documentsDirectory() const;
    void setDocumentsDirectory(std::filesystem::path path);

    // Loaded from the resources "icons/folder.png" and "icons/mp4.png" at first use.
    QImage folderIcon();
    QImage mp4Icon();
    void setFolderIcon(QImage icon);
    void setMp4Icon(QImage icon);

    QString fileSizeAtFullPath(const std::filesystem::path& path) const;

private:
    Avatar() = default;

    mutable std::mutex mutex_;
    std::optional<std::filesystem::path> documentsDirectory_;
    std::optional<QImage> folderIcon_;
    std::optional<QImage> mp4Icon_;
};

// $KAVIO_DOCUMENTS, else $XDG_DATA_HOME/Kavio/Documents (default
// ~/.local/share/Kavio/Documents). Created when missing.
std::filesystem::path defaultDocumentsDirectory();

} // namespace kavio
