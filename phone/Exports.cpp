#include "phone/Exports.h"

#include <cstdlib>

namespace kavio::phone {

namespace fs = std::filesystem;

fs::path makeExportFolder(const fs::path& destination)
{
    std::string pattern = (destination / (std::string(kExportFolderPrefix) + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        return {};
    return pattern;
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
