#pragma once
// Reading and writing Apple's keyed archives (NSKeyedArchiver, version 100000): a binary
// property list whose "$objects" array holds every archived object, linked by UIDs.

#include "library/plist/Codec.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kavio::archive {

inline constexpr std::string_view kArchiverName = "NSKeyedArchiver";
inline constexpr std::int64_t kArchiveVersion = 100000;

// The validated frame of an archive: the objects table and the top-level references.
// Every UID handed out by it has been checked to lie inside "$objects".
class KeyedArchive {
public:
    // Checks "$archiver", "$version", "$top" and "$objects" and that every top-level UID
    // points inside "$objects".
    static Result<KeyedArchive> fromPlist(plist::ValuePtr root);
    // Reads the bytes (binary or XML) within the limits of one archive.
    static Result<KeyedArchive> read(std::string_view bytes);

    const plist::Array& objects() const { return *objects_; }
    // The UID stored under key in "$top" ("root" for archivedDataWithRootObject).
    std::optional<std::uint64_t> top(std::string_view key = "root") const;
    // The object a UID refers to; nullptr for UID 0 ("$null") or one outside "$objects".
    const plist::Value* object(std::uint64_t uid) const;
    bool contains(std::uint64_t uid) const { return uid < objects_->size(); }

    // "$classname" of an object dictionary's "$class", empty when it has none.
    std::string_view className(const plist::Value& object) const;

private:
    KeyedArchive(plist::ValuePtr root, const plist::Array* objects, const plist::Dictionary* top)
        : root_(std::move(root)), objects_(objects), top_(top) {}

    plist::ValuePtr root_;
    const plist::Array* objects_;
    const plist::Dictionary* top_;
};

// A decoded object graph, for archives of any class. Foundation's value classes become
// plain values (NSString, NSData, NSArray, NSDictionary, NSNull); every other class
// becomes an Object with its class chain and decoded members. Objects referenced from
// several places are decoded once and shared.
struct ArchivedValue;
using ArchivedPtr = std::shared_ptr<const ArchivedValue>;

struct ArchivedObject {
    std::string className;
    std::vector<std::string> classes;
    std::map<std::string, ArchivedPtr, std::less<>> members;
};

struct ArchivedValue {
    struct Null {};
    using Array = std::vector<ArchivedPtr>;
    using Dictionary = std::vector<std::pair<ArchivedPtr, ArchivedPtr>>;
    std::variant<Null, plist::ValuePtr, Array, Dictionary, ArchivedObject> content;

    bool isNull() const { return std::holds_alternative<Null>(content); }
    // The plain plist value (string, data, number, date, boolean), nullptr otherwise.
    const plist::Value* scalar() const;
    const Array* array() const { return std::get_if<Array>(&content); }
    const Dictionary* dictionary() const { return std::get_if<Dictionary>(&content); }
    const ArchivedObject* object() const { return std::get_if<ArchivedObject>(&content); }
    // Member of an object, nullptr when absent.
    const ArchivedValue* member(std::string_view key) const;
};

// Decodes the object under "$top"/key. Rejects cycles (an object that contains itself),
// UIDs outside "$objects", objects without a class, and graphs deeper than the limit.
Result<ArchivedPtr> decodeGraph(const KeyedArchive& archive, std::string_view topKey = "root");

// Writes objects in the layout of archivedDataWithRootObject: "$archiver", "$objects",
// "$top" {root: UID 1}, "$version".
std::string writeArchive(plist::Array objects);

} // namespace kavio::archive
