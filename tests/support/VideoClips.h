#pragma once
// Real video files for the tests that need the demuxers to find a video: made once per
// test run by ffmpeg, then copied where a test wants one.

#include "support/TestSupport.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace kavio::test {

// A one-second 160x120 H.264 clip with sound, written to file (any of .mp4, .mov, .m4v);
// false when ffmpeg is missing or fails. padTo grows the file with trailing zeros (which
// the demuxers skip) to that many bytes.
inline bool makeVideoClip(const std::filesystem::path& file, std::uintmax_t padTo = 0)
{
    // Removed when the test program ends.
    struct Made {
        std::filesystem::path clip = std::filesystem::temp_directory_path() /
                                     ("kavio-test-clip-" + std::to_string(::getpid()) + ".mp4");
        bool ok = false;
        Made()
        {
            int code = -1;
            run("ffmpeg -y -loglevel error -f lavfi -i testsrc=size=160x120:rate=10:duration=1 -f lavfi -i sine=d=1 "
                "-shortest -c:v libx264 -pix_fmt yuv420p -c:a aac -f mp4 '" + clip.string() + "' 2>&1",
                &code);
            ok = code == 0;
        }
        ~Made()
        {
            std::error_code ec;
            std::filesystem::remove(clip, ec);
        }
    };
    static const Made once;
    const std::filesystem::path made = once.ok ? once.clip : std::filesystem::path();
    std::error_code ec;
    if (made.empty() || !std::filesystem::copy_file(made, file, std::filesystem::copy_options::overwrite_existing, ec))
        return false;
    if (padTo > std::filesystem::file_size(made, ec))
        std::filesystem::resize_file(file, padTo, ec);
    return !ec;
}

} // namespace kavio::test
