#pragma once
// In-memory property list. Values are immutable and shared: a binary plist that refers
// to one object from many places yields one Value with many holders, never copies.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kavio::plist {

// Immutable byte buffer shared by every holder (store dictionary, archive, record), so
// handing a 30 KB thumbnail around never copies it.
class Bytes {
public:
    Bytes() = default;
    explicit Bytes(std::string bytes);
    static Bytes copyOf(std::string_view bytes) { return Bytes(std::string(bytes)); }

    std::string_view view() const { return data_ ? std::string_view(*data_) : std::string_view(); }
    const char* data() const { return view().data(); }
    std::size_t size() const { return data_ ? data_->size() : 0; }
    bool empty() const { return size() == 0; }

    friend bool operator==(const Bytes& a, const Bytes& b) { return a.view() == b.view(); }

private:
    std::shared_ptr<const std::string> data_;
};

// Keyed archives refer to their objects by UID.
struct Uid {
    std::uint64_t value = 0;
    friend bool operator==(const Uid&, const Uid&) = default;
};

// Seconds since 2001-01-01 00:00:00 UTC, as Apple's formats count.
struct Date {
    double secondsSinceReferenceDate = 0;
    friend bool operator==(const Date&, const Date&) = default;
};

// Integers cover the signed 64-bit range plus unsigned values above INT64_MAX, which
// Apple's binary writer stores as 16-byte integers.
struct Integer {
    std::int64_t bits = 0;
    bool isUnsigned = false; // bits holds a uint64 above INT64_MAX
    friend bool operator==(const Integer&, const Integer&) = default;
};

// Declared before the Array and Dictionary aliases so its enumerators do not shadow them.
enum class ValueType { Boolean, Integer, Real, Date, String, Data, Array, Dictionary, Uid };

class Value;
using ValuePtr = std::shared_ptr<const Value>;
using Array = std::vector<ValuePtr>;
// Keys sorted: the XML writer needs them sorted, and the store iterates in key order.
using Dictionary = std::map<std::string, ValuePtr, std::less<>>;

class Value {
public:
    using Type = ValueType;

    static ValuePtr makeBoolean(bool v);
    static ValuePtr makeInteger(std::int64_t v);
    static ValuePtr makeUnsigned(std::uint64_t v);
    static ValuePtr makeReal(double v);
    static ValuePtr makeDate(Date v);
    static ValuePtr makeString(std::string utf8);
    static ValuePtr makeData(Bytes v);
    static ValuePtr makeArray(Array v);
    static ValuePtr makeDictionary(Dictionary v);
    static ValuePtr makeUid(std::uint64_t v);

    Type type() const;

    // Typed views: empty / nullptr when the value is of another type.
    std::optional<bool> boolean() const;
    std::optional<std::int64_t> int64() const;   // also unsigned values that fit
    std::optional<std::uint64_t> uint64() const; // non-negative values only
    const Integer* integer() const;
    std::optional<double> real() const;
    std::optional<Date> date() const;
    const std::string* string() const;
    const Bytes* data() const;
    const Array* array() const;
    const Dictionary* dictionary() const;
    std::optional<Uid> uid() const;

    // Dictionary member, nullptr when this is not a dictionary or the key is missing.
    const Value* find(std::string_view key) const;

    friend bool operator==(const Value& a, const Value& b);

    using Storage = std::variant<bool, Integer, double, Date, std::string, Bytes, Array, Dictionary, Uid>;
    explicit Value(Storage s) : storage_(std::move(s)) {}
    // Builds the alternative in place (the factories use it; no variant is moved).
    template <typename T>
    Value(std::in_place_type_t<T> tag, T v) : storage_(tag, std::move(v)) {}
    const Storage& storage() const { return storage_; }
    // type() is the storage index.
    static_assert(std::variant_size_v<Storage> == static_cast<std::size_t>(Type::Uid) + 1);

private:
    Storage storage_;
};

} // namespace kavio::plist
