// The seams the other tests stand on: a scripted failure touches nothing, a changed
// environment is put back, and a program a test starts lives in the test's own home.

#include "support/ScriptedFileSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace kavio::test {
namespace {

namespace fs = std::filesystem;
using Operation = ScriptedFileSystem::Operation;

std::string listing(const fs::path& folder)
{
    std::string out;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        out += fs::relative(entry.path(), folder).string() + "=" + (entry.is_regular_file() ? readFile(entry.path()) : "/") + "\n";
    return out;
}

TEST(ScriptedFileSystem, AScriptedFailureTouchesNothingAndOnlyTheNextCallFails)
{
    struct Row {
        Operation op;
        std::function<Status(FileSystem&, const fs::path&)> call;
    };
    const Row rows[] = {
        {Operation::CreateEmptyFile, [](FileSystem& f, const fs::path& d) { return f.createEmptyFile(d / "new.mp4"); }},
        {Operation::Copy,
         [](FileSystem& f, const fs::path& d) {
             Result<StagedCopy> staged = f.stageCopy(d / "a.mp4", d / "b.mp4", nullptr);
             return staged ? staged->placeAs(d / "b.mp4") : staged.status();
         }},
        {Operation::Move, [](FileSystem& f, const fs::path& d) { return f.move(d / "a.mp4", d / "b.mp4", nullptr); }},
        {Operation::Remove, [](FileSystem& f, const fs::path& d) { return f.remove(d / "a.mp4"); }},
    };
    for (const Row& row : rows) {
        ScratchFolder folder;
        writeFile(folder / "a.mp4", "video");
        const std::string before = listing(folder.path());
        ScriptedFileSystem files;
        files.failNext(row.op, Status::ioError("scripted"));
        EXPECT_EQ(row.call(files, folder.path()).toString(), "I/O error: scripted") << int(row.op);
        EXPECT_EQ(listing(folder.path()), before) << int(row.op);
        EXPECT_TRUE(row.call(files, folder.path()).isOk()) << int(row.op);
        EXPECT_NE(listing(folder.path()), before) << int(row.op);
    }
}

TEST(ScopedEnv, PutsBackWhatWasSetAndWhatWasNot)
{
    ::setenv("KAVIO_TEST_SET", "old", 1);
    ::unsetenv("KAVIO_TEST_UNSET");
    {
        const ScopedEnv env{{"KAVIO_TEST_SET", std::nullopt}, {"KAVIO_TEST_UNSET", "new"}, {"KAVIO_TEST_UNSET", "newer"}};
        EXPECT_EQ(std::getenv("KAVIO_TEST_SET"), nullptr);
        EXPECT_STREQ(std::getenv("KAVIO_TEST_UNSET"), "newer");
    }
    EXPECT_STREQ(std::getenv("KAVIO_TEST_SET"), "old");
    EXPECT_EQ(std::getenv("KAVIO_TEST_UNSET"), nullptr);
    ::unsetenv("KAVIO_TEST_SET");
}

TEST(ScratchHome, AStartedProgramSeesOnlyTheScratchHome)
{
    const ScopedEnv named{{"KAVIO_DOCUMENTS", "/home/someone/Videos/Kavio"}};
    const ScratchHome home;
    const std::string seen = run("printf '%s|' \"$HOME\" \"$XDG_DATA_HOME\" \"$XDG_CONFIG_HOME\" \"$XDG_STATE_HOME\" "
                                 "\"$XDG_CACHE_HOME\" \"${KAVIO_DOCUMENTS-unset}\"");
    const std::string root = home.path().string();
    EXPECT_EQ(seen, root + "/home|" + root + "/data|" + root + "/config|" + root + "/state|" + root + "/cache|unset|");
}

} // namespace
} // namespace kavio::test
