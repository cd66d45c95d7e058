#include "support/TestSupport.h"

#include "library/FolderModel.h"

#include <gtest/gtest.h>

namespace kavio {
namespace {

class KavioStoreTool : public ::testing::Test {
protected:
    std::string tool(const std::string& args, int* code)
    {
        return test::run(std::string(KAVIO_STORE_TOOL) + " " + args + " 2>/dev/null", code);
    }
    std::string quoted() const { return "'" + folder.path().string() + "'"; }
    test::ScratchFolder folder;
};

TEST_F(KavioStoreTool, DumpAndListAFolder)
{
    test::fileRecords(folder.path(), {std::make_shared<MovieInfo>(test::makeRecord("Trip", "kKV20240101000000"))});
    test::writeFile(folder / "Trip.mp4", "");
    std::filesystem::create_directory(folder / "Sub");

    int code = -1;
    const std::string dump = tool("dump " + quoted(), &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(dump.find("\"readable\":true"), std::string::npos) << dump;
    EXPECT_NE(dump.find("\"key\":\"kKV20240101000000\""), std::string::npos) << dump;
    EXPECT_NE(dump.find("\"imgData\":null"), std::string::npos) << dump;

    const std::string ls = tool("ls " + quoted() + " --car", &code);
    EXPECT_EQ(code, 0);
    EXPECT_NE(ls.find("{\"detail\":\"Artist of Trip\",\"kind\":\"video\",\"name\":\"Trip.mp4\","
                      "\"record\":\"kKV20240101000000\",\"size\":\"Zero KB\",\"title\":\"Trip\"}"),
              std::string::npos)
        << ls;
    EXPECT_NE(ls.find("\"kind\":\"folder\",\"name\":\"Sub\""), std::string::npos) << ls;
}

TEST_F(KavioStoreTool, ExitCodes)
{
    test::writeFile(folder / "KavioSave.plist", "garbage");
    int code = -1;
    const std::string out = tool("dump " + quoted(), &code);
    EXPECT_EQ(code, 1);
    EXPECT_NE(out.find("\"readable\":false"), std::string::npos);
    EXPECT_EQ(test::readFile(folder / "KavioSave.plist"), "garbage");

    for (const char* usage : {"frobnicate", "", "ls a b"}) {
        tool(usage, &code);
        EXPECT_EQ(code, 2) << usage;
    }
}

} // namespace
} // namespace kavio
