// Files written by other people's tools (Foundation, Python archivers, hand-edited broken
// archives) are read in place from the shared fixtures folder.

#include "PlistTestSupport.h"

namespace kavio::plist::testing {
namespace {

class Fixtures : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::is_directory(root_)) GTEST_SKIP() << "no fixtures at " << root_;
    }

    const std::filesystem::path root_ = KAVIO_FIXTURES_DIR;
};

// The broken archives are broken at the keyed-archive level only: as property lists
// they are valid, so every file must read.
TEST_F(Fixtures, EveryFileReadsAndSurvivesBothWriters)
{
    std::size_t files = 0; // the folders hold licenses and generator sources too
    for (const auto& e : std::filesystem::recursive_directory_iterator(root_)) {
        const auto& path = e.path();
        if (!e.is_regular_file() || (path.extension() != ".plist" && path.extension() != ".xml")) continue;
        ++files;
        const auto r = readFile(path, Limits::archive());
        ASSERT_TRUE(r.isOk()) << path << ": " << r.status().toString();
        for (const auto& bytes : {writeBinary(**r), writeXml(**r)}) {
            const auto back = read(bytes, Limits::archive());
            ASSERT_TRUE(back.isOk()) << path;
            EXPECT_EQ(**back, **r) << path;
        }
    }
    EXPECT_GE(files, 60u);
}

TEST_F(Fixtures, BinaryAndXmlTwinsReadEqual)
{
    // Foundation wrote each kiler129 archive in both formats.
    for (const auto& e : std::filesystem::directory_iterator(root_ / "kiler129-reference")) {
        const auto name = e.path().filename().string();
        if (!name.ends_with(".bin.plist")) continue;
        const auto twin = e.path().parent_path() / (name.substr(0, name.size() - 10) + ".xml.plist");
        const auto a = readFile(e.path(), Limits::archive());
        const auto b = readFile(twin, Limits::archive());
        ASSERT_TRUE(a.isOk() && b.isOk()) << name;
        EXPECT_EQ(**a, **b) << name;
    }
}

} // namespace
} // namespace kavio::plist::testing
