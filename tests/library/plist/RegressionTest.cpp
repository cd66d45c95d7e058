// Inputs the fuzzers once found troublesome: each must be read or rejected, never crash,
// and what is read must survive both writers.

#include "PlistTestSupport.h"

namespace kavio::plist::testing {
namespace {

TEST(FuzzRegressions, EveryInputIsReadOrRejected)
{
    const std::filesystem::path dir = KAVIO_PLIST_REGRESSIONS_DIR;
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no regressions folder";
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (!e.is_regular_file() || e.path().filename() == "README.md") continue;
        const auto bytes = readWhole(e.path());
        const auto r = read(bytes, Limits::archive());
        if (!r.isOk()) continue;
        const auto bin = readBinary(writeBinary(**r), Limits::archive());
        ASSERT_TRUE(bin.isOk()) << e.path();
        EXPECT_EQ(**bin, **r) << e.path();
        if (!hasExactXmlForm(**r)) continue;
        const auto xml = readXml(writeXml(**r), Limits::archive());
        ASSERT_TRUE(xml.isOk()) << e.path();
        EXPECT_EQ(**xml, **r) << e.path();
    }
}

} // namespace
} // namespace kavio::plist::testing
