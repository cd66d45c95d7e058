#pragma once
// A benchmark's scratch space: a new folder of its own inside the one named on the command
// line (or the system's temporary folder), so that clearing it never touches what was there.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace kavio::bench {

inline std::filesystem::path newScratchFolder(int argc, char** argv, const std::string& name)
{
    const std::filesystem::path base = argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(base);
    std::string pattern = (base / (name + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror(pattern.c_str());
        std::exit(1);
    }
    return pattern;
}

} // namespace kavio::bench
