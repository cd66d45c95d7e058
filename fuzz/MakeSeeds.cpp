// Writes seed inputs for the fuzzers: documents and keyed archives in the shapes Apple's
// tools make (and the saved-videos store makes), in both formats, written by our writers.

#include "library/plist/Codec.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

using namespace kavio::plist;

ValuePtr str(const char* s) { return Value::makeString(s); }

ValuePtr archive(const std::string& title, std::size_t imageBytes)
{
    std::string image("\x89PNG\r\n\x1a\n", 8);
    for (std::size_t i = 0; image.size() < imageBytes; ++i) image.push_back(static_cast<char>(i * 131 + 7));
    const Array objects{
        str("$null"),
        Value::makeDictionary({{"$class", Value::makeUid(5)}, {"title", Value::makeUid(2)},
                               {"artist", Value::makeUid(3)}, {"imgData", Value::makeUid(4)}}),
        Value::makeString(title),
        str("Artist \xC3\xA9t\xC3\xA9"),
        Value::makeDictionary({{"$class", Value::makeUid(6)}, {"NS.data", Value::makeData(Bytes(image))}}),
        Value::makeDictionary({{"$classname", str("MovieInfo")}, {"$classes", Value::makeArray({str("MovieInfo"), str("NSObject")})}}),
        Value::makeDictionary({{"$classname", str("NSMutableData")},
                               {"$classes", Value::makeArray({str("NSMutableData"), str("NSData"), str("NSObject")})}}),
    };
    return Value::makeDictionary({{"$archiver", str("NSKeyedArchiver")},
                                  {"$version", Value::makeInteger(100000)},
                                  {"$top", Value::makeDictionary({{"root", Value::makeUid(1)}})},
                                  {"$objects", Value::makeArray(objects)}});
}

ValuePtr everyType()
{
    ValuePtr shared = Value::makeArray({str("shared"), Value::makeInteger(-1)});
    return Value::makeDictionary({
        {"bool", Value::makeBoolean(true)},
        {"false", Value::makeBoolean(false)},
        {"int", Value::makeInteger(70000)},
        {"negative", Value::makeInteger(-80000000000)},
        {"big", Value::makeUnsigned(UINT64_MAX)},
        {"real", Value::makeReal(32.5)},
        {"date", Value::makeDate(Date{120479613})},
        {"text", str("<hello & 'hi' there!>")},
        {"unicode", str("M\xC3\xA4ssig \xF0\x9F\x98\x80")},
        {"data", Value::makeData(Bytes(std::string("\0\1\2\3binary", 10)))},
        {"empty", Value::makeArray({})},
        {"emptyDict", Value::makeDictionary({})},
        {"uid", Value::makeUid(300)},
        {"twice", Value::makeArray({shared, shared})},
        {"long", str("a string long enough to need an extended length marker")},
    });
}

ValuePtr nested(int depth)
{
    ValuePtr v = Value::makeInteger(1);
    for (int i = 0; i < depth; ++i) v = i % 2 ? Value::makeArray({v}) : Value::makeDictionary({{"k", v}});
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);

    Dictionary store;
    for (int i = 0; i < 3; ++i) {
        store.emplace("kKV2026" + std::to_string(1000 + i),
                      Value::makeArray({Value::makeData(Bytes(writeBinary(*archive("Clip " + std::to_string(i), 48))))}));
    }
    const std::pair<const char*, ValuePtr> docs[] = {
        {"store", Value::makeDictionary(store)},
        {"archive", archive("Holiday", 64)},
        {"every-type", everyType()},
        {"settings", Value::makeDictionary({{"lastFolder", str("Movies/Trips")}, {"volume", Value::makeReal(0.75)}})},
        {"nested", nested(12)},
        {"scalar", str("plain")},
        {"empty-array", Value::makeArray({})},
    };
    int written = 0;
    for (const auto& [name, value] : docs) {
        for (const auto& [ext, bytes] : {std::pair{".bin.plist", writeBinary(*value)}, std::pair{".xml.plist", writeXml(*value)}}) {
            std::ofstream(dir / (std::string(name) + ext), std::ios::binary) << bytes;
            ++written;
        }
    }
    std::printf("%d seeds in %s\n", written, dir.c_str());
    return 0;
}
