// The trash as the desktop reads it: each volume case, names no text can hold, links, a
// volume with no trash and a full one, two removals of one name. Every result is read back
// by two independent readers (trash-cli, and gio over gvfs) and put back exactly.

#include "support/TestSupport.h"

#include "library/FileMoves.h"
#include "library/PlainText.h"
#include "library/Trash.h"

#include <QString>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <regex>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kavio {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

constexpr uid_t kNobody = 65534;

// ---- running the readers ---------------------------------------------------------------

struct Ran {
    int code = -1;
    std::string out;
};

// Quoted for sh, so that names reach the program as their bytes.
std::string quoted(const std::string& bytes)
{
    std::string out = "'";
    for (const char c : bytes)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

Ran runProgram(const std::vector<std::string>& argv, const std::string& input = {}, const fs::path& errors = "/dev/null")
{
    std::string command = "printf %s " + quoted(input) + " | exec";
    for (const std::string& a : argv)
        command += " " + quoted(a);
    Ran ran;
    ran.out = test::run(command + " 2>" + quoted(errors.native()), &ran.code);
    return ran;
}

// How gio shows a path: bytes outside printable ASCII, and the backslash, as \xNN.
std::string asGioShows(const std::string& path)
{
    std::string out;
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        char escape[8] = {ch, 0};
        if (c < 0x20 || c >= 0x7F || c == '\\')
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
        out += escape;
    }
    return out;
}

// ---- volumes ---------------------------------------------------------------------------

// Mounts happen in a mount namespace of this process: its children (the readers) see them,
// nobody else does, and none outlives the test process.
std::optional<std::string> privateMountsUnavailable()
{
    static const std::optional<std::string> reason = []() -> std::optional<std::string> {
        if (::unshare(CLONE_NEWNS) != 0)
            return std::string("cannot make a private mount namespace (") + std::strerror(errno) + "): run as root";
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("cannot make mounts private (") + std::strerror(errno) + ")";
        return std::nullopt;
    }();
    return reason;
}

// A file system of its own at a folder: ext4 in a loop file (gvfs shows the trash of such
// a volume; it ignores tmpfs), or a tmpfs with limits for the full-volume cases.
class Volume {
public:
    enum class Kind { Ext4, Tmpfs };

    Volume(const fs::path& at, Kind kind, const std::string& tmpfsOptions = {}) : at_(at)
    {
        if (std::optional<std::string> why = privateMountsUnavailable()) {
            problem_ = *why;
            return;
        }
        fs::create_directories(at);
        const fs::path image = at.parent_path() / (at.filename().string() + ".img");
        if (kind == Kind::Tmpfs) {
            const std::string options = "mode=0755" + (tmpfsOptions.empty() ? "" : "," + tmpfsOptions);
            if (::mount("kavio-test", at.c_str(), "tmpfs", 0, options.c_str()) != 0)
                problem_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        } else if (runProgram({"truncate", "-s", "16M", image}).code != 0 ||
                   runProgram({"mkfs.ext4", "-q", "-F", "-m", "0", image}).code != 0) {
            problem_ = "mkfs.ext4 is missing or failed (e2fsprogs)";
        } else if (runProgram({"mount", "-o", "loop", image, at}).code != 0) {
            problem_ = "cannot mount a loop device here";
        } else {
            fs::remove_all(at / "lost+found");
        }
    }
    ~Volume()
    {
        if (problem_.empty())
            ::umount2(at_.c_str(), MNT_DETACH);
    }
    Volume(const Volume&) = delete;
    Volume& operator=(const Volume&) = delete;

    // Why the volume is not there; empty when it is.
    const std::string& problem() const { return problem_; }
    const fs::path& path() const { return at_; }
    fs::path operator/(const std::string& name) const { return at_ / name; }
    fs::path trash() const { return at_ / (".Trash-" + std::to_string(::getuid())); }

private:
    fs::path at_;
    std::string problem_; // empty once mounted
};

#define SKIP_WITHOUT(volume)                                                                                 \
    if (!(volume).problem().empty())                                                                         \
    GTEST_SKIP() << "SKIPPED: no second file system for the volume cases: " << (volume).problem()

// ---- the fixture -----------------------------------------------------------------------

class TrashTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(scratch / "home"); }

    fs::path homeTrash() const { return scratch / "data" / "Trash"; }

    static bool exists(const fs::path& p)
    {
        std::error_code ec;
        return fs::exists(fs::symlink_status(p, ec));
    }
    static std::vector<std::string> namesIn(const fs::path& folder)
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            names.push_back(it->path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The .trashinfo as the readers need it, naming the original (relative to topdir, or
    // absolute in the home trash) on one line.
    void expectInfo(const TrashedEntry& entry, const std::string& pathValue)
    {
        const std::string info = readFile(entry.infoPath());
        static const std::regex form("\\[Trash Info\\]\nPath=([^\n]*)\nDeletionDate=(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d)\n");
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(info, parts, form)) << info;
        EXPECT_EQ(parts[1].str(), pathValue);
        EXPECT_EQ(parts[2].str(), entry.deletionDate);
        EXPECT_LE(entry.name.size() + std::strlen(".trashinfo"), 255u);
    }

    std::string trashList() { return runProgram({"trash-list"}, {}, scratch / "reader-errors").out; }
    std::string gioList() { return runProgram({"dbus-run-session", "--", "gio", "trash", "--list"}).out; }
    // trash-cli (Python) shows bytes that are not UTF-8 as U+FFFD.
    bool listedByTrashCli(const fs::path& original, const std::string& list)
    {
        const QString shown = QString::fromUtf8(original.native().data(), static_cast<qsizetype>(original.native().size()));
        return list.find(" " + shown.toStdString() + "\n") != std::string::npos;
    }
    bool listedByGio(const fs::path& original, const std::string& list)
    {
        return list.find("\t" + asGioShows(original.native()) + "\n") != std::string::npos;
    }

    // Both readers list the entry under its original path.
    void expectListed(const fs::path& original)
    {
        const std::string cli = trashList(), gio = gioList();
        EXPECT_TRUE(listedByTrashCli(original, cli)) << "trash-list:\n" << cli << readFile(scratch / "reader-errors");
        EXPECT_TRUE(listedByGio(original, gio)) << "gio trash --list:\n" << gio;
    }

    // trash-restore puts back what was trashed from path (the only such item).
    bool restoreWithTrashCli(const fs::path& original)
    {
        return runProgram({"trash-restore", original.native()}, "0\n").code == 0 && exists(original);
    }
    // gio trash --restore, by the trash URI gio lists for the original.
    bool restoreWithGio(const fs::path& original)
    {
        const std::string list = gioList();
        const std::size_t at = list.find("\t" + asGioShows(original.native()) + "\n");
        if (at == std::string::npos)
            return false;
        const std::size_t start = list.rfind('\n', at) == std::string::npos ? 0 : list.rfind('\n', at) + 1;
        const std::string uri = list.substr(start, at - start);
        return runProgram({"dbus-run-session", "--", "gio", "trash", "--restore", uri}).code == 0 && exists(original);
    }

    test::ScratchFolder scratch;
    // The readers and Kavio see a scratch home, never the real one.
    const test::ScopedEnv home{{"HOME", (scratch / "home").string()}, {"XDG_DATA_HOME", (scratch / "data").string()}};
};

// ---- where an entry goes, and how it comes back ----------------------------------------

enum class Place { Home, VolumeWithoutTrash, StickyDotTrash, DotTrashNotSticky, DotTrashIsALink };
enum class Entry { File, FolderOfThree };

struct TrashRow {
    const char* guard;
    Place place;
    std::string folder; // the entry's folder, inside the place
    std::string name;
    Entry entry = Entry::File;
};

std::string longName(std::size_t bytes)
{
    return std::string(bytes - 4, 'n') + ".mp4";
}

const TrashRow kRows[] = {
    {"PlainNameOnTheHomeVolume", Place::Home, "lib", "clip.mp4"},
    {"PlainNameOnAVolumeWithoutTrash", Place::VolumeWithoutTrash, "lib", "clip.mp4"},
    {"StickyDotTrashTakesItsUsersFolder", Place::StickyDotTrash, "lib", "clip.mp4"},
    {"DotTrashNotStickyIsPassedOver", Place::DotTrashNotSticky, "lib", "clip.mp4"},
    {"DotTrashThatIsALinkIsPassedOver", Place::DotTrashIsALink, "lib", "clip.mp4"},
    {"InvalidUtf8NameOnAVolume", Place::VolumeWithoutTrash, "lib", "caf\xE9.mp4"},
    {"InvalidUtf8FolderWithThreeVideos", Place::VolumeWithoutTrash, "lib", "Urlaub\xFF", Entry::FolderOfThree},
    {"InvalidUtf8InTheLibraryPath", Place::Home, "lib\xFF/sub", "clip.mp4"},
    {"Utf8NameOnAVolume", Place::VolumeWithoutTrash, "Fotos", "Café ☕.mp4"},
    {"NewlineInTheNameAtHome", Place::Home, "lib", "two\nlines.mp4"},
    {"NewlineInTheNameOnAVolume", Place::VolumeWithoutTrash, "lib", "two\nlines.mp4"},
    {"PercentSpaceAndBackslashInTheName", Place::Home, "lib", "50% off \\ 2.mp4"},
    {"NameOf245BytesFitsAsItIs", Place::Home, "lib", longName(245)},
    {"NameOf246BytesIsShortened", Place::Home, "lib", longName(246)},
    {"NameOf255BytesIsShortenedOnAVolume", Place::VolumeWithoutTrash, "lib", longName(255)},
};

class TrashTable : public TrashTest, public ::testing::WithParamInterface<TrashRow> {
protected:
    void SetUp() override
    {
        TrashTest::SetUp();
        if (GetParam().place != Place::Home)
            volume_ = std::make_unique<Volume>(scratch / "vol", Volume::Kind::Ext4);
    }

    fs::path top() const { return volume_ ? volume_->path() : scratch.path(); }
    fs::path expectedTrash() const
    {
        switch (GetParam().place) {
        case Place::Home: return homeTrash();
        case Place::StickyDotTrash: return top() / ".Trash" / std::to_string(::getuid());
        default: return volume_->trash();
        }
    }
    // The Path= value: absolute in the home trash, relative to the volume's top otherwise.
    static std::string escaped(const std::string& bytes)
    {
        std::string out;
        for (const char ch : bytes) {
            const auto c = static_cast<unsigned char>(ch);
            char e[4] = {ch, 0};
            if (!std::isalnum(c) && !std::strchr("-._~/", c))
                std::snprintf(e, sizeof e, "%%%02X", c);
            out += e;
        }
        return out;
    }

    // Makes the entry; returns what "the same entry" means after a round trip.
    std::map<std::string, std::string> makeEntry(const fs::path& at)
    {
        if (GetParam().entry == Entry::File)
            writeFile(at, "video bytes");
        else if (fs::create_directories(at))
            for (const char* video : {"a.mp4", "b.mov", "c\xE9.m4v"})
                writeFile(at / video, std::string("video ") + video);
        return contentsOf(at);
    }
    std::map<std::string, std::string> contentsOf(const fs::path& at)
    {
        std::map<std::string, std::string> contents;
        if (fs::is_regular_file(fs::symlink_status(at)))
            contents[""] = readFile(at);
        else if (fs::is_directory(fs::symlink_status(at)))
            for (const std::string& n : namesIn(at))
                contents[n] = readFile(at / n);
        return contents;
    }

    std::unique_ptr<Volume> volume_;
};

TEST_P(TrashTable, GoesToItsVolumesTrashIsListedByBothReadersAndComesBackExactly)
{
    const TrashRow& row = GetParam();
    if (volume_)
        SKIP_WITHOUT(*volume_);
    const fs::path folder = top() / row.folder;
    fs::create_directories(folder);
    if (row.place == Place::StickyDotTrash || row.place == Place::DotTrashNotSticky) {
        fs::create_directory(top() / ".Trash");
        fs::permissions(top() / ".Trash", fs::perms::all | (row.place == Place::StickyDotTrash ? fs::perms::sticky_bit : fs::perms::none));
    } else if (row.place == Place::DotTrashIsALink) {
        fs::create_directory(top() / "shared");
        fs::permissions(top() / "shared", fs::perms::all | fs::perms::sticky_bit);
        fs::create_directory_symlink("shared", top() / ".Trash");
    }
    const fs::path original = folder / row.name;
    const auto contents = makeEntry(original);

    // Three round trips: put back by Kavio, by trash-cli, by gio. Each reader brings back
    // only what it can name: Debian's trash-cli decodes Path= as UTF-8 text (other bytes
    // come back as U+FFFD), and gio 2.74 restores to the escaped form it displays for any
    // byte outside printable ASCII. There Kavio puts it back; both still list it.
    const bool trashCliRestoresExactly = isValidUtf8(original.native());
    const bool gioRestoresExactly = asGioShows(original.native()) == original.native();
    for (const std::string restorer : {"kavio", "trash-restore", "gio"}) {
        SCOPED_TRACE(restorer);
        Result<TrashedEntry> trashed = removeToTrash(original);
        ASSERT_TRUE(trashed) << trashed.status().toString();
        EXPECT_FALSE(exists(original));
        EXPECT_EQ(trashed->trashDir, expectedTrash());
        EXPECT_EQ(contentsOf(trashed->filesPath()), contents);
        expectInfo(*trashed, escaped(row.place == Place::Home ? original.native() : original.lexically_relative(top()).native()));
        EXPECT_EQ(namesIn(trashed->trashDir / "info"), std::vector<std::string>{trashed->name + ".trashinfo"});
        expectListed(original);
        EXPECT_EQ(namesIn(top() / ".Trash").empty(), row.place != Place::StickyDotTrash)
            << "nothing is made in a .Trash that fails the checks";
        EXPECT_EQ(exists(homeTrash() / "files"), row.place == Place::Home) << "nothing is copied across volumes";

        if (restorer == "gio" && gioRestoresExactly)
            ASSERT_TRUE(restoreWithGio(original)) << gioList();
        else if (restorer == "trash-restore" && trashCliRestoresExactly)
            ASSERT_TRUE(restoreWithTrashCli(original)) << trashList();
        else
            ASSERT_TRUE(restoreFromTrash(*trashed));
        EXPECT_EQ(contentsOf(original), contents);
        EXPECT_TRUE(namesIn(trashed->trashDir / "info").empty());
        EXPECT_TRUE(namesIn(trashed->trashDir / "files").empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Trash, TrashTable, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<TrashRow>& row) { return row.param.guard; });

// ---- links -----------------------------------------------------------------------------

// A link goes as a link to the trash of its own volume, never its target's, alone or in a
// batch over two volumes; the trash itself never goes.
TEST_F(TrashTest, ALinkGoesToTheTrashOfItsOwnVolumeAndItsTargetStays)
{
    Volume volume(scratch / "vol", Volume::Kind::Ext4);
    SKIP_WITHOUT(volume);
    writeFile(volume / "target.mp4", "far away");
    fs::create_directories(scratch / "lib");
    fs::create_symlink(volume / "target.mp4", scratch / "lib" / "link.mp4");
    Result<TrashedEntry> atHome = removeToTrash(scratch / "lib" / "link.mp4");
    ASSERT_TRUE(atHome) << atHome.status().toString();
    EXPECT_EQ(atHome->trashDir, homeTrash());
    EXPECT_EQ(namesIn(volume.path()), std::vector<std::string>{"target.mp4"}) << "no trash made on the target's volume";
    expectListed(scratch / "lib" / "link.mp4");
    ASSERT_TRUE(restoreFromTrash(*atHome));
    EXPECT_EQ(fs::read_symlink(scratch / "lib" / "link.mp4"), volume / "target.mp4");

    writeFile(scratch / "target.mp4", "at home");
    fs::create_directories(volume / "lib");
    fs::create_symlink(scratch / "target.mp4", volume / "lib" / "link.mp4");
    fs::create_directory_symlink(scratch.path(), volume / "lib" / "folder link");
    fs::create_symlink("nowhere", volume / "lib" / "dangling.mp4");
    const fs::path onStick = volume / "lib";
    const std::vector<Result<TrashedEntry>> results = moveAllToTrash(
        {scratch / "lib" / "link.mp4", onStick / "link.mp4", onStick / "folder link", onStick / "dangling.mp4"});
    for (std::size_t i = 0; i < results.size(); ++i) {
        ASSERT_TRUE(results[i]) << i << ": " << results[i].status().toString();
        EXPECT_EQ(results[i]->trashDir, i == 0 ? homeTrash() : volume.trash()) << i;
        EXPECT_TRUE(fs::is_symlink(results[i]->filesPath())) << i;
    }
    EXPECT_EQ(readFile(scratch / "target.mp4"), "at home");
    EXPECT_EQ(readFile(volume / "target.mp4"), "far away");
    expectListed(volume / "lib" / "dangling.mp4");
    Result<TrashedEntry> itself = removeToTrash(volume.trash());
    ASSERT_FALSE(itself);
    EXPECT_NE(itself.status().message().find("it holds the trash itself"), std::string::npos)
        << itself.status().message();
    EXPECT_EQ(namesIn(volume.trash() / "files").size(), 3u);
}

// ---- when no trash can take an entry ---------------------------------------------------

// Root may write anywhere: what a user may not do is tried as nobody, in a child, with
// its own data home. What the work returns comes back; nothing when the child cannot
// become nobody.
std::optional<std::string> asNobody(const fs::path& dataHome, const std::function<std::string()>& work)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0)
            ::_exit(77);
        ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
        const std::string said = work();
        (void)!::write(pipeFds[1], said.data(), said.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string said;
    char buffer[1024];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return said;
}

std::string trashAll(const fs::path& folder, std::initializer_list<const char*> names)
{
    std::string messages;
    for (const char* name : names) {
        Result<TrashedEntry> r = removeToTrash(folder / name);
        messages += (r ? std::string("trashed") : r.status().message()) + "\n";
    }
    return messages;
}

void giveToNobody(std::initializer_list<fs::path> paths)
{
    for (const fs::path& p : paths)
        ASSERT_EQ(::chown(p.c_str(), kNobody, kNobody), 0) << p;
}

// A folder the user cannot change: the trash takes the record, the folder refuses the move,
// and the record goes again. A volume whose top the user cannot write has no trash for it.
TEST_F(TrashTest, WhereTheUserMayNotWriteNothingIsRemovedAndTheMessageSaysWhy)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "SKIPPED: needs root to act as another user";
    fs::create_directories(scratch / "shared");
    writeFile(scratch / "shared" / "clip.mp4", "video");
    const fs::path nobodysData = scratch / "nobody" / "data"; // on the home volume
    fs::create_directories(nobodysData);
    giveToNobody({scratch / "nobody", nobodysData});
    std::optional<std::string> messages = asNobody(nobodysData, [&] { return trashAll(scratch / "shared", {"clip.mp4"}); });
    ASSERT_TRUE(messages) << "cannot act as uid 65534 here";
    EXPECT_EQ(*messages, "\"clip.mp4\" was not moved to the trash: it could not be moved into " +
                             (nobodysData / "Trash" / "files").string() + " (Permission denied); it was left where it is.\n");
    EXPECT_EQ(readFile(scratch / "shared" / "clip.mp4"), "video");
    EXPECT_TRUE(namesIn(nobodysData / "Trash" / "info").empty());

    Volume volume(scratch / "vol", Volume::Kind::Ext4);
    SKIP_WITHOUT(volume);
    const fs::path lib = volume / "lib";
    fs::create_directories(lib / "Trip");
    writeFile(lib / "clip.mp4", "video");
    writeFile(lib / "Trip" / "a.mp4", "video");
    giveToNobody({lib, lib / "clip.mp4", lib / "Trip", lib / "Trip" / "a.mp4"});
    messages = asNobody(nobodysData, [&] { return trashAll(lib, {"clip.mp4", "Trip"}); });
    ASSERT_TRUE(messages);
    const std::string why = "was not moved to the trash: no trash on its volume can take it (" +
                            (volume / ".Trash-65534").string() + ": Permission denied); it was left where it is.\n";
    EXPECT_EQ(*messages, "\"clip.mp4\" " + why + "\"Trip\" " + why);
    EXPECT_EQ(readFile(lib / "clip.mp4"), "video");
    EXPECT_EQ(readFile(lib / "Trip" / "a.mp4"), "video");
    EXPECT_TRUE(namesIn(nobodysData / "Trash" / "files").empty()) << "never copied to the home trash";
}

struct FullRow {
    const char* guard;
    std::string tmpfsOptions;
    bool fillInodes; // else the blocks
    bool trashMadeBefore; // the volume's trash exists from an earlier removal
};

class FullVolume : public TrashTest, public ::testing::WithParamInterface<FullRow> {};

TEST_P(FullVolume, RemovesNothingAndLeavesNoEmptyTrashInfo)
{
    Volume volume(scratch / "vol", Volume::Kind::Tmpfs, GetParam().tmpfsOptions);
    SKIP_WITHOUT(volume);
    writeFile(volume / "clip.mp4", "video");
    const fs::path trash = volume.trash();
    if (GetParam().trashMadeBefore) {
        fs::create_directories(trash / "files");
        fs::create_directories(trash / "info");
    }
    const std::string block(4096, 'x');
    for (int i = 0;; ++i) { // an empty file each time, or one file that grows
        const fs::path file = volume / (GetParam().fillInodes ? "f" + std::to_string(i) : "filler");
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        const bool full = fd < 0 || (!GetParam().fillInodes && ::write(fd, block.data(), block.size()) <= 0);
        if (fd >= 0)
            ::close(fd);
        if (full)
            break;
    }

    Result<TrashedEntry> trashed = removeToTrash(volume / "clip.mp4");
    ASSERT_FALSE(trashed);
    EXPECT_NE(trashed.status().message().find("\"clip.mp4\" was not moved to the trash"), std::string::npos)
        << trashed.status().message();
    EXPECT_NE(trashed.status().message().find("No space left on device"), std::string::npos) << trashed.status().message();
    EXPECT_FALSE(moveAllToTrash({volume / "clip.mp4"}).at(0)) << "many at once are refused the same way";
    EXPECT_EQ(readFile(volume / "clip.mp4"), "video");
    EXPECT_TRUE(namesIn(trash / "info").empty());
    EXPECT_TRUE(namesIn(trash / "files").empty());
}

INSTANTIATE_TEST_SUITE_P(Trash, FullVolume,
                         ::testing::Values(FullRow{"NoFreeBlocks", "size=256k", false, true},
                                           FullRow{"NoFreeBlocksAndNoTrashYet", "size=256k", false, false},
                                           FullRow{"NoFreeInodes", "nr_inodes=64", true, true},
                                           FullRow{"NoFreeInodesAndNoTrashYet", "nr_inodes=64", true, false}),
                         [](const ::testing::TestParamInfo<FullRow>& row) { return row.param.guard; });

// ---- names -----------------------------------------------------------------------------

// Two removals of one name are kept apart; after the trash was emptied, a restore says so
// and never takes another entry given the same trash name.
TEST_F(TrashTest, TwoRemovalsOfOneNameKeepBothAndARestoreTakesOnlyItsOwnEntry)
{
    for (const std::string& name : {std::string("clip.mp4"), longName(255)}) {
        SCOPED_TRACE(name.size());
        const fs::path original = scratch / "lib" / name;
        fs::create_directories(original.parent_path());
        writeFile(original, "first");
        Result<TrashedEntry> first = removeToTrash(original);
        writeFile(original, "second");
        Result<TrashedEntry> second = removeToTrash(original);
        ASSERT_TRUE(first && second);
        EXPECT_NE(first->name, second->name);
        EXPECT_EQ(readFile(first->filesPath()), "first");
        EXPECT_EQ(readFile(second->filesPath()), "second");
        const std::string listed = trashList();
        const std::string line = " " + original.native() + "\n";
        EXPECT_NE(listed.find(line), listed.rfind(line)) << "both listed:\n" << listed;

        const std::vector<TrashedEntry> found = trashedFrom(original);
        ASSERT_EQ(found.size(), 2u);
        EXPECT_EQ(found[0].name, first->name) << "oldest first";
        EXPECT_EQ(found[1].name, second->name);

        ASSERT_TRUE(restoreFromTrash(second.value()));
        EXPECT_EQ(restoreFromTrash(first.value()).code(), Status::Code::AlreadyExists) << "nothing is replaced";
        EXPECT_EQ(readFile(original), "second");
        EXPECT_EQ(readFile(first->filesPath()), "first");
        fs::remove(original);
        ASSERT_TRUE(restoreFromTrash(first.value()));
        EXPECT_EQ(readFile(original), "first");
        EXPECT_TRUE(namesIn(homeTrash() / "info").empty());
    }

    const fs::path original = scratch / "lib" / "clip.mp4"; // holding "first" again
    Result<TrashedEntry> first = removeToTrash(original);
    ASSERT_TRUE(first);
    // Emptied; a link elsewhere keeps its inode from being reused at once.
    fs::create_hard_link(first->filesPath(), scratch / "kept");
    fs::remove(first->filesPath());
    fs::remove(first->infoPath());
    EXPECT_EQ(restoreFromTrash(*first).code(), Status::Code::NotFound);

    // Another entry given the same trash name afterwards is not the one asked for.
    writeFile(original, "second");
    Result<TrashedEntry> second = removeToTrash(original);
    ASSERT_TRUE(second);
    ASSERT_EQ(second->name, first->name);
    const Status again = restoreFromTrash(*first);
    EXPECT_EQ(again.code(), Status::Code::NotFound);
    EXPECT_EQ(again.message(), "\"clip.mp4\" is no longer in the trash.");
    EXPECT_FALSE(exists(original));
    EXPECT_EQ(readFile(second->filesPath()), "second");
    EXPECT_FALSE(stillInTrash(*first));
    EXPECT_TRUE(stillInTrash(*second));
}

// ---- many at once ----------------------------------------------------------------------

// Each entry of a batch goes as one removal would and both readers list it; a stop leaves
// the rest where it is with no record. Putting many back leaves a taken name, and what
// follows a stop, in the trash.
TEST_F(TrashTest, ABatchMovesEachEntryAsOneRemovalWouldAndAStopOrATakenNameLeaveTheRestWhereItWas)
{
    EXPECT_EQ(removeToTrash(scratch / "missing.mp4").status().code(), Status::Code::NotFound);
    EXPECT_FALSE(exists(homeTrash())) << "nothing is made for nothing";
    const fs::path lib = scratch / "lib";
    const std::vector<std::string> names = {"plain.mp4", "caf\xE9.mp4", "two\nlines.mp4", longName(255), "link.mp4",
                                            "Trip", "missing.mp4", "stays.mp4", "stays too.mp4"};
    fs::create_directories(lib / "Trip");
    writeFile(lib / "Trip" / "a.mp4", "a");
    std::vector<fs::path> paths;
    for (std::size_t i = 0; i < names.size(); ++i) {
        paths.push_back(lib / names[i]);
        if (i < 4 || i > 6)
            writeFile(paths[i], "video " + std::to_string(i));
    }
    writeFile(scratch / "target.mp4", "target");
    fs::create_symlink(scratch / "target.mp4", lib / "link.mp4");

    std::vector<std::size_t> settled;
    const std::vector<Result<TrashedEntry>> results = moveAllToTrash(paths, [&](std::size_t n) {
        settled.push_back(n);
        return n < 7;
    });
    ASSERT_EQ(results.size(), names.size());
    EXPECT_EQ(settled, (std::vector<std::size_t>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(results[6].status().code(), Status::Code::NotFound);
    std::vector<TrashedEntry> entries; // all but the first, which trash-cli puts back
    const std::string cli = trashList(), gio = gioList();
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(results[i]) << results[i].status().toString();
        if (i > 0)
            entries.push_back(*results[i]);
        EXPECT_FALSE(exists(paths[i]));
        EXPECT_EQ(results[i]->original, paths[i]);
        EXPECT_LE(results[i]->name.size() + std::strlen(".trashinfo"), 255u);
        EXPECT_TRUE(listedByTrashCli(paths[i], cli)) << cli;
        EXPECT_TRUE(listedByGio(paths[i], gio)) << gio;
    }
    for (std::size_t i = 7; i < names.size(); ++i) {
        EXPECT_EQ(results[i].status().code(), Status::Code::Cancelled) << i;
        EXPECT_EQ(readFile(paths[i]), "video " + std::to_string(i));
    }
    EXPECT_EQ(namesIn(homeTrash() / "info").size(), 6u) << "no record of what stayed";
    EXPECT_EQ(namesIn(homeTrash() / "files").size(), 6u);
    EXPECT_TRUE(fs::is_symlink(results[4]->filesPath())) << "a link goes as a link";
    EXPECT_EQ(readFile(scratch / "target.mp4"), "target");

    ASSERT_TRUE(restoreWithTrashCli(paths[0])) << trashList();
    writeFile(paths[1], "a new one");
    const std::vector<Status> back = restoreAllFromTrash(entries, [](std::size_t n) { return n < 4; });
    ASSERT_EQ(back.size(), 5u);
    EXPECT_EQ(back[0].code(), Status::Code::AlreadyExists);
    EXPECT_TRUE(back[1] && back[2] && back[3]);
    EXPECT_EQ(back[4].code(), Status::Code::Cancelled);
    for (const std::size_t i : {0, 2, 3})
        EXPECT_EQ(readFile(paths[i]), "video " + std::to_string(i));
    EXPECT_EQ(readFile(paths[1]), "a new one");
    EXPECT_EQ(fs::read_symlink(paths[4]), scratch / "target.mp4");
    const std::string listed = trashList();
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(listedByTrashCli(paths[i], listed), i == 1 || i == 5) << i << "\n" << listed;
}

// ---- erasing on purpose ----------------------------------------------------------------

TEST_F(TrashTest, ErasePermanentlyRemovesLinksNotWhatTheyPointToNeverEntersAnotherVolumeAndNamesEveryFailure)
{
    fs::create_directories(scratch / "gone" / "sub");
    fs::create_directories(scratch / "keep");
    writeFile(scratch / "keep" / "precious.mp4", "keep me");
    writeFile(scratch / "gone" / "sub" / "a.mp4", "a");
    fs::create_directory_symlink(scratch / "keep", scratch / "gone" / "sub" / "keep link");
    fs::create_symlink(scratch / "keep" / "precious.mp4", scratch / "gone" / "file link.mp4");
    fs::create_symlink(scratch / "keep", scratch / "top link");
    ASSERT_TRUE(erasePermanently(scratch / "gone"));
    ASSERT_TRUE(erasePermanently(scratch / "top link"));
    EXPECT_FALSE(exists(scratch / "gone"));
    EXPECT_FALSE(exists(scratch / "top link"));
    EXPECT_EQ(readFile(scratch / "keep" / "precious.mp4"), "keep me");

    fs::create_directories(scratch / "gone" / "stick");
    writeFile(scratch / "gone" / "a.mp4", "a");
    Volume volume(scratch / "gone" / "stick", Volume::Kind::Tmpfs);
    SKIP_WITHOUT(volume);
    writeFile(volume / "on the stick.mp4", "elsewhere");
    const Status erased = erasePermanently(scratch / "gone");
    ASSERT_FALSE(erased);
    EXPECT_EQ(erased.message(), "2 items of \"gone\" could not be erased:\n" + (scratch / "gone" / "stick").string() +
                                    ": another volume is mounted there; it was left as it is\n" +
                                    (scratch / "gone").string() + ": Directory not empty");
    EXPECT_FALSE(exists(scratch / "gone" / "a.mp4"));
    EXPECT_EQ(readFile(volume / "on the stick.mp4"), "elsewhere");
}

} // namespace
} // namespace kavio
