// The seams the other tests stand on: a scripted failure touches nothing.

#include "support/ScriptedFileSystem.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

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
        {Operation::Copy, [](FileSystem& f, const fs::path& d) { return f.copy(d / "a.mp4", d / "b.mp4", nullptr); }},
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

} // namespace
} // namespace kavio::test
