// Store and settings saves, killed or failed at each system call under strace: the file
// is always the old bytes or the new ones, and no temporary file outlives the next opening
// of the folder for a change (the settings: the next load).

#include "support/TestSupport.h"

#include "library/AtomicFile.h"
#include "library/FolderChange.h"
#include "library/Settings.h"
#include "library/plist/Codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <map>
#include <optional>
#include <sstream>

namespace kavio {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

// The calls a save is killed or failed at; "?" skips names this architecture lacks.
constexpr char kSyscalls[] = "write,fsync,?fdatasync,?rename,?renameat,?renameat2,close,openat,fchmod";

struct SaveCase {
    bool store; // or the settings
    bool fileExists; // or the first creation
    const char* name;
};

// One traced system call of the probe's save, and how many calls of its name came
// before it in the process (strace's when= counts from the start of the process).
struct Call {
    std::string name;
    std::string line;
    int ordinal = 0;
};

struct TraceRun {
    int exitCode = 0; // -1: killed
    std::vector<std::string> lines; // without the pid prefix and without signal and exit notes
};

std::string syscallName(const std::string& line) { return line.substr(0, line.find('(')); }
bool onTemporary(const std::string& line) { return line.find(".tmp-") != std::string::npos; }
bool isRename(const Call& c) { return c.name == "rename" || c.name == "renameat" || c.name == "renameat2"; }

// Whether a line of another run is the same call: same name, same kind of target (the
// temporary file or not). Counts are per process, so a drift would show here.
bool sameCall(const Call& c, const std::string& line)
{
    return syscallName(line) == c.name && onTemporary(line) == onTemporary(c.line);
}

class CrashSafeWrite : public ::testing::TestWithParam<SaveCase> {
protected:
    void SetUp() override
    {
        int code = 0;
        test::run("strace -o /dev/null true 2>&1", &code);
        if (code != 0)
            GTEST_SKIP() << "strace is missing or cannot trace here (scripts/install-deps installs it)";
        clearStoreCache();
        reference_ = newFolder();
        oldBytes_ = GetParam().fileExists ? readFile(filePath(reference_)) : std::string();
        const TraceRun run = traceProbe(reference_, "");
        ASSERT_EQ(run.exitCode, 0);
        newBytes_ = readFile(filePath(reference_));
        ASSERT_NE(newBytes_, oldBytes_);
        // The traced calls between the probe's two getppid() marks.
        std::map<std::string, int> seen;
        int marks = 0;
        for (const std::string& line : run.lines) {
            const std::string name = syscallName(line);
            if (name == "getppid")
                ++marks;
            else if (const int ordinal = ++seen[name]; marks == 1)
                saveCalls_.push_back({name, line, ordinal});
        }
        ASSERT_EQ(marks, 2);
        ASSERT_FALSE(saveCalls_.empty());
    }

    const char* mode() const { return GetParam().store ? "store" : "settings"; }
    fs::path filePath(const fs::path& folder) const { return GetParam().store ? folder / kStoreFileName : settingsFilePath(folder); }

    // A unique folder in the state the case starts from.
    fs::path newFolder()
    {
        const fs::path folder = scratch_ / (std::string(GetParam().name) + "-" + std::to_string(folders_++));
        fs::create_directories(folder);
        if (GetParam().fileExists && GetParam().store) {
            test::fileRecords(folder, {test::record("old clip")});
        } else if (GetParam().fileExists) {
            writeFile(filePath(folder), plist::writeXml(*plist::Value::makeDictionary(
                                            {{kHandKey, plist::Value::makeBoolean(false)}, {"other", plist::Value::makeString("kept")}})));
        }
        return folder;
    }

    TraceRun traceProbe(const fs::path& folder, const std::string& options) const
    {
        const fs::path log = folder.string() + ".strace";
        TraceRun run;
        test::run("exec strace -f -qq -y -o '" + log.string() + "' -e trace=" + kSyscalls + ",getppid " + options + " '" +
                      KAVIO_SAVE_PROBE + "' " + mode() + " '" + folder.string() + "' 2>/dev/null",
                  &run.exitCode);
        std::istringstream in(readFile(log));
        for (std::string line; std::getline(in, line);) {
            const std::size_t start = line.find_first_not_of("0123456789 ");
            if (start != std::string::npos && line.compare(start, 3, "+++") != 0 && line.compare(start, 3, "---") != 0)
                run.lines.push_back(line.substr(start));
        }
        return run;
    }

    bool hasTemporary(const fs::path& folder) const
    {
        const std::string prefix = temporaryPrefix(filePath(folder));
        return std::any_of(fs::directory_iterator(folder), fs::directory_iterator(),
                           [&](const auto& e) { return e.path().filename().string().rfind(prefix, 0) == 0; });
    }

    // Exactly the old bytes (absent before the first creation) or exactly the new ones.
    bool holds(const fs::path& folder, const std::string& bytes) const
    {
        return fs::exists(filePath(folder)) && readFile(filePath(folder)) == bytes;
    }
    bool isOld(const fs::path& folder) const { return GetParam().fileExists ? holds(folder, oldBytes_) : !fs::exists(filePath(folder)); }
    bool isNew(const fs::path& folder) const { return holds(folder, newBytes_); }

    std::string at(const Call& c) const { return c.name + " #" + std::to_string(c.ordinal) + ": " + c.line; }

    // What the next start does with the folder (the phone window opens it to change it; the
    // settings are loaded): whether it can read what it finds there.
    bool nextStartReads(const fs::path& folder) const
    {
        clearStoreCache(); // as in a new process
        if (!GetParam().store) {
            const bool absent = !fs::exists(filePath(folder)); // first: a save beside may create it
            return readSettings(filePath(folder)) || absent;
        }
        tidyFolder(folder);
        return loadStore(filePath(folder)).prefsDict != nullptr;
    }

    test::ScratchFolder scratch_;
    int folders_ = 0;
    std::string oldBytes_;
    std::string newBytes_;
    std::vector<Call> saveCalls_;
    fs::path reference_; // saved once untouched, for the call list and the sync order
};

// Killed at a call, the save leaves the old or the new file, and no leftover after the next
// start of the application (the phone window opens the folder to change it). Failed at a
// call with no space or an I/O error, it fails with the old file or succeeds with the new:
// after the rename, which cannot be undone, the new file is in place, but a failed folder
// sync must still be reported.
TEST_P(CrashSafeWrite, KilledOrFailedAtEveryCallLeavesOldOrNewFileAndNoLeftover)
{
    const auto rename = std::find_if(saveCalls_.begin(), saveCalls_.end(), isRename);
    ASSERT_NE(rename, saveCalls_.end()) << "the save never renamed";
    for (const std::string fault : {"signal=KILL", "error=ENOSPC", "error=EIO"}) {
        for (auto c = saveCalls_.begin(); c != saveCalls_.end(); ++c) {
            SCOPED_TRACE(fault + " at " + at(*c));
            const fs::path folder = newFolder();
            const TraceRun run = traceProbe(folder, "-e inject=" + c->name + ":" + fault + ":when=" + std::to_string(c->ordinal));
            ASSERT_FALSE(run.lines.empty());
            if (fault == "signal=KILL") {
                ASSERT_EQ(run.exitCode, -1) << "not killed";
                EXPECT_TRUE(sameCall(*c, run.lines.back())) << "killed at " << run.lines.back();
                EXPECT_TRUE(isOld(folder) || isNew(folder)) << "partial or missing file";
                EXPECT_TRUE(nextStartReads(folder));
            } else {
                const auto isInjected = [](const std::string& l) { return l.find("(INJECTED)") != std::string::npos; };
                ASSERT_EQ(std::count_if(run.lines.begin(), run.lines.end(), isInjected), 1);
                const std::string& injected = *std::find_if(run.lines.begin(), run.lines.end(), isInjected);
                EXPECT_TRUE(sameCall(*c, injected)) << injected;
                ASSERT_TRUE(run.exitCode == 0 || run.exitCode == 1) << "exit " << run.exitCode;
                if (c > rename && c->name == "fsync") {
                    EXPECT_EQ(run.exitCode, 1);
                }
                EXPECT_TRUE((c > rename || run.exitCode == 0) ? isNew(folder) : isOld(folder)) << "exit " << run.exitCode;
            }
            EXPECT_FALSE(hasTemporary(folder)) << "leftover";
        }
    }
}

// Windows opening the folder elsewhere remove leftovers, never a running save's temporary
// file. The save is held a second between closing it and the rename.
TEST_P(CrashSafeWrite, ConcurrentLoadsNeverRemoveTheTemporaryOfARunningSave)
{
    const auto closeOfTemporary = std::find_if(saveCalls_.begin(), saveCalls_.end(),
                                               [](const Call& c) { return c.name == "close" && onTemporary(c.line); });
    ASSERT_NE(closeOfTemporary, saveCalls_.end());
    const fs::path folder = newFolder();
    const std::string inject = "-e inject=close:delay_exit=1000000:when=" + std::to_string(closeOfTemporary->ordinal);
    auto save = std::async(std::launch::async, [&] { return traceProbe(folder, inject).exitCode; });
    int loads = 0;
    for (; save.wait_for(std::chrono::seconds(0)) != std::future_status::ready; ++loads)
        EXPECT_TRUE(nextStartReads(folder)) << "a load beside the save found neither file";
    EXPECT_EQ(save.get(), 0) << "the save failed while " << loads << " loads ran beside it";
    EXPECT_TRUE(isNew(folder));
    EXPECT_FALSE(hasTemporary(folder));
}

TEST_P(CrashSafeWrite, SyncsTemporaryBeforeRenameAndFolderAfter)
{
    const std::string folder = fs::canonical(reference_).string();
    const std::string tempPath = (fs::path(folder) / temporaryPrefix(filePath(folder))).string();
    std::optional<std::size_t> tempSync, renamed, folderSync;
    for (std::size_t i = 0; i < saveCalls_.size(); ++i) {
        const Call& c = saveCalls_[i];
        if (c.name == "fsync" && c.line.find("<" + tempPath) != std::string::npos && !renamed)
            tempSync = i;
        if (isRename(c))
            renamed = i;
        if (c.name == "fsync" && c.line.find("<" + folder + ">") != std::string::npos && renamed)
            folderSync = i;
    }
    ASSERT_TRUE(tempSync) << "no fsync of the temporary file";
    ASSERT_TRUE(folderSync) << "no fsync of the folder after the rename";
    EXPECT_LT(*tempSync, *renamed);
    EXPECT_LT(*renamed, *folderSync);
    EXPECT_NE(saveCalls_[*renamed].line.find(filePath(folder).filename().string()), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Saves, CrashSafeWrite,
                         ::testing::Values(SaveCase{true, true, "StoreReplaced"}, SaveCase{true, false, "StoreCreated"},
                                           SaveCase{false, true, "SettingsReplaced"}, SaveCase{false, false, "SettingsCreated"}),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace kavio
