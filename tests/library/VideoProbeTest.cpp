// What a file named like a video really holds, read by the demuxers: a video, or a word on
// why not. Against real files made by ffmpeg.

#include "support/TestSupport.h"
#include "support/VideoClips.h"

#include "library/VideoProbe.h"

#include <gtest/gtest.h>

namespace kavio {
namespace {

namespace fs = std::filesystem;
using test::run;
using test::writeFile;

class VideoProbeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!test::makeVideoClip(scratch / "clip.mp4"))
            GTEST_SKIP() << "ffmpeg could not make a clip";
    }
    // ffmpeg makes file from these arguments; false when it cannot.
    bool ffmpeg(const std::string& arguments, const fs::path& file)
    {
        int code = -1;
        run("ffmpeg -y -loglevel error " + arguments + " '" + file.string() + "' 2>&1", &code);
        return code == 0;
    }

    test::ScratchFolder scratch;
};

// The name says nothing; the bytes do.
TEST_F(VideoProbeTest, OnlyFilesHoldingAPlayableVideoPassAndTheOthersAreRefusedWithTheirName)
{
    fs::copy_file(scratch / "clip.mp4", scratch / "Clip.MOV");
    fs::copy_file(scratch / "clip.mp4", scratch / "clip.m4v");
    ASSERT_TRUE(test::makeVideoClip(scratch / "padded.mp4", 3 << 20));
    for (const char* name : {"clip.mp4", "Clip.MOV", "clip.m4v", "padded.mp4"})
        EXPECT_TRUE(probeVideo(scratch / name).isOk()) << name;

    writeFile(scratch / "notes.mp4", "8 bytes.");
    writeFile(scratch / "empty.mp4", "");
    writeFile(scratch / "zeros.mp4", "");
    fs::resize_file(scratch / "zeros.mp4", std::uintmax_t(2) << 30); // sparse: 2 GB of zeros
    const std::string clip = test::readFile(scratch / "clip.mp4");
    writeFile(scratch / "cut.mp4", clip.substr(0, clip.size() / 3));
    std::vector<std::string> refused = {"notes.mp4", "empty.mp4", "zeros.mp4", "cut.mp4"};
    if (ffmpeg("-f lavfi -i sine=d=1 -c:a aac -f mp4", scratch / "sound only.mp4"))
        refused.push_back("sound only.mp4");
    if (ffmpeg("-f lavfi -i color=c=red:s=64x64:d=0.1 -frames:v 1 -f image2", scratch / "picture.png")) {
        fs::rename(scratch / "picture.png", scratch / "picture.mov");
        refused.push_back("picture.mov");
    }
    for (const std::string& name : refused) {
        const Status probed = probeVideo(scratch / name);
        EXPECT_EQ(probed.code(), Status::Code::Unsupported) << name;
        EXPECT_EQ(probed.message(), "\"" + name + "\" holds no video Kavio can play.");
    }
    EXPECT_EQ(probeVideo(scratch / "gone.mp4").code(), Status::Code::NotFound);
    fs::create_directory(scratch / "folder.mp4");
    EXPECT_EQ(probeVideo(scratch / "folder.mp4").code(), Status::Code::NotFound);
}

} // namespace
} // namespace kavio
