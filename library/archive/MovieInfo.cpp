#include "MovieInfo.h"

#include "KeyedArchive.h"

#include <array>

namespace kavio {

using plist::Value;
using plist::ValuePtr;

namespace {

enum class FieldType { String, Data };

struct Field {
    std::string_view key;
    FieldType type;
};

// Encoding order of the members, as the record's encodeWithCoder: writes them.
constexpr std::array<Field, 6> kFields = {{
    {"FILENAME", FieldType::String},
    {"ARTIST", FieldType::String},
    {"EXTENSION", FieldType::String},
    {"imgData", FieldType::Data},
    {"KEY", FieldType::String},
    {"urlLink", FieldType::String},
}};

ValuePtr fieldValue(const MovieInfo& r, std::size_t i)
{
    switch (i) {
    case 0: return r.FILENAME ? Value::makeString(*r.FILENAME) : nullptr;
    case 1: return r.ARTIST ? Value::makeString(*r.ARTIST) : nullptr;
    case 2: return r.EXTENSION ? Value::makeString(*r.EXTENSION) : nullptr;
    case 3: return r.imgData ? Value::makeData(*r.imgData) : nullptr;
    case 4: return r.KEY ? Value::makeString(*r.KEY) : nullptr;
    case 5: return r.urlLink ? Value::makeString(*r.urlLink) : nullptr;
    }
    return nullptr;
}

void setField(MovieInfo& r, std::size_t i, const Value& v)
{
    switch (i) {
    case 0: r.FILENAME = *v.string(); break;
    case 1: r.ARTIST = *v.string(); break;
    case 2: r.EXTENSION = *v.string(); break;
    case 3: r.imgData = *v.data(); break;
    case 4: r.KEY = *v.string(); break;
    case 5: r.urlLink = *v.string(); break;
    }
}

bool hasType(const Value& v, FieldType type)
{
    return type == FieldType::String ? v.string() != nullptr : v.data() != nullptr;
}

// What a member reference resolves to: a value of the field's type, nothing (null or a
// value of another type: the field stays absent), or a broken archive.
struct Resolved {
    const Value* value = nullptr;
    Status status;
};

class MemberResolver {
public:
    MemberResolver(const archive::KeyedArchive& a, std::uint64_t rootUid) : archive_(a), rootUid_(rootUid) {}

    Resolved resolve(const Value& member, FieldType type) const
    {
        std::optional<plist::Uid> uid = member.uid();
        if (!uid) // stored inline in the object itself
            return {hasType(member, type) ? &member : nullptr, {}};
        return follow(uid->value, type, 0);
    }

private:
    Resolved follow(std::uint64_t uid, FieldType type, int wrapperDepth) const
    {
        if (uid == 0)
            return {};
        if (!archive_.contains(uid))
            return {nullptr, Status::corrupt("member UID outside $objects")};
        if (uid == rootUid_)
            return {nullptr, Status::corrupt("member refers back to the record")};
        const Value& target = archive_.objects()[uid] ? *archive_.objects()[uid] : nullValue();
        if (target.array() || target.uid())
            return {nullptr, Status::corrupt("member refers to a container")};
        if (!target.dictionary())
            return {hasType(target, type) ? &target : nullptr, {}};

        // NSMutableString / NSMutableData wrap their content in one more level.
        const std::string_view cls = archive_.className(target);
        const bool stringWrapper = cls == "NSMutableString" || cls == "NSString";
        const bool dataWrapper = cls == "NSMutableData" || cls == "NSData";
        if (!stringWrapper && !dataWrapper) {
            if (cls.empty() || target.find("$classname"))
                return {nullptr, Status::corrupt("member refers to a container")};
            return {}; // an object of another class: wrong type
        }
        if (wrapperDepth > 0)
            return {nullptr, Status::corrupt("wrapper refers to another wrapper")};
        const Value* inner = target.find(stringWrapper ? "NS.string" : "NS.data");
        if (!inner)
            return {nullptr, Status::corrupt("wrapper without content")};
        if ((stringWrapper && type != FieldType::String) || (dataWrapper && type != FieldType::Data))
            return {};
        if (std::optional<plist::Uid> innerUid = inner->uid())
            return follow(innerUid->value, type, wrapperDepth + 1);
        return {hasType(*inner, type) ? inner : nullptr, {}};
    }

    static const Value& nullValue()
    {
        static const Value v{Value::Storage{false}};
        return v;
    }

    const archive::KeyedArchive& archive_;
    std::uint64_t rootUid_;
};

} // namespace

std::string encodeMovieInfo(const MovieInfo& record)
{
    plist::Array objects;
    objects.push_back(Value::makeString("$null"));
    objects.push_back(nullptr); // the record itself, filled in once member UIDs are known

    plist::Dictionary root;
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        ValuePtr v = fieldValue(record, i);
        if (!v) {
            root.emplace(std::string(kFields[i].key), Value::makeUid(0));
            continue;
        }
        root.emplace(std::string(kFields[i].key), Value::makeUid(objects.size()));
        objects.push_back(std::move(v));
    }
    root.emplace("$class", Value::makeUid(objects.size()));

    plist::Dictionary classDict;
    classDict.emplace("$classname", Value::makeString(std::string(kMovieInfoClassName)));
    classDict.emplace("$classes", Value::makeArray({Value::makeString(std::string(kMovieInfoClassName)),
                                                    Value::makeString("NSObject")}));
    objects.push_back(Value::makeDictionary(std::move(classDict)));
    objects[1] = Value::makeDictionary(std::move(root));
    return archive::writeArchive(std::move(objects));
}

Result<MovieInfo> decodeMovieInfo(const ValuePtr& archiveRoot)
{
    Result<archive::KeyedArchive> archive = archive::KeyedArchive::fromPlist(archiveRoot);
    if (!archive)
        return archive.status();
    std::optional<std::uint64_t> rootUid = archive->top("root");
    if (!rootUid)
        return Status::corrupt("archive has no root");
    const Value* object = archive->object(*rootUid);
    if (!object || !object->dictionary())
        return Status::corrupt("archive root is not an object");
    if (archive->className(*object) != kMovieInfoClassName)
        return Status::corrupt("archive root is not a MovieInfo");

    MovieInfo record;
    MemberResolver resolver(*archive, *rootUid);
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        const Value* member = object->find(kFields[i].key);
        if (!member)
            continue;
        Resolved r = resolver.resolve(*member, kFields[i].type);
        if (!r.status)
            return r.status;
        if (r.value)
            setField(record, i, *r.value);
    }
    return record;
}

Result<MovieInfo> decodeMovieInfo(std::string_view archiveBytes)
{
    Result<ValuePtr> root = plist::read(archiveBytes, plist::Limits::archive());
    if (!root)
        return root.status();
    return decodeMovieInfo(*root);
}

} // namespace kavio
