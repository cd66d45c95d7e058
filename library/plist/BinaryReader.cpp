// Binary property lists ("bplist00"). Follows CoreFoundation's checks: the trailer and
// offset table are validated before anything else, every declared length and count is
// checked against the bytes that remain before allocating, and each object is decoded
// once by index, so shared references share one ValuePtr.

#include "library/plist/BinaryTrailer.h"
#include "library/plist/Codec.h"
#include "library/plist/Text.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace kavio::plist {

namespace {

constexpr std::size_t kHeaderSize = kBinaryHeaderSize;
constexpr std::size_t kTrailerSize = kBinaryTrailerSize;

std::uint64_t readBigEndian(const unsigned char* p, std::size_t n)
{
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
}

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b)
{
    return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max() : a + b;
}

class BinaryReader {
public:
    BinaryReader(std::string_view bytes, const Limits& limits)
        : data_(reinterpret_cast<const unsigned char*>(bytes.data())), size_(bytes.size()), limits_(limits)
    {
    }

    Result<ValuePtr> run()
    {
        if (Status s = readTrailer(); !s) return s;
        objects_.resize(numObjects_);
        ValuePtr root = object(top_, 1);
        if (!root) return error_;
        return root;
    }

private:
    enum class State : std::uint8_t { Unvisited, InProgress, Done };

    // Per object index: the decoded value and what a later reference needs to know.
    struct Slot {
        ValuePtr value;
        std::uint64_t expanded = 0; // tree size below and including this object
        std::uint32_t height = 0;   // container levels below and including this object
        State state = State::Unvisited;
    };

    Status readTrailer()
    {
        if (size_ > limits_.maxFileSize) return Status::limitExceeded("property list larger than the limit");
        if (size_ < kHeaderSize + kTrailerSize + 1) return Status::corrupt("binary property list too short");
        if (std::memcmp(data_, "bplist00", kHeaderSize) != 0) {
            return std::memcmp(data_, "bplist", 6) == 0 ? Status::unsupported("binary property list version")
                                                        : Status::corrupt("not a binary property list");
        }
        const auto trailer = parseBinaryTrailer(data_ + size_ - kTrailerSize, size_, limits_);
        if (!trailer) return trailer.status();
        offsetSize_ = trailer->offsetSize;
        refSize_ = trailer->refSize;
        numObjects_ = trailer->numObjects;
        top_ = trailer->top;
        tableOffset_ = trailer->tableOffset;
        for (std::uint64_t i = 0; i < numObjects_; ++i) {
            const std::uint64_t off = offsetOf(i);
            if (off < kHeaderSize || off >= tableOffset_) return Status::corrupt("object offset out of range");
        }
        return Status::ok();
    }

    std::uint64_t offsetOf(std::uint64_t index) const
    {
        return readBigEndian(data_ + tableOffset_ + index * offsetSize_, offsetSize_);
    }

    std::nullptr_t fail(Status s)
    {
        error_ = std::move(s);
        return nullptr;
    }

    // Bytes from pos to the start of the offset table: the most an object may span.
    std::uint64_t remaining(std::uint64_t pos) const { return pos <= tableOffset_ ? tableOffset_ - pos : 0; }

    // The element count of a string, data or container: the low nibble, or an integer
    // object right after the marker when the nibble is 0xF. Advances pos past it.
    bool readCount(unsigned info, std::uint64_t& pos, std::uint64_t& count)
    {
        if (info != 0xF) {
            count = info;
            return true;
        }
        if (remaining(pos) < 1) return false;
        const unsigned marker = data_[pos];
        if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3) return false;
        const std::size_t n = std::size_t{1} << (marker & 0x0F);
        if (remaining(pos + 1) < n) return false;
        count = readBigEndian(data_ + pos + 1, n);
        pos += 1 + n;
        return true;
    }

    ValuePtr object(std::uint64_t index, std::size_t level)
    {
        Slot& slot = objects_[index];
        if (slot.state == State::Done) {
            if (slot.height > 0 && level + slot.height - 1 > limits_.maxDepth) {
                return fail(Status::limitExceeded("nesting too deep"));
            }
            return slot.value;
        }
        if (slot.state == State::InProgress) return fail(Status::corrupt("reference cycle"));
        slot.state = State::InProgress;
        ValuePtr v = decode(index, level);
        if (!v) return nullptr;
        slot.value = v;
        slot.state = State::Done;
        return v;
    }

    ValuePtr decode(std::uint64_t index, std::size_t level)
    {
        std::uint64_t pos = offsetOf(index);
        const unsigned marker = data_[pos++];
        const unsigned info = marker & 0x0F;
        objects_[index].expanded = 1;
        switch (marker >> 4) {
        case 0x0:
            if (marker == 0x08 || marker == 0x09) return Value::makeBoolean(marker == 0x09);
            return fail(Status::unsupported("null or fill object"));
        case 0x1: return integer(pos, info);
        case 0x2:
            if (info == 2 && remaining(pos) >= 4) {
                const auto bits = static_cast<std::uint32_t>(readBigEndian(data_ + pos, 4));
                float f;
                std::memcpy(&f, &bits, 4);
                return Value::makeReal(f);
            }
            if (info == 3 && remaining(pos) >= 8) return Value::makeReal(readDouble(pos));
            return fail(Status::corrupt("bad real"));
        case 0x3:
            if (marker == 0x33 && remaining(pos) >= 8) return Value::makeDate(Date{readDouble(pos)});
            return fail(Status::corrupt("bad date"));
        case 0x4: {
            std::uint64_t n = 0;
            if (!readCount(info, pos, n) || n > remaining(pos)) return fail(Status::corrupt("data runs past the end"));
            if (n > limits_.maxDataLength) return fail(Status::limitExceeded("data too long"));
            return Value::makeData(Bytes::copyOf({reinterpret_cast<const char*>(data_ + pos), n}));
        }
        case 0x5:
        case 0x6: {
            std::string s;
            if (!string(marker, pos, s)) return nullptr;
            return Value::makeString(std::move(s));
        }
        case 0x8:
            if (info > 7 || remaining(pos) < info + 1u) return fail(Status::corrupt("bad UID"));
            return Value::makeUid(readBigEndian(data_ + pos, info + 1u));
        case 0xA: return array(index, pos, info, level);
        case 0xD: return dictionary(index, pos, info, level);
        case 0xB:
        case 0xC: return fail(Status::unsupported("sets are not read"));
        default: return fail(Status::corrupt("unknown object type"));
        }
    }

    double readDouble(std::uint64_t pos) const
    {
        const std::uint64_t bits = readBigEndian(data_ + pos, 8);
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }

    ValuePtr integer(std::uint64_t pos, unsigned info)
    {
        if (info <= 3) {
            const std::size_t n = std::size_t{1} << info;
            if (remaining(pos) < n) return fail(Status::corrupt("integer runs past the end"));
            const std::uint64_t v = readBigEndian(data_ + pos, n);
            // 1, 2 and 4 bytes are unsigned; 8 bytes are signed.
            return n == 8 ? Value::makeInteger(static_cast<std::int64_t>(v)) : Value::makeUnsigned(v);
        }
        if (info == 4 && remaining(pos) >= 16) {
            const std::uint64_t high = readBigEndian(data_ + pos, 8);
            const std::uint64_t low = readBigEndian(data_ + pos + 8, 8);
            if (high == 0) return Value::makeUnsigned(low);
            if (high == ~std::uint64_t{0} && (low >> 63)) return Value::makeInteger(static_cast<std::int64_t>(low));
            return fail(Status::unsupported("integer beyond 64 bits"));
        }
        return fail(Status::corrupt("bad integer"));
    }

    bool string(unsigned marker, std::uint64_t pos, std::string& out)
    {
        std::uint64_t n = 0;
        const bool utf16 = (marker >> 4) == 0x6;
        if (!readCount(marker & 0x0F, pos, n) || n > remaining(pos) / (utf16 ? 2 : 1)) {
            fail(Status::corrupt("string runs past the end"));
            return false;
        }
        // Every code unit yields at least one UTF-8 byte.
        if (n > limits_.maxStringLength) {
            fail(Status::limitExceeded("string too long"));
            return false;
        }
        if (!utf16) {
            out.assign(reinterpret_cast<const char*>(data_ + pos), n);
            if (!text::isAscii(out)) {
                fail(Status::corrupt("non-ASCII byte in an ASCII string"));
                return false;
            }
            return true;
        }
        out.reserve(n);
        text::appendUtf16BeAsUtf8(data_ + pos, n, out);
        if (out.size() > limits_.maxStringLength) {
            fail(Status::limitExceeded("string too long"));
            return false;
        }
        return true;
    }

    // Checks a container's references before its array is allocated.
    bool beginContainer(std::uint64_t pos, std::uint64_t refs, std::size_t level)
    {
        if (level > limits_.maxDepth) {
            fail(Status::limitExceeded("nesting too deep"));
        } else if (refs > remaining(pos) / refSize_) {
            fail(Status::corrupt("container runs past the end"));
        } else if (refs > limits_.maxExpandedNodes - std::min<std::uint64_t>(refsDecoded_, limits_.maxExpandedNodes)) {
            fail(Status::limitExceeded("too many nodes"));
        } else {
            refsDecoded_ += refs;
            return true;
        }
        return false;
    }

    // Decodes the object a reference at pos names, adding its size and height to the
    // container at `parent`.
    ValuePtr child(std::uint64_t parent, std::uint64_t pos, std::size_t level)
    {
        const std::uint64_t ref = readBigEndian(data_ + pos, refSize_);
        if (ref >= numObjects_) return fail(Status::corrupt("reference out of range"));
        ValuePtr v = object(ref, level + 1);
        if (!v) return nullptr;
        Slot& p = objects_[parent];
        const Slot& c = objects_[ref];
        p.expanded = saturatingAdd(p.expanded, c.expanded);
        p.height = std::max(p.height, c.height + 1);
        if (p.expanded > limits_.maxExpandedNodes) return fail(Status::limitExceeded("too many nodes"));
        return v;
    }

    ValuePtr array(std::uint64_t index, std::uint64_t pos, unsigned info, std::size_t level)
    {
        std::uint64_t n = 0;
        if (!readCount(info, pos, n)) return fail(Status::corrupt("bad array count"));
        if (!beginContainer(pos, n, level)) return nullptr;
        objects_[index].height = 1;
        Array items;
        items.reserve(n);
        for (std::uint64_t i = 0; i < n; ++i) {
            ValuePtr v = child(index, pos + i * refSize_, level);
            if (!v) return nullptr;
            items.push_back(std::move(v));
        }
        return Value::makeArray(std::move(items));
    }

    ValuePtr dictionary(std::uint64_t index, std::uint64_t pos, unsigned info, std::size_t level)
    {
        std::uint64_t n = 0;
        if (!readCount(info, pos, n)) return fail(Status::corrupt("bad dictionary count"));
        if (n > remaining(pos)) return fail(Status::corrupt("container runs past the end"));
        if (!beginContainer(pos, 2 * n, level)) return nullptr;
        objects_[index].height = 1;
        Dictionary entries;
        for (std::uint64_t i = 0; i < n; ++i) {
            ValuePtr key = child(index, pos + i * refSize_, level);
            if (!key) return nullptr;
            if (!key->string()) return fail(Status::corrupt("dictionary key is not a string"));
            ValuePtr v = child(index, pos + (n + i) * refSize_, level);
            if (!v) return nullptr;
            entries.insert_or_assign(*key->string(), std::move(v)); // duplicate keys: the last wins
        }
        return Value::makeDictionary(std::move(entries));
    }

    const unsigned char* data_;
    std::size_t size_;
    const Limits& limits_;
    unsigned offsetSize_ = 0;
    unsigned refSize_ = 0;
    std::uint64_t numObjects_ = 0;
    std::uint64_t top_ = 0;
    std::uint64_t tableOffset_ = 0;
    std::uint64_t refsDecoded_ = 0;
    std::vector<Slot> objects_;
    Status error_;
};

} // namespace

Result<BinaryTrailer> parseBinaryTrailer(const unsigned char* t, std::uint64_t fileSize, const Limits& limits)
{
    if (fileSize < kHeaderSize + kTrailerSize + 1) return Status::corrupt("binary property list too short");
    BinaryTrailer trailer;
    trailer.offsetSize = t[6];
    trailer.refSize = t[7];
    trailer.numObjects = readBigEndian(t + 8, 8);
    trailer.top = readBigEndian(t + 16, 8);
    trailer.tableOffset = readBigEndian(t + 24, 8);
    if (trailer.offsetSize < 1 || trailer.offsetSize > 8 || trailer.refSize < 1 || trailer.refSize > 8) {
        return Status::corrupt("bad offset or reference size");
    }
    if (trailer.numObjects < 1 || trailer.top >= trailer.numObjects) return Status::corrupt("bad object count or top object");
    if (trailer.numObjects > limits.maxObjects) return Status::limitExceeded("too many objects");
    // References must be able to name every object.
    if (trailer.refSize < 8 && trailer.numObjects > (std::uint64_t{1} << (8 * trailer.refSize))) {
        return Status::corrupt("reference size too small for the object count");
    }
    const std::uint64_t tableEnd = fileSize - kTrailerSize;
    if (trailer.tableOffset <= kHeaderSize || trailer.tableOffset > tableEnd) return Status::corrupt("offset table out of range");
    if (trailer.numObjects > (tableEnd - trailer.tableOffset) / trailer.offsetSize) return Status::corrupt("offset table truncated");
    return trailer;
}

Result<ValuePtr> readBinary(std::string_view bytes, const Limits& limits)
{
    return BinaryReader(bytes, limits).run();
}

} // namespace kavio::plist
