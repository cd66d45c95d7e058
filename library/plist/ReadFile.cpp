#include "library/plist/BinaryTrailer.h"
#include "library/plist/Codec.h"
#include "library/plist/XmlReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavio::plist {

namespace {

constexpr std::string_view kBinaryMagic = "bplist";
constexpr std::size_t kXmlChunk = 256u << 10;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

Status errnoStatus(const std::string& what)
{
    return Status::ioError(what + ": " + std::strerror(errno));
}

// Reads up to `size` bytes, fewer only at the end of the file.
Result<std::size_t> readFully(int fd, char* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, size - done);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return errnoStatus("read");
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

Result<ValuePtr> readBinaryFile(int fd, std::string head, std::size_t size, const Limits& limits)
{
    // The trailer alone refuses most files that are not property lists (a disk image, a
    // file of zeros) before hundreds of MB are read. Too short a file is left to readBinary.
    if (size >= kBinaryHeaderSize + kBinaryTrailerSize + 1) {
        unsigned char trailer[kBinaryTrailerSize];
        const off_t at = static_cast<off_t>(size - kBinaryTrailerSize);
        if (::pread(fd, trailer, sizeof trailer, at) == static_cast<ssize_t>(sizeof trailer)) {
            if (const auto t = parseBinaryTrailer(trailer, size, limits); !t) return t.status();
        }
    }
    std::string bytes = std::move(head);
    const std::size_t start = bytes.size();
    // One byte past the size seen by fstat, to notice a file that grew past its limit.
    bytes.resize(std::max(size, start) + 1);
    const auto n = readFully(fd, bytes.data() + start, bytes.size() - start);
    if (!n) return n.status();
    bytes.resize(start + *n);
    if (bytes.size() > limits.maxFileSize) return Status::limitExceeded("property list larger than the limit");
    return readBinary(bytes, limits);
}

// Streams the file through the parser a chunk at a time; bytes the parser leaves (a tag
// cut by the chunk's end) move to the front of the buffer for the next round.
Result<ValuePtr> readXmlFile(int fd, std::string_view head, const Limits& limits)
{
    XmlParser parser(limits);
    std::string buffer(kXmlChunk + 64, '\0');
    std::size_t held = head.size();
    std::memcpy(buffer.data(), head.data(), held);
    for (;;) {
        const auto n = readFully(fd, buffer.data() + held, kXmlChunk);
        if (!n) return n.status();
        const auto input = *n == 0 ? XmlParser::Input::Last : XmlParser::Input::More;
        std::size_t consumed = 0;
        if (Status s = parser.feed({buffer.data(), held + *n}, input, consumed); !s) return s;
        if (input == XmlParser::Input::Last) break;
        held = held + *n - consumed;
        std::memmove(buffer.data(), buffer.data() + consumed, held);
    }
    return parser.finish();
}

} // namespace

Result<ValuePtr> read(std::string_view bytes, const Limits& limits)
{
    return bytes.substr(0, kBinaryMagic.size()) == kBinaryMagic ? readBinary(bytes, limits) : readXml(bytes, limits);
}

Result<ValuePtr> readFile(const std::filesystem::path& path, const Limits& limits)
{
    // Anything but a regular file is refused before it is opened: opening a device can
    // act (a watchdog arms, a tape rewinds). The fstat below still catches a swap.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return Status::unsupported("not a regular file: " + path.string());
    // Non-blocking: opening a FIFO with no writer must not hang.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return Status::notFound(path.string());
        return errnoStatus("open " + path.string());
    }
    if (::fstat(fd.get(), &st) != 0) return errnoStatus("stat " + path.string());
    if (!S_ISREG(st.st_mode)) return Status::unsupported("not a regular file: " + path.string());
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size > limits.maxFileSize) return Status::limitExceeded("file larger than the limit: " + path.string());

    std::string head(kBinaryMagic.size(), '\0');
    const auto n = readFully(fd.get(), head.data(), head.size());
    if (!n) return n.status();
    head.resize(*n);
    if (head == kBinaryMagic) return readBinaryFile(fd.get(), std::move(head), size, limits);
    return readXmlFile(fd.get(), head, limits);
}

} // namespace kavio::plist
