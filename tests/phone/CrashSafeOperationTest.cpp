// Whole operations killed, or failed with ENOSPC or EIO, at each system call under strace:
// the real kavio-store (and the window's export, through a probe) changing a folder. After
// each, the next load shows every video with its own record, no record naming a file that
// is gone, no half file in sight and nothing of the user's lost; the next change leaves no
// leftover behind. A change of one file and its record ends as before or as after.

#include "FolderTestSupport.h"
#include "support/VideoClips.h"

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

namespace kavio::phone::test {
namespace {

constexpr char kSyscalls[] = "openat,write,fsync,fdatasync,?rename,renameat,?renameat2,?unlink,unlinkat,?mkdir,mkdirat,"
                             "close,flock,?link,linkat,copy_file_range,fchmod,ftruncate,?rmdir";

// Every call traced changes something on disk (or takes the folder's lock), but an openat
// that creates nothing: a kill or an error anywhere before the first of them changes
// nothing, so only these are tried.
bool changesSomething(const std::string& name, const std::string& line)
{
    if (name == "openat")
        return line.find("O_CREAT") != std::string::npos;
    return !name.empty() && std::string_view(kSyscalls).find(name) != std::string_view::npos;
}

std::string syscallName(const std::string& line)
{
    const std::size_t paren = line.find('(');
    return paren == std::string::npos ? std::string() : line.substr(0, paren);
}

// One run of an operation in a folder of its own, with its own sources and trash.
struct Trial {
    fs::path root;
    fs::path docs() const { return root / "Docs"; }
    fs::path src() const { return root / "src"; }
    fs::path data() const { return root / "data"; }
    fs::path state() const { return root / "state"; } // Kavio's own, fresh for each run
    std::string env() const { return "XDG_DATA_HOME=" + quoted(data()) + " XDG_STATE_HOME=" + quoted(state()) + " "; }
    std::string arguments(std::string text) const
    {
        for (const auto& [name, path] : {std::pair{"{docs}", docs()}, std::pair{"{src}", src()}})
            for (std::size_t at; (at = text.find(name)) != std::string::npos;)
                text.replace(at, std::string_view(name).size(), quoted(path));
        return text;
    }
};

// The library every operation starts from: videos with records (one with another
// extension), a video copied in by hand, a folder with its own store, a source outside.
void prepareLibrary(const Trial& run)
{
    fs::create_directories(run.src());
    fileRecords(run.docs(), {record("a"), record("b", "mov"), record("Live", "mp4", "https://example.com/live.m3u8")});
    writeFile(run.docs() / "a.mp4", "video a");
    writeFile(run.docs() / "b.mov", "video b");
    writeFile(run.docs() / "Live.mp4", "");
    writeFile(run.docs() / "loose.mp4", "video copied in by hand");
    fileRecords(run.docs() / "Trip", {record("day")});
    writeFile(run.docs() / "Trip" / "day.mp4", "video day");
    // A real clip, long enough for a copy of several blocks.
    if (kavio::test::makeVideoClip(run.src() / "clip.mov", 256 << 10))
        std::ofstream(run.src() / "clip.mov", std::ios::app) << "end of the source";
    writeFile(run.src() / "picture.png", picture(Qt::darkMagenta));
}

enum class Steps {
    One,  // one file and its record: ends as before or as after
    Many, // each entry on its own ("Deleting Videos", nested folders)
};

enum class Program { Tool, ExportProbe };

struct Operation {
    const char* name;
    Steps steps;
    Program program;
    std::string arguments;
    friend void PrintTo(const Operation& o, std::ostream* os) { *os << o.name; }
};

// Each program's arguments, {docs} and {src} standing for the run's folders.
const Operation kOperations[] = {
    {"RenameVideo", Steps::One, Program::Tool, "rename {docs} a.mp4 Alpha --artist Someone"},
    {"RenameVideoWithoutRecord", Steps::One, Program::Tool, "rename {docs} loose.mp4 Found"},
    {"RenameFolder", Steps::One, Program::Tool, "rename {docs} Trip Voyage"},
    {"RemoveVideo", Steps::One, Program::Tool, "rm {docs} a.mp4"},
    {"RemoveFolder", Steps::One, Program::Tool, "rm {docs} Trip"},
    {"Thumbnail", Steps::One, Program::Tool, "thumbnail {docs} b.mov {src}/picture.png"},
    {"ThumbnailWithoutRecord", Steps::One, Program::Tool, "thumbnail {docs} loose.mp4 {src}/picture.png"},
    {"Link", Steps::One, Program::Tool, "link {docs} https://example.com/new.m3u8 --title Stream --artist Radio"},
    {"ImportCopy", Steps::One, Program::Tool, "import {docs} {src}/clip.mov --title Clip"},
    {"ImportMove", Steps::One, Program::Tool, "import {docs} {src}/clip.mov --title Clip --move"},
    {"ImportExport", Steps::One, Program::ExportProbe, "{docs} {src}/clip.mov Clip"},
    {"Empty", Steps::Many, Program::Tool, "empty {docs}"},
    {"CreateFolders", Steps::Many, Program::Tool, "mkdir {docs} New/Sub"},
};

// What a person sees of the folder at the next load: each video with the record it is
// shown with and its bytes, the records naming no file, the folders. Keys are left out: a
// new record's key is the time it was made.
struct State {
    std::map<std::string, std::string> videos;
    std::set<std::string> dangling;
    std::set<std::string> folders;
    friend bool operator==(const State&, const State&) = default;
    friend void PrintTo(const State& s, std::ostream* os)
    {
        for (const auto& [name, shown] : s.videos)
            *os << "\n  " << name << " = " << shown;
        for (const std::string& d : s.dangling)
            *os << "\n  record without file: " << d;
        for (const std::string& f : s.folders)
            *os << "\n  folder " << f;
    }
};

std::string describe(const MovieInfo& r)
{
    const std::size_t thumbnail = std::hash<std::string_view>()(r.imgData ? r.imgData->view() : "");
    return r.FILENAME.value_or("-") + "|" + r.ARTIST.value_or("-") + "|" + r.EXTENSION.value_or("-") + "|" +
           r.urlLink.value_or("-") + "|" + std::to_string(thumbnail);
}

std::string contentOf(const fs::path& file)
{
    const std::string bytes = readFile(file);
    return std::to_string(bytes.size()) + ":" + std::to_string(std::hash<std::string>()(bytes));
}

State stateAtNextLoad(const fs::path& docs)
{
    clearStoreCache(); // a new process
    FolderModel model(docs);
    model.reloadContent();
    State state;
    for (const FolderEntry& e : model.dirCon()) {
        if (e.kind == EntryKind::Folder) {
            state.folders.insert(e.name);
            continue;
        }
        const std::optional<std::size_t> i = model.recordIndexFor(e);
        const std::string shown = i ? describe(*(*model.save_items())[*i]) : std::string("no record");
        state.videos[e.name] = shown + "#" + contentOf(e.path);
    }
    for (const RecordPtr& r : *model.save_items()) {
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(model.recordFilePath(*r), ec)))
            state.dangling.insert(r->FILENAME.value_or("") + "." + r->EXTENSION.value_or(""));
    }
    return state;
}

// The contents of every file under folder (the store left out: it is rewritten).
std::multiset<std::string> contentsUnder(const fs::path& folder)
{
    std::multiset<std::string> contents;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && it->path().filename() != kStoreFileName &&
            it->path().extension() != ".trashinfo")
            contents.insert(contentOf(it->path()));
    }
    return contents;
}

// Kavio's own hidden entries: none may outlive the next change.
std::vector<std::string> leftoversIn(const fs::path& docs)
{
    std::vector<std::string> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(docs, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with(".kavio-") || name.starts_with("." + std::string(kStoreFileName) + ".tmp-"))
            found.push_back(it->path().lexically_relative(docs).string());
    }
    return found;
}

struct Call {
    std::string name;
    std::string signature; // the name and the paths it touches, the same from run to run
    int ordinal = 0;       // among the calls of its name since the process started
};

struct Traced {
    int exitCode = 0; // -1: killed
    std::vector<std::string> lines;
};

class CrashSafeOperation : public ::testing::TestWithParam<Operation> {
protected:
    void SetUp() override
    {
        int code = 0;
        kavio::test::run("strace -o /dev/null true 2>&1", &code);
        if (code != 0)
            GTEST_SKIP() << "strace is missing or cannot trace here (scripts/install-deps installs it)";
        const Trial reference = newTrial();
        before_ = stateAtNextLoad(reference.docs());
        contents_ = contentsUnder(reference.root);
        const Traced traced = trace(reference, "");
        ASSERT_EQ(traced.exitCode, 0) << "the operation itself fails";
        after_ = stateAtNextLoad(reference.docs());
        ASSERT_NE(before_, after_) << "the operation changes nothing";
        calls_ = callsToTry(traced.lines, reference.root.string());
        ASSERT_FALSE(calls_.empty());
    }

    const Operation& operation() const { return GetParam(); }

    Trial newTrial()
    {
        Trial run{scratch_ / (std::string(operation().name) + "-" + std::to_string(runs_++))};
        prepareLibrary(run);
        return run;
    }

    Traced trace(const Trial& run, const std::string& inject) const
    {
        const fs::path log = run.root.string() + ".strace";
        const std::string program = operation().program == Program::ExportProbe ? KAVIO_EXPORT_PROBE : KAVIO_STORE_TOOL;
        int code = 0;
        kavio::test::run(run.env() + "exec strace -qq -y -o " + quoted(log) + " -e trace=" + kSyscalls + " " + inject + " " +
                             program + " " + run.arguments(operation().arguments) + " >/dev/null 2>&1",
                         &code);
        std::vector<std::string> lines;
        std::istringstream in(readFile(log));
        for (std::string line; std::getline(in, line);) {
            if (!line.starts_with("+++") && !line.starts_with("---"))
                lines.push_back(line);
        }
        return {code, lines};
    }

    static std::string signatureOf(const std::string& line, const std::string& root)
    {
        std::string normal = syscallName(line);
        static const std::regex path(R"(ROOT[^"<>,)]*)");
        static const std::regex temporary(R"((\.tmp-|\.kavio-copy-|\.kavio-export-)[A-Za-z0-9]{6})");
        // Up to the result: a call killed on its way in has none.
        std::string text = line.substr(0, line.rfind(") = "));
        for (std::size_t at; (at = text.find(root)) != std::string::npos;)
            text.replace(at, root.size(), "ROOT");
        text = std::regex_replace(text, temporary, "$1XXXXXX");
        // A removed video's kept record is named by when it went and where it was.
        static const std::regex keptRecord(R"((/Kavio/removed/)[0-9a-f.]+\.plist)");
        text = std::regex_replace(text, keptRecord, "$1XXXXXX.plist");
        for (std::sregex_iterator it(text.begin(), text.end(), path), end; it != end; ++it)
            normal += " " + it->str();
        return normal;
    }

    // The calls that touch the run's folders and change something; of a row of the same
    // call (the pieces of one write), the first and the last.
    static std::vector<Call> callsToTry(const std::vector<std::string>& lines, const std::string& root)
    {
        std::map<std::string, int> seen;
        std::vector<Call> touching;
        for (const std::string& line : lines) {
            const std::string name = syscallName(line);
            const int ordinal = ++seen[name];
            if (line.find(root) != std::string::npos && changesSomething(name, line))
                touching.push_back({name, signatureOf(line, root), ordinal});
        }
        std::vector<Call> calls;
        for (std::size_t i = 0; i < touching.size(); ++i) {
            const bool first = i == 0 || touching[i - 1].signature != touching[i].signature;
            const bool last = i + 1 == touching.size() || touching[i + 1].signature != touching[i].signature;
            if (first || last)
                calls.push_back(touching[i]);
        }
        return calls;
    }

    static std::string at(const Call& c) { return c.signature + " (#" + std::to_string(c.ordinal) + ")"; }

    // What must hold after any run, finished or not.
    void expectConsistent(const Trial& run, const std::string& where) const
    {
        const State now = stateAtNextLoad(run.docs());
        if (operation().steps == Steps::One) {
            EXPECT_TRUE(now == before_ || now == after_)
                << where << ": neither before nor after:" << ::testing::PrintToString(now) << "\nbefore:"
                << ::testing::PrintToString(before_) << "\nafter:" << ::testing::PrintToString(after_);
        } else {
            for (const auto& [name, shown] : now.videos) {
                const auto was = before_.videos.find(name);
                EXPECT_TRUE(was != before_.videos.end() ? was->second == shown : after_.videos.contains(name))
                    << where << ": " << name << " shows as " << shown;
            }
            for (const std::string& d : now.dangling)
                EXPECT_TRUE(before_.dangling.contains(d)) << where << ": a record names a file gone: " << d;
        }
        const std::multiset<std::string> contents = contentsUnder(run.root);
        for (const std::string& c : contents_)
            EXPECT_TRUE(contents.contains(c)) << where << ": a file's bytes are nowhere any more (" << c << ")";
    }

    // The next change of the folder leaves nothing of the killed one behind.
    void expectNoLeftoverAfterNextChange(const Trial& run, const std::string& where) const
    {
        int code = -1;
        kavio::test::run(run.env() + KAVIO_STORE_TOOL + " mkdir " + quoted(run.docs()) + " Next >/dev/null 2>&1", &code);
        EXPECT_EQ(code, 0) << where << ": the next change failed";
        EXPECT_EQ(leftoversIn(run.docs()), std::vector<std::string>{}) << where;
    }

    kavio::test::ScratchFolder scratch_;
    int runs_ = 0;
    State before_, after_;
    std::multiset<std::string> contents_;
    std::vector<Call> calls_;
};

TEST_P(CrashSafeOperation, KilledAtEveryCallEndsConsistentAndLeavesNoLeftoverAfterTheNextChange)
{
    for (const Call& c : calls_) {
        const Trial run = newTrial();
        const Traced traced = trace(run, "-e inject=" + c.name + ":signal=KILL:when=" + std::to_string(c.ordinal));
        const std::string where = "killed at " + at(c);
        ASSERT_EQ(traced.exitCode, -1) << "not " << where;
        ASSERT_FALSE(traced.lines.empty());
        EXPECT_EQ(signatureOf(traced.lines.back(), run.root.string()), c.signature)
            << "killed elsewhere: " << traced.lines.back();
        expectConsistent(run, where);
        expectNoLeftoverAfterNextChange(run, where);
    }
    std::printf("[ %s ] %zu kill points\n", operation().name, calls_.size());
}

TEST_P(CrashSafeOperation, NoSpaceOrIoErrorAtEveryCallFailsUnchangedOrSucceedsConsistent)
{
    for (const char* error : {"ENOSPC", "EIO"}) {
        int failed = 0, succeeded = 0;
        for (const Call& c : calls_) {
            const Trial run = newTrial();
            const std::string inject = "-e inject=" + c.name + ":error=" + error + ":when=" + std::to_string(c.ordinal);
            const Traced traced = trace(run, inject);
            const std::string where = std::string(error) + " at " + at(c);
            ASSERT_TRUE(traced.exitCode == 0 || traced.exitCode == 1)
                << "exit " << traced.exitCode << " with " << where;
            if (operation().steps == Steps::One && traced.exitCode == 0) {
                EXPECT_EQ(stateAtNextLoad(run.docs()), after_) << "success without the change, " << where;
            }
            expectConsistent(run, where);
            ++(traced.exitCode == 0 ? succeeded : failed);
        }
        std::printf("[ %s %s ] %zu points: %d failed, %d succeeded\n", operation().name, error, calls_.size(), failed,
                    succeeded);
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, CrashSafeOperation, ::testing::ValuesIn(kOperations),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace kavio::phone::test
