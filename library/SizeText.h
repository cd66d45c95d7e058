#pragma once
// File sizes as Apple's file-style byte count shows them: decimal units, "Zero KB",
// "1 byte", "999 bytes", "12 KB", "1.5 MB", "1.23 GB".

#include <QString>

#include <cstdint>
#include <filesystem>
#include <string>

namespace kavio {

std::string byteCountText(std::uint64_t bytes);

// The size text of the item at path (symlinks followed); "error" when it cannot be read.
QString fileSizeText(const std::filesystem::path& path);

} // namespace kavio
