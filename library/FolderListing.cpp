#include "FolderListing.h"

#include "library/Utf8.h"

#include <algorithm>

namespace kavio {

namespace fs = std::filesystem;

QString FolderEntry::displayName() const
{
    return fromUtf8(name);
}

std::string FolderEntry::baseName() const
{
    return baseNameOf(name);
}

std::string baseNameOf(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return std::string(name);
    return std::string(name.substr(0, dot));
}

bool isVideoFileName(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return false;
    std::string ext(name.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return ext.find("mp4") != std::string::npos || ext.find("mov") != std::string::npos ||
           ext.find("m4v") != std::string::npos;
}

Listing listFolder(const fs::path& folder)
{
    Listing listing;
    std::error_code ec;
    if (folder.empty() || !fs::exists(fs::symlink_status(folder, ec)))
        return listing;
    listing.folderExists = true;

    fs::directory_iterator it(folder, ec);
    if (ec)
        return listing;
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        // The directory's own type hint avoids a stat per entry; symlinks are followed.
        std::error_code typeError;
        const bool regular = it->is_regular_file(typeError) && !typeError;
        if (regular && !isVideoFileName(name))
            continue;
        listing.entries.push_back({it->path(), std::move(name), regular ? EntryKind::Video : EntryKind::Folder});
    }
    return listing;
}

} // namespace kavio
