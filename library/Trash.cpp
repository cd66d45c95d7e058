#include "Trash.h"

#include "library/PlainText.h"
#include "library/Posix.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <optional>
#include <pwd.h>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/syscall.h>
#include <tuple>
#include <unistd.h>
#include <utility>
#include <variant>

namespace kavio {

namespace fs = std::filesystem;

namespace {

constexpr char kInfoSuffix[] = ".trashinfo";
constexpr std::size_t kInfoSuffixSize = sizeof kInfoSuffix - 1;
// Trash names tried for one entry: every failure is a distinct name taken or too long, so
// a bound this size is never reached in use and turns a broken file system into an error.
constexpr int kMaxNameTries = 1000;
constexpr std::size_t kShortestNameLimit = 16;
constexpr std::size_t kLongestKeptExtension = 16;
constexpr std::size_t kMaxInfoFileBytes = 64 * 1024;
constexpr std::size_t kMaxFailuresNamed = 20;

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // The caller owns it from now on.
    int release() { return std::exchange(fd_, -1); }
    // Closes now: a close can report a failed write-back.
    int close() { return ::close(std::exchange(fd_, -1)); }

private:
    int fd_;
};

Descriptor openFolder(const fs::path& path)
{
    return Descriptor(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

enum class Links { Follow, Refuse };

Descriptor openFolderAt(int dirFd, const char* name, Links links)
{
    return Descriptor(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | (links == Links::Refuse ? O_NOFOLLOW : 0)));
}

std::string inQuotes(std::string_view bytes)
{
    return "\"" + escapedForTerminal(bytes) + "\"";
}

std::string shown(const fs::path& path)
{
    return escapedForTerminal(path.native());
}

std::string because(const fs::path& what, int error)
{
    return shown(what) + ": " + std::strerror(error);
}

// Writes that failed for want of room say so in words a person knows.
std::string why(int error)
{
    if (error == ENOSPC || error == EDQUOT)
        return std::string("the volume is full (") + std::strerror(error) + ")";
    return std::strerror(error);
}

Status notTrashed(std::string_view name, const std::string& reason)
{
    return Status::ioError(inQuotes(name) + " was not moved to the trash: " + reason + "; it was left where it is.");
}

bool writeEvery(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The record's contents with its time taken from the fine clock: file systems stamp writes
// from a coarse one (a few ms), and removals of one name within one second keep their
// order by this time.
bool writeStamped(int fd, std::string_view contents)
{
    timespec now{};
    (void)::clock_gettime(CLOCK_REALTIME, &now);
    const timespec stamps[2] = {now, now};
    return writeEvery(fd, contents) && ::futimens(fd, stamps) == 0;
}

int renameNoReplaceAt(int fromDir, const char* from, int toDir, const char* to)
{
#ifdef SYS_renameat2
    if (::syscall(SYS_renameat2, fromDir, from, toDir, to, 1 /* RENAME_NOREPLACE */) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
#endif
    // No no-replace rename on this file system (some network and FUSE mounts): the check
    // and the rename are as close together as a plain rename allows.
    struct stat st {};
    if (::fstatat(toDir, to, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::renameat(fromDir, from, toDir, to);
}

// Path= values: every byte but unreserved URL characters and "/" as %XX, so that any name
// (a line break, bytes that are not UTF-8) fits on one line and comes back exactly.
std::string escapePath(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0x0F]);
        }
    }
    return out;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> unescapePath(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return std::nullopt;
        out.push_back(static_cast<char>(high << 4 | low));
        i += 2;
    }
    return out;
}

struct Identity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t born = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
};

// Who name in dirFd is, without following it; errno set when it cannot be told.
std::optional<Identity> identityOf(int dirFd, const char* name)
{
    struct statx st {};
    if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_BTIME | STATX_SIZE | STATX_MTIME | STATX_TYPE, &st) != 0)
        return std::nullopt;
    Identity id{::makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino, 0,
                S_ISREG(st.stx_mode) ? st.stx_size : 0, st.stx_mtime.tv_sec * 1'000'000'000LL + st.stx_mtime.tv_nsec};
    if ((st.stx_mask & STATX_BTIME) != 0)
        id.born = st.stx_btime.tv_sec * 1'000'000'000LL + st.stx_btime.tv_nsec;
    return id;
}

std::string deletionDateNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr)
        ::gmtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

bool isWithin(const fs::path& inner, const fs::path& outer)
{
    const std::string& in = inner.native();
    const std::string& out = outer.native();
    if (out == "/")
        return true;
    return in == out || (in.size() > out.size() && in.compare(0, out.size(), out) == 0 && in[out.size()] == '/');
}

// The mount table writes a space, tab, line break and backslash in a mount point as \ooo.
std::string unescapeMountField(std::string_view field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits = field.substr(i + 1, 3);
            if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
                out.push_back(static_cast<char>((digits[0] - '0') << 6 | (digits[1] - '0') << 3 | (digits[2] - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

// The mount point of the volume holding dir (absolute, links resolved) on device dev: the
// longest mount point in the mount table that contains dir, so that a bind mount is a
// volume of its own, as the trash tools see it; without a mount table, the highest
// folder above dir on the same device.
fs::path topdirOf(const fs::path& dir, dev_t dev)
{
    fs::path best;
    std::ifstream table("/proc/self/mountinfo");
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string id, parent, numbers, root, point;
        if (!(fields >> id >> parent >> numbers >> root >> point))
            continue;
        fs::path mountPoint(unescapeMountField(point));
        if (isWithin(dir, mountPoint) && mountPoint.native().size() >= best.native().size())
            best = std::move(mountPoint);
    }
    struct stat st {};
    if (!best.empty() && ::stat(best.c_str(), &st) == 0 && st.st_dev == dev)
        return best;
    fs::path top = dir;
    while (top.has_relative_path()) {
        fs::path up = top.parent_path();
        if (::stat(up.c_str(), &st) != 0 || st.st_dev != dev)
            break;
        top = std::move(up);
    }
    return top;
}

// $XDG_DATA_HOME when it is absolute, else ~/.local/share.
std::optional<fs::path> dataHome()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && xdg[0] == '/')
        return fs::path(xdg);
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return fs::path(home) / ".local" / "share";
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr && user->pw_dir[0] == '/')
        return fs::path(user->pw_dir) / ".local" / "share";
    return std::nullopt;
}

// The device of path, or of its nearest folder that exists.
std::optional<dev_t> deviceOfNearest(fs::path path)
{
    struct stat st {};
    while (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT || !path.has_relative_path())
            return std::nullopt;
        path = path.parent_path();
    }
    return st.st_dev;
}

// Every missing folder of path, private to the user as the data folders are.
int makeFolders(const fs::path& path)
{
    fs::path at;
    for (const fs::path& part : path) {
        at /= part;
        if (::mkdir(at.c_str(), 0700) != 0 && errno != EEXIST)
            return -1;
    }
    return 0;
}

// A trash folder with its files/ and info/ open.
struct OpenTrash {
    fs::path dir;
    fs::path topdir; // Path= values are relative to it; empty for the home trash
    Descriptor files;
    Descriptor info;
};

// files/ and info/ of the open trash folder, made when missing.
std::optional<std::string> openContents(int trashFd, Links links, OpenTrash& trash)
{
    for (const char* name : {"files", "info"}) {
        if (::mkdirat(trashFd, name, 0700) != 0 && errno != EEXIST)
            return because(trash.dir / name, errno);
        Descriptor fd = openFolderAt(trashFd, name, links);
        if (!fd.valid())
            return because(trash.dir / name, errno);
        (name[0] == 'f' ? trash.files : trash.info) = std::move(fd);
    }
    return std::nullopt;
}

Result<OpenTrash> openHomeTrash(const fs::path& home)
{
    OpenTrash trash{home / "Trash", {}, Descriptor(), Descriptor()};
    if (makeFolders(trash.dir) != 0)
        return Status::ioError(because(trash.dir, errno));
    const Descriptor dir = openFolder(trash.dir);
    if (!dir.valid())
        return Status::ioError(because(trash.dir, errno));
    if (std::optional<std::string> problem = openContents(dir.get(), Links::Follow, trash))
        return Status::ioError(*problem);
    return trash;
}

// $topdir/.Trash/$uid when .Trash is a sticky folder (not a link) and $uid is the user's
// own folder in it, else $topdir/.Trash-$uid, made private when missing.
Result<OpenTrash> openVolumeTrash(const fs::path& topdir)
{
    const uid_t uid = ::getuid();
    const std::string uidText = std::to_string(uid);
    const Descriptor top = openFolder(topdir);
    if (!top.valid())
        return Status::ioError(because(topdir, errno));
    struct stat st {};
    if (const Descriptor shared = openFolderAt(top.get(), ".Trash", Links::Refuse);
        shared.valid() && ::fstat(shared.get(), &st) == 0 && (st.st_mode & S_ISVTX) != 0) {
        if (::mkdirat(shared.get(), uidText.c_str(), 0700) == 0 || errno == EEXIST) {
            OpenTrash trash{topdir / ".Trash" / uidText, topdir, Descriptor(), Descriptor()};
            const Descriptor own = openFolderAt(shared.get(), uidText.c_str(), Links::Refuse);
            if (own.valid() && ::fstat(own.get(), &st) == 0 && st.st_uid == uid &&
                !openContents(own.get(), Links::Refuse, trash))
                return trash;
        }
    }
    OpenTrash trash{topdir / (".Trash-" + uidText), topdir, Descriptor(), Descriptor()};
    const std::string name = trash.dir.filename().native();
    if (::mkdirat(top.get(), name.c_str(), 0700) != 0 && errno != EEXIST)
        return Status::ioError(because(trash.dir, errno));
    const Descriptor own = openFolderAt(top.get(), name.c_str(), Links::Refuse);
    if (!own.valid())
        return Status::ioError(because(trash.dir, errno));
    if (::fstat(own.get(), &st) != 0)
        return Status::ioError(because(trash.dir, errno));
    if (st.st_uid != uid)
        return Status::ioError(shown(trash.dir) + " belongs to another user");
    if (std::optional<std::string> problem = openContents(own.get(), Links::Refuse, trash))
        return Status::ioError(*problem);
    return trash;
}

// Cuts text to at most size bytes, at a character boundary when it is UTF-8.
std::string cutTo(const std::string& text, std::size_t size)
{
    if (text.size() <= size)
        return text;
    if (isValidUtf8(text)) {
        while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80)
            --size;
    }
    return text.substr(0, size);
}

// The n-th name tried for name in a trash whose names may hold limit bytes: the name,
// then "stem.2.ext", "stem.3.ext" ..., each cut short to fit, keeping a short extension.
std::string trashNameFor(const std::string& name, int n, std::size_t limit)
{
    if (n == 0 && name.size() <= limit)
        return name;
    const std::string counter = n == 0 ? std::string() : "." + std::to_string(n + 1);
    const std::size_t dot = name.rfind('.');
    std::string extension;
    if (dot != std::string::npos && dot > 0 && name.size() - dot <= kLongestKeptExtension &&
        counter.size() + (name.size() - dot) < limit)
        extension = name.substr(dot);
    const std::string stem = name.substr(0, name.size() - extension.size());
    std::string candidate = cutTo(stem, limit - counter.size() - extension.size()) + counter + extension;
    if (candidate.empty() || candidate == "." || candidate == "..")
        candidate = "entry" + counter;
    return candidate;
}

// Why one trash could not take the entry, and whether another volume's trash may.
struct Refusal {
    std::string reason;
    bool otherVolume = false; // the trash is on another mount: a volume trash may still take it
};

// The names tried for one entry in one trash.
struct Naming {
    explicit Naming(const OpenTrash& trash)
    {
        const long nameMax = ::fpathconf(trash.info.get(), _PC_NAME_MAX);
        limit = (nameMax > 0 ? static_cast<std::size_t>(nameMax) : NAME_MAX) - kInfoSuffixSize;
    }
    int n = 0;
    int tries = 0;
    std::size_t limit = 0;
};

// A .trashinfo created for an entry, still empty and open.
struct NewInfo {
    std::string candidate; // the entry's name in files/, and of its record in info/
    Descriptor fd;
};

std::string trashInfoContents(const std::string& pathValue, const std::string& date)
{
    return "[Trash Info]\nPath=" + pathValue + "\nDeletionDate=" + date + "\n";
}

// Creates the .trashinfo of the next free name, shortening a name the file system finds
// too long.
std::variant<NewInfo, Refusal> createInfo(const OpenTrash& trash, const std::string& name, Naming& naming)
{
    while (naming.tries++ < kMaxNameTries) {
        std::string candidate = trashNameFor(name, naming.n, naming.limit);
        const std::string infoName = candidate + kInfoSuffix;
        Descriptor info(::openat(trash.info.get(), infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (info.valid())
            return NewInfo{std::move(candidate), std::move(info)};
        const int error = errno;
        if (error == EEXIST) {
            ++naming.n;
            continue;
        }
        if (error == ENAMETOOLONG && naming.limit > kShortestNameLimit) {
            // The file system takes shorter names than it says (encrypted folders).
            naming.limit = std::max(kShortestNameLimit, std::min(naming.limit, candidate.size()) -
                                                            std::min<std::size_t>(32, candidate.size()));
            continue;
        }
        return Refusal{"its trash information could not be written in " + shown(trash.dir / "info") + " (" + why(error) + ")"};
    }
    return Refusal{"no free name was found in " + shown(trash.dir / "files")};
}

// Takes a record back whose entry did not move; the reason why it did not, with what
// could not be cleared. sync: the removal is made durable at once (a batch syncs once).
enum class InfoSync { Now, Later };
std::string dropInfo(const OpenTrash& trash, const std::string& candidate, int error, InfoSync sync)
{
    std::string reason = why(error);
    const std::string infoName = candidate + kInfoSuffix;
    if (::unlinkat(trash.info.get(), infoName.c_str(), 0) != 0 && errno != ENOENT)
        reason += "; " + because(trash.dir / "info" / infoName, errno) + " is left behind";
    else if (sync == InfoSync::Now)
        (void)::fsync(trash.info.get()); // if the removal is lost, a record of nothing is left, which readers skip
    return reason;
}

TrashedEntry trashedEntry(const OpenTrash& trash, const fs::path& original, const std::string& candidate,
                          const std::string& date, const struct stat& before)
{
    TrashedEntry entry{original, trash.dir, candidate, date, 0, 0, 0, 0, 0};
    if (const std::optional<Identity> id = identityOf(trash.files.get(), candidate.c_str()))
        std::tie(entry.device, entry.inode, entry.born) = std::tie(id->device, id->inode, id->born);
    entry.size = S_ISREG(before.st_mode) ? static_cast<std::uint64_t>(before.st_size) : 0;
    entry.modified = before.st_mtim.tv_sec * 1'000'000'000LL + before.st_mtim.tv_nsec;
    return entry;
}

// Writes the .trashinfo (created new, synced with its folder), then renames the entry
// into files/ under the same name; the .trashinfo goes again when the rename fails.
std::variant<TrashedEntry, Refusal> place(OpenTrash& trash, int parentFd, const fs::path& original,
                                          const std::string& pathValue, const struct stat& before)
{
    const std::string name = original.filename().native();
    const std::string date = deletionDateNow();
    const std::string contents = trashInfoContents(pathValue, date);
    Naming naming(trash);
    for (;;) {
        std::variant<NewInfo, Refusal> created = createInfo(trash, name, naming);
        if (auto* refused = std::get_if<Refusal>(&created))
            return std::move(*refused);
        NewInfo& info = std::get<NewInfo>(created);
        // Nothing of the entry moves until its record is on disk; a failed record goes again.
        if (!writeStamped(info.fd.get(), contents) || ::fsync(info.fd.get()) != 0 || info.fd.close() != 0) {
            const int error = errno;
            return Refusal{"its trash information could not be written (" + dropInfo(trash, info.candidate, error, InfoSync::Now) + ")"};
        }
        if (::fsync(trash.info.get()) != 0) {
            const int error = errno;
            return Refusal{"its trash information could not be saved (" + dropInfo(trash, info.candidate, error, InfoSync::Now) + ")"};
        }
        if (renameNoReplaceAt(parentFd, name.c_str(), trash.files.get(), info.candidate.c_str()) != 0) {
            const int error = errno;
            const std::string reason = dropInfo(trash, info.candidate, error, InfoSync::Now);
            if (error == EEXIST) {
                ++naming.n; // files/ holds this name without a record: take the next
                continue;
            }
            if (error == EXDEV)
                return Refusal{shown(trash.dir) + " is on another volume", true};
            return Refusal{"it could not be moved into " + shown(trash.dir / "files") + " (" + reason + ")"};
        }
        // The entry is in the trash with its record; a failed folder sync cannot be undone
        // by anything better than what the file system already did.
        (void)::fsync(trash.files.get());
        (void)::fsync(parentFd);
        return trashedEntry(trash, original, info.candidate, date, before);
    }
}

// An entry looked at and found fit to go: its folder open, what it is.
struct Examined {
    fs::path original; // its folder's links resolved
    std::string name;
    Descriptor parent;
    struct stat entry {};
    std::pair<dev_t, ino_t> folder{}; // the folder's identity: each folder is synced once
};

std::variant<Examined, Status> examine(const fs::path& path)
{
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec).lexically_normal();
    if (ec || absolute.empty())
        return Status::notFound(shown(path));
    if (!absolute.has_filename()) // "folder/" names the folder
        absolute = absolute.parent_path();
    std::string name = absolute.filename().native();
    if (name.empty() || name == "." || name == ".." || absolute == absolute.root_path())
        return notTrashed(absolute.native(), "it is not an entry of a folder");
    const fs::path parent = fs::canonical(absolute.parent_path(), ec);
    if (ec)
        return Status::notFound(shown(absolute));
    Examined found{parent / name, name, openFolder(parent), {}, {}};
    if (!found.parent.valid())
        return notTrashed(name, because(parent, errno));
    struct stat folder {};
    if (::fstatat(found.parent.get(), name.c_str(), &found.entry, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return Status::notFound(shown(found.original));
        return notTrashed(name, because(found.original, errno));
    }
    if (::fstat(found.parent.get(), &folder) != 0)
        return notTrashed(name, because(parent, errno));
    if (S_ISDIR(found.entry.st_mode) && found.entry.st_dev != folder.st_dev)
        return notTrashed(name, "another volume is mounted there");
    found.folder = {folder.st_dev, folder.st_ino};
    return found;
}

// Never into itself: a folder holding the trash (the volume's .Trash-$uid, ~/.local).
bool holdsTrash(const Examined& e, const fs::path& trashDir)
{
    std::error_code ec;
    return S_ISDIR(e.entry.st_mode) && isWithin(fs::weakly_canonical(trashDir, ec), e.original);
}

// The home trash, when the entry is on the volume of the user's data folder.
std::optional<fs::path> homeTrashFor(const Examined& e)
{
    const std::optional<fs::path> home = dataHome();
    if (home && deviceOfNearest(*home) == e.entry.st_dev)
        return home;
    return std::nullopt;
}

// Trash folders opened once for a batch, with the volumes' mount points.
class TrashCache {
public:
    Result<OpenTrash*> home(const fs::path& dataHomePath)
    {
        return remember(dataHomePath / "Trash", [&] { return openHomeTrash(dataHomePath); });
    }
    Result<OpenTrash*> volume(const fs::path& topdir)
    {
        return remember(topdir, [&] { return openVolumeTrash(topdir); });
    }
    const fs::path& topdirOf(const fs::path& parent, dev_t dev)
    {
        auto it = topdirs_.find(parent);
        if (it == topdirs_.end())
            it = topdirs_.emplace(parent, kavio::topdirOf(parent, dev)).first;
        return it->second;
    }

private:
    Result<OpenTrash*> remember(const fs::path& key, const std::function<Result<OpenTrash>()>& open)
    {
        auto it = trashes_.find(key);
        if (it == trashes_.end())
            it = trashes_.emplace(key, open()).first;
        if (!it->second)
            return it->second.status();
        return &it->second.value();
    }

    std::map<fs::path, Result<OpenTrash>> trashes_;
    std::map<fs::path, fs::path> topdirs_;
};

} // namespace

Result<TrashedEntry> moveToTrash(const fs::path& path)
{
    std::variant<Examined, Status> examined = examine(path);
    if (auto* refused = std::get_if<Status>(&examined))
        return std::move(*refused);
    const Examined& e = std::get<Examined>(examined);
    const std::string& name = e.name;

    std::string homeRefusal;
    if (const std::optional<fs::path> home = homeTrashFor(e)) {
        if (holdsTrash(e, *home / "Trash"))
            return notTrashed(name, "it holds the trash itself");
        Result<OpenTrash> trash = openHomeTrash(*home);
        if (!trash)
            return notTrashed(name, "the trash could not be opened (" + trash.status().message() + ")");
        auto placed = place(*trash, e.parent.get(), e.original, escapePath(e.original.native()), e.entry);
        if (auto* done = std::get_if<TrashedEntry>(&placed))
            return std::move(*done);
        const Refusal& refusal = std::get<Refusal>(placed);
        if (!refusal.otherVolume)
            return notTrashed(name, refusal.reason);
        homeRefusal = refusal.reason; // the home trash is on another mount of the same device
    }

    const fs::path topdir = topdirOf(e.original.parent_path(), e.entry.st_dev);
    Result<OpenTrash> trash = openVolumeTrash(topdir);
    if (!trash)
        return notTrashed(name, "no trash on its volume can take it (" + trash.status().message() + ")");
    if (holdsTrash(e, trash->dir))
        return notTrashed(name, "it holds the trash itself");
    const std::string relative = e.original.lexically_relative(topdir).native();
    auto placed = place(*trash, e.parent.get(), e.original, escapePath(relative), e.entry);
    if (auto* done = std::get_if<TrashedEntry>(&placed))
        return std::move(*done);
    std::string reason = std::get<Refusal>(placed).reason;
    if (!homeRefusal.empty())
        reason = homeRefusal + "; " + reason;
    return notTrashed(name, reason);
}

namespace {

// Entries of a batch handled together: at most this many records are open at once.
constexpr std::size_t kBatchRun = 100;

// One entry of a run on its way: examined, its trash chosen, its record written.
struct Pending {
    std::size_t index = 0; // in the batch
    Examined examined;
    OpenTrash* trash = nullptr;
    NewInfo info;
    bool recorded = false; // the record is written; the entry may move once it is durable
};

class Batch {
public:
    Batch(const std::vector<fs::path>& paths, const TrashProgress& progress) : paths_(paths), progress_(progress)
    {
        results_.reserve(paths.size());
        for (const fs::path& path : paths) // what stays Cancelled unless it is settled
            results_.emplace_back(Status::cancelled(inQuotes(path.filename().native()) + " was left where it is: the removal was stopped."));
    }

    std::vector<Result<TrashedEntry>> run()
    {
        for (std::size_t start = 0; start < paths_.size() && !stopped_; start += kBatchRun)
            runFrom(start, std::min(paths_.size(), start + kBatchRun));
        return std::move(results_);
    }

private:
    void settle(std::size_t index, Result<TrashedEntry> result)
    {
        results_[index] = std::move(result);
        ++settled_;
        if (progress_ && !progress_(settled_))
            stopped_ = true;
    }

    // Everything an entry of the run could not do on its own in a batch goes the single way.
    void alone(Pending& p)
    {
        settle(p.index, moveToTrash(paths_[p.index]));
    }

    void runFrom(std::size_t start, std::size_t end)
    {
        std::vector<Pending> run;
        const std::string date = deletionDateNow();
        for (std::size_t i = start; i < end; ++i) {
            std::variant<Examined, Status> examined = examine(paths_[i]);
            if (auto* refused = std::get_if<Status>(&examined)) {
                settle(i, std::move(*refused));
                continue;
            }
            Pending p{i, std::get<Examined>(std::move(examined)), nullptr, NewInfo{{}, Descriptor()}, false};
            if (std::optional<Status> refused = record(p, date))
                settle(i, std::move(*refused));
            else
                run.push_back(std::move(p));
        }
        makeRecordsDurable(run);
        std::set<OpenTrash*> trashes;
        std::map<std::pair<dev_t, ino_t>, int> folders;
        for (Pending& p : run) {
            trashes.insert(p.trash);
            if (stopped_) {
                // Not moved, so nothing of the user's is at stake: an info file left behind
                // names nothing in files/, and readers pass it over.
                (void)dropInfo(*p.trash, p.info.candidate, ECANCELED, InfoSync::Later);
                continue;
            }
            if (!p.recorded) {
                alone(p); // its record could not be made durable with the others
                continue;
            }
            const Examined& e = p.examined;
            if (renameNoReplaceAt(e.parent.get(), e.name.c_str(), p.trash->files.get(), p.info.candidate.c_str()) != 0) {
                const int error = errno;
                const std::string reason = dropInfo(*p.trash, p.info.candidate, error, InfoSync::Later);
                if (error == EEXIST || error == EXDEV)
                    alone(p); // a name taken in files/, or a home trash on another mount
                else
                    settle(p.index, notTrashed(e.name, "it could not be moved into " + shown(p.trash->dir / "files") + " (" + reason + ")"));
                continue;
            }
            folders.emplace(e.folder, e.parent.get());
            settle(p.index, trashedEntry(*p.trash, e.original, p.info.candidate, date, e.entry));
        }
        // Renamed: the names made durable once per folder, with the records taken back
        // above. A failed sync leaves nothing better to do than what the file system did.
        for (OpenTrash* trash : trashes) {
            (void)::fsync(trash->files.get());
            (void)::fsync(trash->info.get());
        }
        for (const auto& [identity, folder] : folders)
            (void)::fsync(folder);
    }

    // Chooses the entry's trash and writes its record, not yet synced. A refusal when no
    // trash takes it.
    std::optional<Status> record(Pending& p, const std::string& date)
    {
        const Examined& e = p.examined;
        std::string pathValue;
        if (const std::optional<fs::path> home = homeTrashFor(e)) {
            if (holdsTrash(e, *home / "Trash"))
                return notTrashed(e.name, "it holds the trash itself");
            Result<OpenTrash*> trash = cache_.home(*home);
            if (!trash)
                return notTrashed(e.name, "the trash could not be opened (" + trash.status().message() + ")");
            p.trash = *trash;
            pathValue = escapePath(e.original.native());
        } else {
            const fs::path& topdir = cache_.topdirOf(e.original.parent_path(), e.entry.st_dev);
            Result<OpenTrash*> trash = cache_.volume(topdir);
            if (!trash)
                return notTrashed(e.name, "no trash on its volume can take it (" + trash.status().message() + ")");
            if (holdsTrash(e, (*trash)->dir))
                return notTrashed(e.name, "it holds the trash itself");
            p.trash = *trash;
            pathValue = escapePath(e.original.lexically_relative(topdir).native());
        }
        Naming naming(*p.trash);
        std::variant<NewInfo, Refusal> created = createInfo(*p.trash, e.name, naming);
        if (auto* refused = std::get_if<Refusal>(&created))
            return notTrashed(e.name, refused->reason);
        p.info = std::get<NewInfo>(std::move(created));
        if (!writeStamped(p.info.fd.get(), trashInfoContents(pathValue, date))) {
            const int error = errno;
            return notTrashed(e.name, "its trash information could not be written (" +
                                          dropInfo(*p.trash, p.info.candidate, error, InfoSync::Now) + ")");
        }
        return std::nullopt;
    }

    // One sync of each volume the run's records are on; where that cannot be trusted, or
    // fails, each record is synced on its own and only those that make it may move.
    void makeRecordsDurable(std::vector<Pending>& run)
    {
        std::map<OpenTrash*, bool> synced;
        for (Pending& p : run) {
            auto [it, first] = synced.emplace(p.trash, false);
            if (first)
                it->second = syncWholeVolume(p.trash->info.get());
            bool durable = it->second || ::fsync(p.info.fd.get()) == 0;
            int error = durable ? 0 : errno;
            if (p.info.fd.close() != 0 && durable) {
                durable = false;
                error = errno;
            }
            if (!durable) {
                (void)dropInfo(*p.trash, p.info.candidate, error, InfoSync::Now);
                continue; // tried again on its own, which says why it cannot go
            }
            p.recorded = true;
        }
        for (auto& [trash, whole] : synced) {
            if (!whole)
                (void)::fsync(trash->info.get()); // the records' names, synced one by one above
        }
    }

    const std::vector<fs::path>& paths_;
    const TrashProgress& progress_;
    std::vector<Result<TrashedEntry>> results_;
    TrashCache cache_;
    std::size_t settled_ = 0;
    bool stopped_ = false;
};

} // namespace

std::vector<Result<TrashedEntry>> moveAllToTrash(const std::vector<fs::path>& paths, const TrashProgress& progress)
{
    return Batch(paths, progress).run();
}

namespace {

// Folders opened once while entries come back, each synced once.
class OpenFolders {
public:
    int at(const fs::path& path)
    {
        auto it = open_.find(path);
        if (it == open_.end())
            it = open_.emplace(path, openFolder(path)).first;
        return it->second.get(); // -1, errno set, when it cannot be opened
    }
    void sync(const fs::path& path)
    {
        if (const auto it = open_.find(path); it != open_.end() && it->second.valid())
            (void)::fsync(it->second.get()); // a failed sync leaves nothing better to do than what was done
    }

private:
    std::map<fs::path, Descriptor> open_;
};

// Renames the entry back under its name; the names are not synced yet.
Status moveBack(const TrashedEntry& entry, OpenFolders& folders)
{
    const std::string name = entry.original.filename().native();
    const Status gone = Status::notFound(inQuotes(name) + " is no longer in the trash.");
    const int files = folders.at(entry.trashDir / "files");
    if (files < 0)
        return gone;
    const std::optional<Identity> id = identityOf(files, entry.name.c_str());
    if (!id)
        return errno == ENOENT ? gone : Status::ioError(because(entry.filesPath(), errno));
    if (entry.inode != 0 && (id->device != entry.device || id->inode != entry.inode || id->born != entry.born))
        return gone; // the trash was emptied and another entry took the name
    const int parent = folders.at(entry.original.parent_path());
    if (parent < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Status::notFound("The folder " + inQuotes(name) + " was in is gone: " + shown(entry.original.parent_path()));
        return Status::ioError(because(entry.original.parent_path(), errno));
    }
    if (renameNoReplaceAt(files, entry.name.c_str(), parent, name.c_str()) != 0) {
        if (errno == EEXIST)
            return Status::alreadyExists(inQuotes(name) + " already exists in " + shown(entry.original.parent_path()) +
                                         "; the one in the trash stays there.");
        return Status::ioError(inQuotes(name) + " could not be put back: " + because(entry.original, errno));
    }
    return Status::ok();
}

// The names of what came back made durable, and only then their records dropped: a crash
// in between leaves a record of nothing, which readers skip, never an entry without one.
// A record that cannot be removed names nothing left in files/: trash tools clear it.
void settleMovedBack(const std::vector<const TrashedEntry*>& back, OpenFolders& folders)
{
    std::set<fs::path> synced;
    for (const TrashedEntry* entry : back) {
        for (const fs::path& folder : {entry->original.parent_path(), entry->trashDir / "files"}) {
            if (synced.insert(folder).second)
                folders.sync(folder);
        }
    }
    std::set<fs::path> infos;
    for (const TrashedEntry* entry : back) {
        const int info = folders.at(entry->trashDir / "info");
        if (info >= 0 && ::unlinkat(info, (entry->name + kInfoSuffix).c_str(), 0) == 0)
            infos.insert(entry->trashDir / "info");
    }
    for (const fs::path& info : infos)
        folders.sync(info);
}

} // namespace

Status restoreFromTrash(const TrashedEntry& entry)
{
    OpenFolders folders;
    Status s = moveBack(entry, folders);
    if (s)
        settleMovedBack({&entry}, folders);
    return s;
}

std::vector<Status> restoreAllFromTrash(const std::vector<TrashedEntry>& entries, const TrashProgress& progress)
{
    std::vector<Status> results;
    results.reserve(entries.size());
    OpenFolders folders;
    std::vector<const TrashedEntry*> back;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        results.push_back(moveBack(entries[i], folders));
        if (results.back())
            back.push_back(&entries[i]);
        if (progress && !progress(i + 1)) {
            for (std::size_t j = i + 1; j < entries.size(); ++j)
                results.push_back(Status::cancelled(inQuotes(entries[j].original.filename().native()) +
                                                    " stays in the trash: putting back was stopped."));
            break;
        }
    }
    settleMovedBack(back, folders);
    return results;
}

bool stillInTrash(const TrashedEntry& entry)
{
    const std::optional<Identity> id = identityOf(AT_FDCWD, entry.filesPath().c_str());
    return id && (entry.inode == 0 || (id->device == entry.device && id->inode == entry.inode && id->born == entry.born));
}

std::vector<TrashedEntry> trashedFrom(const fs::path& path)
{
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec).lexically_normal();
    if (ec || !absolute.has_filename())
        return {};
    const fs::path parent = fs::canonical(absolute.parent_path(), ec);
    struct stat folder {};
    if (ec || ::stat(parent.c_str(), &folder) != 0)
        return {};
    const fs::path original = parent / absolute.filename();

    std::vector<std::pair<TrashedEntry, std::int64_t>> found; // with when its record was written
    std::vector<std::pair<fs::path, fs::path>> trashes;       // trash folder, topdir of relative paths
    if (const std::optional<fs::path> home = dataHome())
        trashes.emplace_back(*home / "Trash", fs::path());
    const fs::path topdir = topdirOf(parent, folder.st_dev);
    trashes.emplace_back(topdir / ".Trash" / std::to_string(::getuid()), topdir);
    trashes.emplace_back(topdir / (".Trash-" + std::to_string(::getuid())), topdir);

    for (const auto& [trashDir, top] : trashes) {
        DIR* dir = ::opendir((trashDir / "info").c_str());
        if (dir == nullptr)
            continue;
        while (const dirent* item = ::readdir(dir)) {
            const std::string file = item->d_name;
            if (file.size() <= kInfoSuffixSize || !file.ends_with(kInfoSuffix))
                continue;
            std::ifstream in(trashDir / "info" / file, std::ios::binary);
            std::string text(kMaxInfoFileBytes, '\0');
            in.read(text.data(), static_cast<std::streamsize>(text.size()));
            text.resize(static_cast<std::size_t>(in.gcount()));
            TrashedEntry entry{{}, trashDir, file.substr(0, file.size() - kInfoSuffixSize), {}, 0, 0, 0, 0, 0};
            std::istringstream lines(text);
            bool inGroup = false;
            for (std::string line; std::getline(lines, line);) {
                if (line.starts_with('['))
                    inGroup = line == "[Trash Info]";
                else if (inGroup && line.starts_with("Path=")) {
                    if (std::optional<std::string> value = unescapePath(std::string_view(line).substr(5)))
                        entry.original = top.empty() || (*value)[0] == '/' ? fs::path(*value) : top / *value;
                } else if (inGroup && line.starts_with("DeletionDate=")) {
                    entry.deletionDate = line.substr(13);
                }
            }
            if (entry.original != original)
                continue;
            const std::optional<Identity> id = identityOf(AT_FDCWD, entry.filesPath().c_str());
            struct stat info {};
            if (!id || ::stat((trashDir / "info" / file).c_str(), &info) != 0)
                continue;
            std::tie(entry.device, entry.inode, entry.born) = std::tie(id->device, id->inode, id->born);
            std::tie(entry.size, entry.modified) = std::tie(id->size, id->modified);
            // Removals within one second of each other come in the order of their records.
            const std::int64_t written = info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec;
            found.emplace_back(std::move(entry), written);
        }
        ::closedir(dir);
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return std::tie(a.first.deletionDate, a.second, a.first.name) < std::tie(b.first.deletionDate, b.second, b.first.name);
    });
    std::vector<TrashedEntry> entries;
    for (auto& [entry, written] : found)
        entries.push_back(std::move(entry));
    return entries;
}

namespace {

struct Eraser {
    std::vector<std::string> failures;
    std::size_t failureCount = 0;

    void fail(const fs::path& what, const std::string& reason)
    {
        ++failureCount;
        if (failures.size() < kMaxFailuresNamed)
            failures.push_back(shown(what) + ": " + reason);
    }

    // Removes name in the open folder dirFd (on device dev), depth first; never crosses
    // into another volume and never follows a link.
    void erase(int dirFd, const std::string& name, const fs::path& shownPath, dev_t dev)
    {
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                fail(shownPath, std::strerror(errno));
            return;
        }
        if (!S_ISDIR(st.st_mode)) {
            if (::unlinkat(dirFd, name.c_str(), 0) != 0 && errno != ENOENT)
                fail(shownPath, std::strerror(errno));
            return;
        }
        if (st.st_dev != dev) {
            fail(shownPath, "another volume is mounted there; it was left as it is");
            return;
        }
        Descriptor fd = openFolderAt(dirFd, name.c_str(), Links::Refuse);
        if (!fd.valid()) {
            fail(shownPath, std::strerror(errno));
            return;
        }
        DIR* dir = ::fdopendir(fd.get());
        if (dir == nullptr) {
            fail(shownPath, std::strerror(errno));
            return;
        }
        (void)fd.release();
        std::vector<std::string> names;
        errno = 0;
        while (const dirent* item = ::readdir(dir)) {
            const std::string child = item->d_name;
            if (child != "." && child != "..")
                names.push_back(child);
            errno = 0;
        }
        if (errno != 0)
            fail(shownPath, std::strerror(errno));
        for (const std::string& child : names)
            erase(::dirfd(dir), child, shownPath / child, dev);
        ::closedir(dir);
        if (::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT)
            fail(shownPath, std::strerror(errno));
    }
};

} // namespace

Status erasePermanently(const fs::path& path)
{
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec).lexically_normal();
    if (!ec && !absolute.has_filename())
        absolute = absolute.parent_path();
    const std::string name = absolute.filename().native();
    if (ec || name.empty() || name == "." || name == "..")
        return Status::notFound(shown(path));
    const Descriptor parent = openFolder(absolute.parent_path());
    struct stat st {};
    if (!parent.valid() || ::fstatat(parent.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return Status::notFound(shown(absolute));
        return Status::ioError(because(absolute, errno));
    }
    Eraser eraser;
    eraser.erase(parent.get(), name, absolute, st.st_dev);
    if (eraser.failureCount == 0) {
        (void)::fsync(parent.get()); // erased; a failed sync of the folder changes nothing for the caller
        return Status::ok();
    }
    std::string message = std::to_string(eraser.failureCount) + (eraser.failureCount == 1 ? " item" : " items") +
                          " of " + inQuotes(name) + " could not be erased:";
    for (const std::string& failure : eraser.failures)
        message += "\n" + failure;
    if (eraser.failureCount > eraser.failures.size())
        message += "\nand " + std::to_string(eraser.failureCount - eraser.failures.size()) + " more";
    return Status::ioError(message);
}

} // namespace kavio
