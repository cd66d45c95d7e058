#include "KeyedArchive.h"

#include <unordered_map>

namespace kavio::archive {

using plist::Value;
using plist::ValuePtr;

namespace {

// Archives hold a handful of objects nested a few levels; anything deeper is hostile.
constexpr std::size_t kMaxGraphDepth = 64;
constexpr std::size_t kMaxGraphObjects = 1u << 16;

// The shared pointer of a dictionary member, so scalars are shared rather than copied.
const ValuePtr* member(const Value& dict, std::string_view key)
{
    const plist::Dictionary* d = dict.dictionary();
    if (!d)
        return nullptr;
    auto it = d->find(key);
    return it == d->end() ? nullptr : &it->second;
}

bool isClassNamed(std::string_view name, std::initializer_list<std::string_view> names)
{
    for (std::string_view n : names) {
        if (name == n)
            return true;
    }
    return false;
}

} // namespace

Result<KeyedArchive> KeyedArchive::fromPlist(ValuePtr root)
{
    if (!root || !root->dictionary())
        return Status::corrupt("archive is not a dictionary");
    const Value* archiver = root->find("$archiver");
    if (!archiver || !archiver->string() || *archiver->string() != kArchiverName)
        return Status::corrupt("missing or unknown $archiver");
    const Value* version = root->find("$version");
    if (!version || version->int64() != kArchiveVersion)
        return Status::corrupt("missing or unknown $version");
    const Value* objects = root->find("$objects");
    if (!objects || !objects->array())
        return Status::corrupt("missing $objects");
    const Value* top = root->find("$top");
    if (!top || !top->dictionary())
        return Status::corrupt("missing $top");
    for (const auto& [key, ref] : *top->dictionary()) {
        std::optional<plist::Uid> uid = ref->uid();
        if (!uid)
            return Status::corrupt("$top member is not a UID: " + key);
        if (uid->value >= objects->array()->size())
            return Status::corrupt("$top UID outside $objects: " + key);
    }
    return KeyedArchive(std::move(root), objects->array(), top->dictionary());
}

Result<KeyedArchive> KeyedArchive::read(std::string_view bytes)
{
    Result<ValuePtr> root = plist::read(bytes, plist::Limits::archive());
    if (!root)
        return root.status();
    return fromPlist(std::move(root).value());
}

std::optional<std::uint64_t> KeyedArchive::top(std::string_view key) const
{
    auto it = top_->find(key);
    if (it == top_->end())
        return std::nullopt;
    return it->second->uid()->value;
}

const Value* KeyedArchive::object(std::uint64_t uid) const
{
    if (uid == 0 || uid >= objects_->size())
        return nullptr;
    return (*objects_)[uid].get();
}

std::string_view KeyedArchive::className(const Value& object) const
{
    const Value* cls = object.find("$class");
    if (!cls || !cls->uid())
        return {};
    const Value* classDict = this->object(cls->uid()->value);
    if (!classDict)
        return {};
    const Value* name = classDict->find("$classname");
    if (!name || !name->string())
        return {};
    return *name->string();
}

const Value* ArchivedValue::scalar() const
{
    const ValuePtr* v = std::get_if<ValuePtr>(&content);
    return v ? v->get() : nullptr;
}

const ArchivedValue* ArchivedValue::member(std::string_view key) const
{
    const ArchivedObject* o = object();
    if (!o)
        return nullptr;
    auto it = o->members.find(key);
    return it == o->members.end() ? nullptr : it->second.get();
}

namespace {

// Decodes each UID once (shared results keep fan-out cheap) and marks objects while
// their members decode, so a reference back into one of them is a cycle.
class GraphDecoder {
public:
    explicit GraphDecoder(const KeyedArchive& archive) : archive_(archive) {}

    Result<ArchivedPtr> decodeUid(std::uint64_t uid, std::size_t depth)
    {
        if (uid == 0)
            return null();
        if (!archive_.contains(uid))
            return Status::corrupt("UID outside $objects: " + std::to_string(uid));
        if (auto it = done_.find(uid); it != done_.end())
            return it->second;
        if (depth > kMaxGraphDepth)
            return Status::limitExceeded("archive nesting too deep");
        if (!inProgress_.emplace(uid, true).second)
            return Status::corrupt("archive object refers back to itself");
        if (done_.size() >= kMaxGraphObjects)
            return Status::limitExceeded("too many archived objects");
        Result<ArchivedPtr> decoded = decodeObject(archive_.objects()[uid], depth);
        inProgress_.erase(uid);
        if (decoded)
            done_.emplace(uid, *decoded);
        return decoded;
    }

private:
    static ArchivedPtr null()
    {
        static const ArchivedPtr value = std::make_shared<ArchivedValue>();
        return value;
    }

    static ArchivedPtr wrap(ArchivedValue v) { return std::make_shared<ArchivedValue>(std::move(v)); }

    // A member value: a UID to follow, or a plain value stored inline.
    Result<ArchivedPtr> decodeMember(const ValuePtr& v, std::size_t depth)
    {
        if (std::optional<plist::Uid> uid = v->uid())
            return decodeUid(uid->value, depth + 1);
        if (const plist::Array* items = v->array()) {
            ArchivedValue::Array out;
            for (const ValuePtr& item : *items) {
                Result<ArchivedPtr> d = decodeMember(item, depth + 1);
                if (!d)
                    return d.status();
                out.push_back(std::move(d).value());
            }
            return wrap({std::move(out)});
        }
        if (v->dictionary())
            return Status::corrupt("inline dictionary in an archived object");
        return wrap({v});
    }

    Result<ArchivedPtr> decodeObject(const ValuePtr& objectPtr, std::size_t depth)
    {
        const Value& object = *objectPtr;
        if (!object.dictionary()) {
            if (object.array())
                return Status::corrupt("bare array in $objects");
            if (object.uid())
                return Status::corrupt("bare UID in $objects");
            return wrap({objectPtr});
        }
        const Value* cls = object.find("$class");
        if (!cls || !cls->uid())
            return Status::corrupt("archived object without $class");
        const Value* classDict = archive_.object(cls->uid()->value);
        if (!classDict || !classDict->dictionary())
            return Status::corrupt("$class does not refer to a class dictionary");
        const Value* name = classDict->find("$classname");
        if (!name || !name->string())
            return Status::corrupt("class without a $classname string");
        const Value* chain = classDict->find("$classes");
        if (chain && !chain->array())
            return Status::corrupt("$classes is not an array");

        const std::string& className = *name->string();
        if (isClassNamed(className, {"NSString", "NSMutableString"}))
            return wrapped(object, "NS.string", &Value::string, depth);
        if (isClassNamed(className, {"NSData", "NSMutableData"}))
            return wrapped(object, "NS.data", &Value::data, depth);
        if (isClassNamed(className, {"NSNull"}))
            return null();
        if (isClassNamed(className, {"NSArray", "NSMutableArray", "NSSet", "NSMutableSet"}))
            return array(object, depth);
        if (isClassNamed(className, {"NSDictionary", "NSMutableDictionary"}))
            return dictionary(object, depth);

        ArchivedObject out;
        out.className = className;
        if (chain) {
            for (const ValuePtr& c : *chain->array()) {
                if (c->string())
                    out.classes.push_back(*c->string());
            }
        }
        for (const auto& [key, member] : *object.dictionary()) {
            if (key == "$class")
                continue;
            Result<ArchivedPtr> d = decodeMember(member, depth);
            if (!d)
                return d.status();
            out.members.emplace(key, std::move(d).value());
        }
        return wrap({std::move(out)});
    }

    template <typename Getter>
    Result<ArchivedPtr> wrapped(const Value& object, std::string_view key, Getter getter, std::size_t depth)
    {
        const ValuePtr* innerPtr = member(object, key);
        if (!innerPtr)
            return Status::corrupt("wrapper object without " + std::string(key));
        const Value* inner = innerPtr->get();
        if (std::optional<plist::Uid> uid = inner->uid()) {
            Result<ArchivedPtr> d = decodeUid(uid->value, depth + 1);
            if (!d)
                return d;
            const Value* s = (*d)->scalar();
            if (!s || !(s->*getter)())
                return Status::corrupt("wrapper object holds the wrong type");
            return d;
        }
        if (!(inner->*getter)())
            return Status::corrupt("wrapper object holds the wrong type");
        return wrap({*innerPtr});
    }

    Result<ArchivedPtr> array(const Value& object, std::size_t depth)
    {
        const ValuePtr* items = member(object, "NS.objects");
        if (!items || !(*items)->array())
            return Status::corrupt("array without NS.objects");
        return decodeMember(*items, depth);
    }

    Result<ArchivedPtr> dictionary(const Value& object, std::size_t depth)
    {
        const Value* keys = object.find("NS.keys");
        const Value* values = object.find("NS.objects");
        if (!keys || !values || !keys->array() || !values->array() ||
            keys->array()->size() != values->array()->size())
            return Status::corrupt("dictionary with mismatched NS.keys and NS.objects");
        ArchivedValue::Dictionary out;
        for (std::size_t i = 0; i < keys->array()->size(); ++i) {
            Result<ArchivedPtr> k = decodeMember((*keys->array())[i], depth);
            if (!k)
                return k.status();
            Result<ArchivedPtr> v = decodeMember((*values->array())[i], depth);
            if (!v)
                return v.status();
            out.emplace_back(std::move(k).value(), std::move(v).value());
        }
        return wrap({std::move(out)});
    }

    const KeyedArchive& archive_;
    std::unordered_map<std::uint64_t, ArchivedPtr> done_;
    std::unordered_map<std::uint64_t, bool> inProgress_;
};

} // namespace

Result<ArchivedPtr> decodeGraph(const KeyedArchive& archive, std::string_view topKey)
{
    std::optional<std::uint64_t> root = archive.top(topKey);
    if (!root)
        return Status::corrupt("no " + std::string(topKey) + " in $top");
    GraphDecoder decoder(archive);
    return decoder.decodeUid(*root, 0);
}

std::string writeArchive(plist::Array objects)
{
    plist::Dictionary top;
    top.emplace("root", Value::makeUid(1));
    plist::Dictionary archive;
    archive.emplace("$archiver", Value::makeString(std::string(kArchiverName)));
    archive.emplace("$objects", Value::makeArray(std::move(objects)));
    archive.emplace("$top", Value::makeDictionary(std::move(top)));
    archive.emplace("$version", Value::makeInteger(kArchiveVersion));
    return plist::writeBinary(*Value::makeDictionary(std::move(archive)));
}

} // namespace kavio::archive
