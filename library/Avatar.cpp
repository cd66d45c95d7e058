#include "Avatar.h"

#include "library/SizeText.h"

#include <cstdlib>

namespace kavio {

namespace fs = std::filesystem;

Avatar& Avatar::shared()
{
    static Avatar* instance = new Avatar; // never destroyed: icons may be used during exit
    return *instance;
}

std::optional<fs::path> Avatar::documentsDirectory() const
{
    std::lock_guard lock(mutex_);
    return documentsDirectory_;
}

void Avatar::setDocumentsDirectory(fs::path path)
{
    std::lock_guard lock(mutex_);
    documentsDirectory_ = std::move(path);
}

QImage Avatar::folderIcon()
{
    std::lock_guard lock(mutex_);
    if (!folderIcon_)
        folderIcon_ = QImage(QStringLiteral(":/icons/folder.png"));
    return *folderIcon_;
}

QImage Avatar::mp4Icon()
{
    std::lock_guard lock(mutex_);
    if (!mp4Icon_)
        mp4Icon_ = QImage(QStringLiteral(":/icons/mp4.png"));
    return *mp4Icon_;
}

void Avatar::setFolderIcon(QImage icon)
{
    std::lock_guard lock(mutex_);
    folderIcon_ = std::move(icon);
}

void Avatar::setMp4Icon(QImage icon)
{
    std::lock_guard lock(mutex_);
    mp4Icon_ = std::move(icon);
}

QString Avatar::fileSizeAtFullPath(const fs::path& path) const
{
    return fileSizeText(path);
}

fs::path defaultDocumentsDirectory()
{
    fs::path dir;
    if (const char* env = std::getenv("KAVIO_DOCUMENTS"); env && *env) {
        dir = env;
    } else if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && fs::path(xdg).is_absolute()) {
        dir = fs::path(xdg) / "Kavio" / "Documents";
    } else {
        const char* home = std::getenv("HOME");
        dir = fs::path(home && *home ? home : "/tmp") / ".local" / "share" / "Kavio" / "Documents";
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    return dir;
}

} // namespace kavio
