#include "Trash.h"

#include "library/PlainText.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <pwd.h>
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

bool writeAll(int fd, std::string_view bytes)
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
};

// Who name in dirFd is, without following it; errno set when it cannot be told.
std::optional<Identity> identityOf(int dirFd, const char* name)
{
    struct statx st {};
    if (::statx(dirFd, name, AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_BTIME, &st) != 0)
        return std::nullopt;
    Identity id{::makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino, 0};
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

// Writes the .trashinfo (created new, synced with its folder), then renames the entry
// into files/ under the same name; the .trashinfo goes again when the rename fails.
std::variant<TrashedEntry, Refusal> place(OpenTrash& trash, int parentFd, const fs::path& original,
                                          const std::string& pathValue)
{
    const std::string name = original.filename().native();
    const long nameMax = ::fpathconf(trash.info.get(), _PC_NAME_MAX);
    std::size_t limit = (nameMax > 0 ? static_cast<std::size_t>(nameMax) : NAME_MAX) - kInfoSuffixSize;
    const std::string date = deletionDateNow();
    const std::string contents = "[Trash Info]\nPath=" + pathValue + "\nDeletionDate=" + date + "\n";
    int n = 0;
    for (int tries = 0; tries < kMaxNameTries; ++tries) {
        const std::string candidate = trashNameFor(name, n, limit);
        const std::string infoName = candidate + kInfoSuffix;
        Descriptor info(::openat(trash.info.get(), infoName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!info.valid()) {
            const int error = errno;
            if (error == EEXIST) {
                ++n;
                continue;
            }
            if (error == ENAMETOOLONG && limit > kShortestNameLimit) {
                // The file system takes shorter names than it says (encrypted folders).
                limit = std::max(kShortestNameLimit, std::min(limit, candidate.size()) - std::min<std::size_t>(32, candidate.size()));
                continue;
            }
            return Refusal{"its trash information could not be written in " + shown(trash.dir / "info") + " (" + why(error) + ")"};
        }
        // Nothing of the entry moves until its record is on disk; a failed record goes again.
        auto dropInfo = [&](int error) {
            std::string reason = why(error);
            if (::unlinkat(trash.info.get(), infoName.c_str(), 0) != 0 && errno != ENOENT)
                reason += "; " + because(trash.dir / "info" / infoName, errno) + " is left behind";
            else
                (void)::fsync(trash.info.get()); // if the removal is lost, a record of nothing is left, which readers skip
            return reason;
        };
        // File systems stamp writes from a coarse clock (a few ms); the record's time, taken
        // from the fine one, keeps removals of one name within one second in their order.
        timespec now{};
        (void)::clock_gettime(CLOCK_REALTIME, &now);
        const timespec stamps[2] = {now, now};
        if (!writeAll(info.get(), contents) || ::futimens(info.get(), stamps) != 0 || ::fsync(info.get()) != 0 || info.close() != 0) {
            const int error = errno;
            return Refusal{"its trash information could not be written (" + dropInfo(error) + ")"};
        }
        if (::fsync(trash.info.get()) != 0) {
            const int error = errno;
            return Refusal{"its trash information could not be saved (" + dropInfo(error) + ")"};
        }
        if (renameNoReplaceAt(parentFd, name.c_str(), trash.files.get(), candidate.c_str()) != 0) {
            const int error = errno;
            const std::string reason = dropInfo(error);
            if (error == EEXIST) {
                ++n; // files/ holds this name without a record: take the next
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
        TrashedEntry entry{original, trash.dir, candidate, date, 0, 0, 0};
        if (const std::optional<Identity> id = identityOf(trash.files.get(), candidate.c_str()))
            std::tie(entry.device, entry.inode, entry.born) = std::tie(id->device, id->inode, id->born);
        return entry;
    }
    return Refusal{"no free name was found in " + shown(trash.dir / "files")};
}

} // namespace

Result<TrashedEntry> moveToTrash(const fs::path& path)
{
    std::error_code ec;
    fs::path absolute = fs::absolute(path, ec).lexically_normal();
    if (ec || absolute.empty())
        return Status::notFound(shown(path));
    if (!absolute.has_filename()) // "folder/" names the folder
        absolute = absolute.parent_path();
    const std::string name = absolute.filename().native();
    if (name.empty() || name == "." || name == ".." || absolute == absolute.root_path())
        return notTrashed(absolute.native(), "it is not an entry of a folder");
    const fs::path parent = fs::canonical(absolute.parent_path(), ec);
    if (ec)
        return Status::notFound(shown(absolute));
    const fs::path original = parent / name;
    const Descriptor parentFd = openFolder(parent);
    if (!parentFd.valid())
        return notTrashed(name, because(parent, errno));
    struct stat entry {};
    struct stat folder {};
    if (::fstatat(parentFd.get(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return Status::notFound(shown(original));
        return notTrashed(name, because(original, errno));
    }
    if (::fstat(parentFd.get(), &folder) != 0)
        return notTrashed(name, because(parent, errno));
    if (S_ISDIR(entry.st_mode) && entry.st_dev != folder.st_dev)
        return notTrashed(name, "another volume is mounted there");

    // Never into itself: a folder holding the trash (the volume's .Trash-$uid, ~/.local).
    auto holdsTrash = [&](const fs::path& trashDir) {
        return S_ISDIR(entry.st_mode) && isWithin(fs::weakly_canonical(trashDir, ec), original);
    };

    std::string homeRefusal;
    if (const std::optional<fs::path> home = dataHome(); home && deviceOfNearest(*home) == entry.st_dev) {
        if (holdsTrash(*home / "Trash"))
            return notTrashed(name, "it holds the trash itself");
        Result<OpenTrash> trash = openHomeTrash(*home);
        if (!trash)
            return notTrashed(name, "the trash could not be opened (" + trash.status().message() + ")");
        auto placed = place(*trash, parentFd.get(), original, escapePath(original.native()));
        if (auto* done = std::get_if<TrashedEntry>(&placed))
            return std::move(*done);
        const Refusal& refusal = std::get<Refusal>(placed);
        if (!refusal.otherVolume)
            return notTrashed(name, refusal.reason);
        homeRefusal = refusal.reason; // the home trash is on another mount of the same device
    }

    const fs::path topdir = topdirOf(parent, entry.st_dev);
    Result<OpenTrash> trash = openVolumeTrash(topdir);
    if (!trash)
        return notTrashed(name, "no trash on its volume can take it (" + trash.status().message() + ")");
    if (holdsTrash(trash->dir))
        return notTrashed(name, "it holds the trash itself");
    const std::string relative = original.lexically_relative(topdir).native();
    auto placed = place(*trash, parentFd.get(), original, escapePath(relative));
    if (auto* done = std::get_if<TrashedEntry>(&placed))
        return std::move(*done);
    std::string reason = std::get<Refusal>(placed).reason;
    if (!homeRefusal.empty())
        reason = homeRefusal + "; " + reason;
    return notTrashed(name, reason);
}

Status restoreFromTrash(const TrashedEntry& entry)
{
    const std::string name = entry.original.filename().native();
    const Status gone = Status::notFound(inQuotes(name) + " is no longer in the trash.");
    const Descriptor files = openFolder(entry.trashDir / "files");
    if (!files.valid())
        return gone;
    const std::optional<Identity> id = identityOf(files.get(), entry.name.c_str());
    if (!id)
        return errno == ENOENT ? gone : Status::ioError(because(entry.filesPath(), errno));
    if (entry.inode != 0 && (id->device != entry.device || id->inode != entry.inode || id->born != entry.born))
        return gone; // the trash was emptied and another entry took the name
    const Descriptor parent = openFolder(entry.original.parent_path());
    if (!parent.valid()) {
        if (errno == ENOENT || errno == ENOTDIR)
            return Status::notFound("The folder " + inQuotes(name) + " was in is gone: " + shown(entry.original.parent_path()));
        return Status::ioError(because(entry.original.parent_path(), errno));
    }
    if (renameNoReplaceAt(files.get(), entry.name.c_str(), parent.get(), name.c_str()) != 0) {
        if (errno == EEXIST)
            return Status::alreadyExists(inQuotes(name) + " already exists in " + shown(entry.original.parent_path()) +
                                         "; the one in the trash stays there.");
        return Status::ioError(inQuotes(name) + " could not be put back: " + because(entry.original, errno));
    }
    (void)::fsync(parent.get()); // back under its name; a failed sync leaves nothing better to do
    (void)::fsync(files.get());
    // The entry is back, which is what was asked. A .trashinfo that cannot be removed
    // names nothing left in files/: trash tools skip it and clear it when emptying.
    const Descriptor info = openFolder(entry.trashDir / "info");
    if (info.valid() && ::unlinkat(info.get(), (entry.name + kInfoSuffix).c_str(), 0) == 0)
        (void)::fsync(info.get());
    return Status::ok();
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
            TrashedEntry entry{{}, trashDir, file.substr(0, file.size() - kInfoSuffixSize), {}, 0, 0, 0};
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
