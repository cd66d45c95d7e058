// Store and settings saves, killed or failed at each system call under strace: the file
// is always the old bytes or the new ones, and no temporary file outlives the next load.

#include "TestSupport.h"

#include "library/AtomicFile.h"
#include "library/FolderModel.h"
#include "library/Settings.h"
#include "library/plist/Codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <optional>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace kavio {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

// The calls a save is killed or failed at; "?" skips names this architecture lacks.
constexpr char kSyscalls[] = "write,fsync,?fdatasync,?rename,?renameat,?renameat2,close,openat,fchmod";

enum class Target { Store, Settings };
enum class Start { FileExists, FirstCreation };

struct SaveCase {
    Target target;
    Start start;
    const char* name;
};

void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.name; }

// One traced system call of the probe's save, and how many calls of its name came
// before it in the process (strace's when= counts from the start of the process).
struct Call {
    std::string name;
    std::string line;
    int ordinal = 0;
};

struct TraceRun {
    int exitCode = 0; // -1: killed
    std::vector<std::string> lines;
};

std::string syscallName(const std::string& line)
{
    const std::size_t paren = line.find('(');
    return paren == std::string::npos ? std::string() : line.substr(0, paren);
}

// strace's log without the pid prefix and without signal and exit notes.
std::vector<std::string> traceLines(const fs::path& log)
{
    std::vector<std::string> out;
    std::istringstream in(readFile(log));
    for (std::string line; std::getline(in, line);) {
        const std::size_t start = line.find_first_not_of("0123456789 ");
        if (start == std::string::npos || line.compare(start, 3, "+++") == 0 || line.compare(start, 3, "---") == 0)
            continue;
        out.push_back(line.substr(start));
    }
    return out;
}

bool isRename(const Call& c) { return c.name == "rename" || c.name == "renameat" || c.name == "renameat2"; }

// Whether a line of another run is the same call: same name, same kind of target (the
// temporary file or not). Counts are per process, so a drift would show here.
bool sameCall(const Call& c, const std::string& line)
{
    auto onTemporary = [](const std::string& l) { return l.find(".tmp-") != std::string::npos; };
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
        const fs::path reference = newFolder();
        oldBytes_ = fileExists() ? readFile(filePath(reference)) : std::string();
        ASSERT_EQ(runProbe(reference), 0);
        newBytes_ = readFile(filePath(reference));
        ASSERT_NE(newBytes_, oldBytes_);
        saveCalls_ = countSaveCalls();
        ASSERT_FALSE(saveCalls_.empty());
    }

    const SaveCase& saveCase() const { return GetParam(); }
    bool fileExists() const { return saveCase().start == Start::FileExists; }
    const char* mode() const { return saveCase().target == Target::Store ? "store" : "settings"; }

    fs::path filePath(const fs::path& folder) const
    {
        return saveCase().target == Target::Store ? folder / kStoreFileName : settingsFilePath(folder);
    }

    // A unique folder in the state the case starts from.
    fs::path newFolder()
    {
        const fs::path folder = scratch_ / (std::string(saveCase().name) + "-" + std::to_string(folders_++));
        fs::create_directories(folder);
        if (!fileExists())
            return folder;
        if (saveCase().target == Target::Store) {
            StoreDictionary dict;
            dict["kKV20240101000000"] = plist::Value::makeArray(
                {plist::Value::makeData(plist::Bytes(encodeMovieInfo(test::makeRecord("old clip", "kKV20240101000000"))))});
            writeFile(filePath(folder), serializeStore(dict));
        } else {
            writeFile(filePath(folder), plist::writeXml(*plist::Value::makeDictionary(
                                            {{kHandKey, plist::Value::makeBoolean(false)}, {"other", plist::Value::makeString("kept")}})));
        }
        return folder;
    }

    int runProbe(const fs::path& folder) const
    {
        int code = 0;
        test::run(std::string("'") + KAVIO_SAVE_PROBE + "' " + mode() + " '" + folder.string() + "' 2>/dev/null", &code);
        return code;
    }

    TraceRun traceProbe(const fs::path& folder, const std::string& options) const
    {
        const fs::path log = folder.string() + ".strace";
        int code = 0;
        test::run("exec strace -f -qq -y -o '" + log.string() + "' -e trace=" + kSyscalls + ",getppid " + options + " '" +
                      KAVIO_SAVE_PROBE + "' " + mode() + " '" + folder.string() + "' 2>/dev/null",
                  &code);
        return {code, traceLines(log)};
    }

    // The traced calls between the probe's two getppid() marks.
    std::vector<Call> countSaveCalls()
    {
        const fs::path folder = newFolder();
        TraceRun run = traceProbe(folder, "");
        EXPECT_EQ(run.exitCode, 0);
        std::map<std::string, int> seen;
        std::vector<Call> calls;
        int marks = 0;
        for (const std::string& line : run.lines) {
            const std::string name = syscallName(line);
            if (name == "getppid") {
                ++marks;
                continue;
            }
            const int ordinal = ++seen[name];
            if (marks == 1)
                calls.push_back({name, line, ordinal});
        }
        EXPECT_EQ(marks, 2);
        folderForOrder_ = folder;
        return calls;
    }

    std::size_t renameIndex() const
    {
        for (std::size_t i = 0; i < saveCalls_.size(); ++i) {
            if (isRename(saveCalls_[i]))
                return i;
        }
        ADD_FAILURE() << "the save never renamed";
        return saveCalls_.size();
    }

    std::vector<fs::path> temporaries(const fs::path& folder) const
    {
        std::vector<fs::path> out;
        const std::string prefix = temporaryPrefix(filePath(folder));
        for (const auto& e : fs::directory_iterator(folder)) {
            if (e.path().filename().string().rfind(prefix, 0) == 0)
                out.push_back(e.path());
        }
        return out;
    }

    // What the next start of the application does with the folder.
    void loadAgain(const fs::path& folder) const
    {
        if (saveCase().target == Target::Store) {
            clearStoreCache();
            FolderModel model(folder);
            model.loadMp4Files();
            EXPECT_TRUE(model.prefsDict()) << model.storeStatus().toString();
        } else {
            EXPECT_TRUE(readSettings(filePath(folder)) || !fs::exists(filePath(folder)));
        }
    }

    // Exactly the old bytes (absent before the first creation) or exactly the new ones.
    bool isOld(const fs::path& folder) const
    {
        return fileExists() ? fs::exists(filePath(folder)) && readFile(filePath(folder)) == oldBytes_
                            : !fs::exists(filePath(folder));
    }
    bool isNew(const fs::path& folder) const
    {
        return fs::exists(filePath(folder)) && readFile(filePath(folder)) == newBytes_;
    }

    std::string at(const Call& c) const { return c.name + " #" + std::to_string(c.ordinal) + ": " + c.line; }

    void injectErrors(const char* errorName)
    {
        const std::size_t renamed = renameIndex();
        for (std::size_t i = 0; i < saveCalls_.size(); ++i) {
            const Call& c = saveCalls_[i];
            const fs::path folder = newFolder();
            const TraceRun run = traceProbe(folder, "-e inject=" + c.name + ":error=" + errorName + ":when=" +
                                                        std::to_string(c.ordinal));
            std::vector<std::string> injected;
            std::copy_if(run.lines.begin(), run.lines.end(), std::back_inserter(injected),
                         [](const std::string& l) { return l.find("(INJECTED)") != std::string::npos; });
            ASSERT_EQ(injected.size(), 1u) << at(c);
            EXPECT_TRUE(sameCall(c, injected.front())) << injected.front() << " instead of " << at(c);
            ASSERT_TRUE(run.exitCode == 0 || run.exitCode == 1) << "exit " << run.exitCode << " at " << at(c);
            EXPECT_TRUE(temporaries(folder).empty()) << at(c);
            if (i > renamed) {
                // The rename cannot be undone: the new file is in place; a failed folder
                // sync must still be reported.
                EXPECT_TRUE(isNew(folder)) << at(c);
                if (c.name == "fsync") {
                    EXPECT_EQ(run.exitCode, 1) << at(c);
                }
                ++(run.exitCode == 0 ? outcomes_.successAfterRename : outcomes_.failureAfterRename);
            } else if (run.exitCode == 0) {
                EXPECT_TRUE(isNew(folder)) << "success without the new file at " << at(c);
                ++outcomes_.success;
            } else {
                EXPECT_TRUE(isOld(folder)) << "failure without the old file at " << at(c);
                ++outcomes_.failure;
            }
            ++points_;
        }
    }

    void TearDown() override
    {
        if (points_ > 0) {
            std::printf("[ %s ] %d points over %zu calls of the save", saveCase().name, points_, saveCalls_.size());
            if (outcomes_.failure + outcomes_.success + outcomes_.failureAfterRename + outcomes_.successAfterRename > 0)
                std::printf(": failure + old file %d, success + new file %d, after the rename: failure + new file %d, "
                            "success + new file %d",
                            outcomes_.failure, outcomes_.success, outcomes_.failureAfterRename, outcomes_.successAfterRename);
            std::printf("\n");
            RecordProperty("points", points_);
        }
    }

    test::ScratchFolder scratch_;
    int folders_ = 0;
    std::string oldBytes_;
    std::string newBytes_;
    std::vector<Call> saveCalls_;
    fs::path folderForOrder_;
    int points_ = 0;
    struct {
        int failure = 0, success = 0, failureAfterRename = 0, successAfterRename = 0;
    } outcomes_;
};

TEST_P(CrashSafeWrite, KillAtEveryCallLeavesOldOrNewFileAndNoLeftoverAfterLoad)
{
    for (const Call& c : saveCalls_) {
        const fs::path folder = newFolder();
        const TraceRun run = traceProbe(folder, "-e inject=" + c.name + ":signal=KILL:when=" + std::to_string(c.ordinal));
        ASSERT_EQ(run.exitCode, -1) << "not killed at " << at(c);
        ASSERT_FALSE(run.lines.empty());
        EXPECT_TRUE(sameCall(c, run.lines.back())) << "killed at " << run.lines.back() << " instead of " << at(c);
        EXPECT_TRUE(isOld(folder) || isNew(folder)) << "partial or missing file after a kill at " << at(c);
        loadAgain(folder);
        EXPECT_TRUE(temporaries(folder).empty()) << "leftover after a kill at " << at(c);
        ++points_;
    }
}

// Another process loading the folder mid-save (a second window, the kavio-store tool)
// removes leftovers: it must never take the temporary file of a save still running. The
// save is held for a second after it closes the temporary file, before the rename.
TEST_P(CrashSafeWrite, ConcurrentLoadsNeverRemoveTheTemporaryOfARunningSave)
{
    const auto closeOfTemporary = std::find_if(saveCalls_.begin(), saveCalls_.end(), [](const Call& c) {
        return c.name == "close" && c.line.find(".tmp-") != std::string::npos;
    });
    ASSERT_NE(closeOfTemporary, saveCalls_.end());
    const fs::path folder = newFolder();
    const std::string inject = "inject=close:delay_exit=1000000:when=" + std::to_string(closeOfTemporary->ordinal);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::execlp("strace", "strace", "-qq", "-o", "/dev/null", "-e", "trace=close", "-e", inject.c_str(), KAVIO_SAVE_PROBE,
                 mode(), folder.c_str(), nullptr);
        ::_exit(127);
    }
    int status = 0;
    int loads = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        clearStoreCache(); // each load is a first visit, as in a new process
        if (saveCase().target == Target::Store)
            loadStore(filePath(folder));
        else
            readSettings(filePath(folder));
        ++loads;
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save failed while " << loads << " loads ran beside it";
    EXPECT_TRUE(isNew(folder));
    EXPECT_TRUE(temporaries(folder).empty());
}

TEST_P(CrashSafeWrite, NoSpaceAtEveryCallFailsWithOldFileOrSucceedsWithNew)
{
    injectErrors("ENOSPC");
}

TEST_P(CrashSafeWrite, IoErrorAtEveryCallFailsWithOldFileOrSucceedsWithNew)
{
    injectErrors("EIO");
}

TEST_P(CrashSafeWrite, SyncsTemporaryBeforeRenameAndFolderAfter)
{
    const std::string folder = fs::canonical(folderForOrder_).string();
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
    ASSERT_TRUE(renamed) << "no rename";
    ASSERT_TRUE(folderSync) << "no fsync of the folder after the rename";
    EXPECT_LT(*tempSync, *renamed);
    EXPECT_LT(*renamed, *folderSync);
    EXPECT_NE(saveCalls_[*renamed].line.find(filePath(folder).filename().string()), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Saves, CrashSafeWrite,
                         ::testing::Values(SaveCase{Target::Store, Start::FileExists, "StoreReplaced"},
                                           SaveCase{Target::Store, Start::FirstCreation, "StoreCreated"},
                                           SaveCase{Target::Settings, Start::FileExists, "SettingsReplaced"},
                                           SaveCase{Target::Settings, Start::FirstCreation, "SettingsCreated"}),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace kavio
