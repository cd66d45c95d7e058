// Binary property-list writer. Objects are laid out depth first, dictionary keys before
// values, with equal scalars stored once and shared containers once (as Python's plistlib
// does); reference and offset sizes are the smallest that fit, as in Apple's writer.

#include "library/plist/Codec.h"
#include "library/plist/Text.h"

#include <cstring>
#include <functional>
#include <unordered_map>

namespace kavio::plist {

namespace {

// A scalar by value, so equal strings, numbers and data become one object.
struct ScalarKey {
    std::size_t type;
    std::uint64_t bits;
    std::string_view bytes;
    friend bool operator==(const ScalarKey&, const ScalarKey&) = default;
};

struct ScalarKeyHash {
    std::size_t operator()(const ScalarKey& k) const
    {
        const std::size_t h = std::hash<std::string_view>()(k.bytes) ^ std::hash<std::uint64_t>()(k.bits);
        return h * 31 + k.type;
    }
};

constexpr std::size_t kStringType = static_cast<std::size_t>(Value::Type::String);

template <typename T>
std::uint64_t bitsOf(T v)
{
    std::uint64_t bits = 0;
    static_assert(sizeof(T) <= sizeof bits);
    std::memcpy(&bits, &v, sizeof v);
    return bits;
}

ScalarKey keyOf(const Value& v)
{
    const std::size_t type = v.storage().index();
    return std::visit(
        [type](const auto& s) -> ScalarKey {
            using T = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<T, std::string>) return {type, 0, s};
            else if constexpr (std::is_same_v<T, Bytes>) return {type, 0, s.view()};
            else if constexpr (std::is_same_v<T, Integer>) return {type, static_cast<std::uint64_t>(s.bits), s.isUnsigned ? "u" : ""};
            else if constexpr (std::is_same_v<T, Date>) return {type, bitsOf(s.secondsSinceReferenceDate), {}};
            else if constexpr (std::is_same_v<T, Uid>) return {type, s.value, {}};
            else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, bool>) return {type, bitsOf(s), {}};
            else return {type, 0, {}}; // containers are keyed by address instead
        },
        v.storage());
}

bool isContainer(const Value& v)
{
    return v.type() == Value::Type::Array || v.type() == Value::Type::Dictionary;
}

unsigned bytesFor(std::uint64_t n)
{
    if (n < (1u << 8)) return 1;
    if (n < (1u << 16)) return 2;
    if (n < (std::uint64_t{1} << 32)) return 4;
    return 8;
}

void appendBigEndian(std::uint64_t v, unsigned n, std::string& out)
{
    for (unsigned i = n; i-- > 0;) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

unsigned log2Of(unsigned n)
{
    return n == 1 ? 0 : n == 2 ? 1 : n == 4 ? 2 : 3;
}

class BinaryWriter {
public:
    std::string write(const Value& root)
    {
        flatten(root);
        refSize_ = bytesFor(objects_.size());
        out_.assign("bplist00");
        std::vector<std::uint64_t> offsets;
        offsets.reserve(objects_.size());
        for (const auto& o : objects_) {
            offsets.push_back(out_.size());
            if (o.key) writeString(*o.key);
            else writeObject(*o.value);
        }
        const std::uint64_t tableOffset = out_.size();
        const unsigned offsetSize = bytesFor(tableOffset);
        for (std::uint64_t off : offsets) appendBigEndian(off, offsetSize, out_);
        out_.append(6, '\0');
        out_.push_back(static_cast<char>(offsetSize));
        out_.push_back(static_cast<char>(refSize_));
        appendBigEndian(objects_.size(), 8, out_);
        appendBigEndian(0, 8, out_);
        appendBigEndian(tableOffset, 8, out_);
        return std::move(out_);
    }

private:
    // An object is a value or a dictionary key (keys are plain strings in a Dictionary).
    struct Object {
        const Value* value = nullptr;
        const std::string* key = nullptr;
    };

    std::uint64_t indexOf(const Value& v) const
    {
        return isContainer(v) ? containers_.at(&v) : scalars_.at(keyOf(v));
    }
    std::uint64_t indexOf(const std::string& key) const { return scalars_.at({kStringType, 0, key}); }

    // Depth-first numbering with an explicit stack; children pushed in reverse so they
    // come off in document order.
    void flatten(const Value& root)
    {
        std::vector<Object> pending{{&root, nullptr}};
        while (!pending.empty()) {
            const Object o = pending.back();
            pending.pop_back();
            const std::uint64_t next = objects_.size();
            if (o.key) {
                if (!scalars_.try_emplace({kStringType, 0, *o.key}, next).second) continue;
            } else if (isContainer(*o.value)) {
                if (!containers_.try_emplace(o.value, next).second) continue;
            } else if (!scalars_.try_emplace(keyOf(*o.value), next).second) {
                continue;
            }
            objects_.push_back(o);
            if (const auto* a = o.value ? o.value->array() : nullptr) {
                for (auto it = a->rbegin(); it != a->rend(); ++it) pending.push_back({it->get(), nullptr});
            } else if (const auto* d = o.value ? o.value->dictionary() : nullptr) {
                for (auto it = d->rbegin(); it != d->rend(); ++it) pending.push_back({it->second.get(), nullptr});
                for (auto it = d->rbegin(); it != d->rend(); ++it) pending.push_back({nullptr, &it->first});
            }
        }
    }

    void writeMarker(unsigned type, std::uint64_t count)
    {
        if (count < 15) {
            out_.push_back(static_cast<char>(type << 4 | count));
            return;
        }
        out_.push_back(static_cast<char>(type << 4 | 0xF));
        const unsigned n = bytesFor(count);
        out_.push_back(static_cast<char>(0x10 | log2Of(n)));
        appendBigEndian(count, n, out_);
    }

    void writeString(const std::string& s)
    {
        if (text::isAscii(s)) {
            writeMarker(0x5, s.size());
            out_ += s;
        } else {
            const std::string units = text::utf8ToUtf16Be(s);
            writeMarker(0x6, units.size() / 2);
            out_ += units;
        }
    }

    void writeInteger(const Integer& v)
    {
        if (v.isUnsigned) {
            out_.push_back(0x14);
            appendBigEndian(0, 8, out_);
            appendBigEndian(static_cast<std::uint64_t>(v.bits), 8, out_);
            return;
        }
        // Negative numbers take 8 bytes: shorter integers are read as unsigned.
        const unsigned n = v.bits < 0 ? 8 : bytesFor(static_cast<std::uint64_t>(v.bits));
        out_.push_back(static_cast<char>(0x10 | log2Of(n)));
        appendBigEndian(static_cast<std::uint64_t>(v.bits), n, out_);
    }

    void writeObject(const Value& v)
    {
        switch (v.type()) {
        case Value::Type::Boolean: out_.push_back(*v.boolean() ? 0x09 : 0x08); break;
        case Value::Type::Integer: writeInteger(*v.integer()); break;
        case Value::Type::Real:
            out_.push_back(0x23);
            appendBigEndian(bitsOf(*v.real()), 8, out_);
            break;
        case Value::Type::Date:
            out_.push_back(0x33);
            appendBigEndian(bitsOf(v.date()->secondsSinceReferenceDate), 8, out_);
            break;
        case Value::Type::String: writeString(*v.string()); break;
        case Value::Type::Data:
            writeMarker(0x4, v.data()->size());
            out_ += v.data()->view();
            break;
        case Value::Type::Uid: {
            const unsigned n = bytesFor(v.uid()->value);
            out_.push_back(static_cast<char>(0x80 | (n - 1)));
            appendBigEndian(v.uid()->value, n, out_);
            break;
        }
        case Value::Type::Array:
            writeMarker(0xA, v.array()->size());
            for (const auto& item : *v.array()) appendBigEndian(indexOf(*item), refSize_, out_);
            break;
        case Value::Type::Dictionary:
            writeMarker(0xD, v.dictionary()->size());
            for (const auto& [key, item] : *v.dictionary()) appendBigEndian(indexOf(key), refSize_, out_);
            for (const auto& [key, item] : *v.dictionary()) appendBigEndian(indexOf(*item), refSize_, out_);
            break;
        }
    }

    std::vector<Object> objects_;
    std::unordered_map<const Value*, std::uint64_t> containers_;
    std::unordered_map<ScalarKey, std::uint64_t, ScalarKeyHash> scalars_;
    unsigned refSize_ = 1;
    std::string out_;
};

} // namespace

std::string writeBinary(const Value& root)
{
    return BinaryWriter().write(root);
}

} // namespace kavio::plist
