#include "library/plist/Value.h"

#include <cmath>
#include <limits>
#include <utility>

namespace kavio::plist {

Bytes::Bytes(std::string bytes) : data_(std::make_shared<const std::string>(std::move(bytes))) {}

namespace {

template <typename T>
ValuePtr make(T v)
{
    return std::make_shared<const Value>(std::in_place_type<T>, std::move(v));
}

bool sameReal(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

// Compares the scalar parts of two values of the same type; containers are compared by
// the caller's explicit stack.
bool sameScalar(const Value::Storage& a, const Value::Storage& b)
{
    if (const auto* x = std::get_if<double>(&a)) {
        return sameReal(*x, std::get<double>(b));
    }
    if (const auto* x = std::get_if<Date>(&a)) {
        return sameReal(x->secondsSinceReferenceDate, std::get<Date>(b).secondsSinceReferenceDate);
    }
    return a == b;
}

} // namespace

ValuePtr Value::makeBoolean(bool v) { return make(v); }
ValuePtr Value::makeInteger(std::int64_t v) { return make(Integer{v, false}); }

ValuePtr Value::makeUnsigned(std::uint64_t v)
{
    // Canonical form: only values above INT64_MAX are flagged unsigned, so equal numbers
    // compare equal however they were made.
    const bool above = v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return make(Integer{static_cast<std::int64_t>(v), above});
}

ValuePtr Value::makeReal(double v) { return make(v); }
ValuePtr Value::makeDate(Date v) { return make(v); }
ValuePtr Value::makeString(std::string utf8) { return make(std::move(utf8)); }
ValuePtr Value::makeData(Bytes v) { return make(std::move(v)); }
ValuePtr Value::makeArray(Array v) { return make(std::move(v)); }
ValuePtr Value::makeDictionary(Dictionary v) { return make(std::move(v)); }
ValuePtr Value::makeUid(std::uint64_t v) { return make(Uid{v}); }

Value::Type Value::type() const
{
    return static_cast<Type>(storage_.index());
}

std::optional<bool> Value::boolean() const
{
    if (const auto* v = std::get_if<bool>(&storage_)) return *v;
    return std::nullopt;
}

std::optional<std::int64_t> Value::int64() const
{
    const auto* v = std::get_if<Integer>(&storage_);
    if (!v || v->isUnsigned) return std::nullopt;
    return v->bits;
}

std::optional<std::uint64_t> Value::uint64() const
{
    const auto* v = std::get_if<Integer>(&storage_);
    if (!v || (!v->isUnsigned && v->bits < 0)) return std::nullopt;
    return static_cast<std::uint64_t>(v->bits);
}

const Integer* Value::integer() const { return std::get_if<Integer>(&storage_); }

std::optional<double> Value::real() const
{
    if (const auto* v = std::get_if<double>(&storage_)) return *v;
    return std::nullopt;
}

std::optional<Date> Value::date() const
{
    if (const auto* v = std::get_if<Date>(&storage_)) return *v;
    return std::nullopt;
}

const std::string* Value::string() const { return std::get_if<std::string>(&storage_); }
const Bytes* Value::data() const { return std::get_if<Bytes>(&storage_); }
const Array* Value::array() const { return std::get_if<Array>(&storage_); }
const Dictionary* Value::dictionary() const { return std::get_if<Dictionary>(&storage_); }

std::optional<Uid> Value::uid() const
{
    if (const auto* v = std::get_if<Uid>(&storage_)) return *v;
    return std::nullopt;
}

const Value* Value::find(std::string_view key) const
{
    const auto* dict = dictionary();
    if (!dict) return nullptr;
    const auto it = dict->find(key);
    return it == dict->end() ? nullptr : it->second.get();
}

// Iterative, so comparing deep trees never exhausts the stack; values shared by
// pointer are equal without a walk.
bool operator==(const Value& a, const Value& b)
{
    std::vector<std::pair<const Value*, const Value*>> pending{{&a, &b}};
    while (!pending.empty()) {
        const auto [x, y] = pending.back();
        pending.pop_back();
        if (x == y) continue;
        if (!x || !y || x->storage_.index() != y->storage_.index()) return false;
        if (const auto* ax = x->array()) {
            const auto& ay = *y->array();
            if (ax->size() != ay.size()) return false;
            for (std::size_t i = 0; i < ax->size(); ++i) pending.emplace_back((*ax)[i].get(), ay[i].get());
        } else if (const auto* dx = x->dictionary()) {
            const auto& dy = *y->dictionary();
            if (dx->size() != dy.size()) return false;
            for (auto i = dx->begin(), j = dy.begin(); i != dx->end(); ++i, ++j) {
                if (i->first != j->first) return false;
                pending.emplace_back(i->second.get(), j->second.get());
            }
        } else if (!sameScalar(x->storage_, y->storage_)) {
            return false;
        }
    }
    return true;
}

} // namespace kavio::plist
