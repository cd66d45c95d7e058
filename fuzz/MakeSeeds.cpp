// Writes seed inputs for the fuzzers: documents and keyed archives in the shapes Apple's
// tools make (and the saved-videos store makes), in both formats, written by our writers.

#include "library/archive/KeyedArchive.h"
#include "library/archive/MovieInfo.h"
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

std::string pngBytes(std::size_t size)
{
    std::string image("\x89PNG\r\n\x1a\n", 8);
    for (std::size_t i = 0; image.size() < size; ++i) image.push_back(static_cast<char>(i * 131 + 7));
    return image;
}

// Records as the editor files them: every field, absent fields, empty strings, titles
// that need UTF-16, thumbnails of a few sizes, a stream.
std::vector<std::pair<std::string, kavio::MovieInfo>> records()
{
    using kavio::MovieInfo;
    MovieInfo full{"Trip to the coast", "Anna", "MOV", Bytes(pngBytes(96)), "kKV20240501120000", ""};
    MovieInfo bare;
    MovieInfo empty{"", "", "", Bytes(), "", ""};
    MovieInfo utf16{"Fahrt \xC3\xBC" "ber den Pass \xE2\x98\x83 \xF0\x9F\x9A\x97", "\xE5\xB1\xB1\xE7\x94\xB0",
                    "m4v", std::nullopt, "kKV20240101000000", std::nullopt};
    MovieInfo stream{"Live", std::nullopt, std::nullopt, Bytes(pngBytes(700)), "kKV20231231235959",
                     "https://example.com/live/index.m3u8"};
    MovieInfo titleOnly;
    titleOnly.FILENAME = "clip.final";
    return {{"full", full}, {"bare", bare}, {"empty", empty}, {"utf16", utf16}, {"stream", stream}, {"title-only", titleOnly}};
}

ValuePtr uid(std::uint64_t n) { return Value::makeUid(n); }

ValuePtr classOf(const char* name, std::initializer_list<const char*> chain)
{
    Array classes;
    for (const char* c : chain) classes.push_back(str(c));
    return Value::makeDictionary({{"$classname", str(name)}, {"$classes", Value::makeArray(std::move(classes))}});
}

// Shapes other archivers write: mutable wrappers, one object shared by two members, an
// object table in another order with an unreferenced object, a class without $classes.
std::vector<std::pair<std::string, std::string>> wrapperArchives()
{
    using kavio::archive::writeArchive;
    std::vector<std::pair<std::string, std::string>> out;
    out.emplace_back("wrappers", writeArchive({
        str("$null"),
        Value::makeDictionary({{"$class", uid(6)}, {"FILENAME", uid(2)}, {"ARTIST", uid(4)}, {"imgData", uid(5)},
                               {"EXTENSION", uid(0)}, {"KEY", uid(0)}, {"urlLink", uid(0)}}),
        Value::makeDictionary({{"$class", uid(3)}, {"NS.string", str("Wrapped title")}}),
        classOf("NSMutableString", {"NSMutableString", "NSString", "NSObject"}),
        Value::makeDictionary({{"$class", uid(3)}, {"NS.string", str("Wrapped artist \xC3\xA9")}}),
        Value::makeDictionary({{"$class", uid(7)}, {"NS.data", Value::makeData(Bytes(pngBytes(40)))}}),
        classOf("MovieInfo", {"MovieInfo", "NSObject"}),
        classOf("NSMutableData", {"NSMutableData", "NSData", "NSObject"}),
    }));
    out.emplace_back("shared-member", writeArchive({
        str("$null"),
        Value::makeDictionary({{"$class", uid(3)}, {"FILENAME", uid(2)}, {"KEY", uid(2)}, {"ARTIST", str("inline")}}),
        str("kKV20240501120000"),
        classOf("MovieInfo", {"MovieInfo", "NSObject"}),
    }));
    out.emplace_back("reordered", writeArchive({
        str("$null"),
        Value::makeDictionary({{"$class", uid(2)}, {"FILENAME", uid(4)}, {"imgData", uid(5)}}),
        Value::makeDictionary({{"$classname", str("MovieInfo")}}),
        str("never referenced"),
        str("Reordered"),
        Value::makeData(Bytes(pngBytes(24))),
    }));
    out.emplace_back("nested-objects", writeArchive({
        str("$null"),
        Value::makeDictionary({{"$class", uid(4)}, {"FILENAME", uid(2)}, {"extra", uid(3)}}),
        str("With an array member"),
        Value::makeDictionary({{"$class", uid(5)}, {"NS.objects", Value::makeArray({uid(2), uid(0)})}}),
        classOf("MovieInfo", {"MovieInfo", "NSObject"}),
        classOf("NSArray", {"NSArray", "NSObject"}),
    }));
    return out;
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

// Subtitle files in the shapes editors and converters write, for the subtitle fuzzers.
std::vector<std::pair<std::string, std::string>> subtitleSeeds()
{
    std::string utf16("\xFF\xFE", 2);
    for (const char c : std::string("1\r\n00:00:01,000 --> 00:00:02,000\r\nHello\r\n")) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    return {
        {"subtitles-basic.srt", "\xEF\xBB\xBF" "1\r\n00:00:01,000 --> 00:00:04,000\r\n<i>Where are we</i>\r\ngoing?\r\n\r\n"
                                "2\r\n00:00:05,500 --> 00:00:07,250\r\n<b>To the <i>coast</i></b>, \xC3\xA9t\xC3\xA9!\r\n\r\n"},
        {"subtitles-tolerant.srt", "1\n00:00:01.000 --> 00:00:02.000 X1:100 X2:200 Y1:10 Y2:20\n{\\an8}<font color=\"#ff0\">Top</font>\n"
                                   "2\n0:00:03,5 --> 0:00:04,75\n<I>no blank line before</I>\n\n\n"
                                   "garbage line\n3\n00:00:06,000 --> 00:00:05,000\nbackwards\n\n"
                                   "4\r00:01:00,000 --> 01:00:00,000\rCR only <b>unclosed\r\r"},
        {"subtitles-latin1.srt", "1\n00:00:01,000 --> 00:00:02,000\nCaf\xE9 \x93quoted\x94 &amp; <script>x</script>\n"},
        {"subtitles-utf16.srt", utf16},
        {"subtitles-basic.vtt", "WEBVTT - a title\nKind: captions\n\nNOTE a comment\nover two lines\n\n"
                                "STYLE\n::cue { color: yellow }\n\nREGION\nid:fred width:40%\n\n"
                                "intro\n00:01.000 --> 00:04.000 align:start line:0 region:fred\n<v Anna>Hi &lt;there&gt;&nbsp;&copy;\n\n"
                                "01:00:00.000 --> 01:00:01.500\n<c.yellow>karaoke <00:00:01.250>now</c>\n<i.loud>loud</i> <b>bold\n\n"},
        {"subtitles-overlap.vtt", "\xEF\xBB\xBFWEBVTT\r\n\r\n00:00.000 --> 10:00.000\r\nall along\r\n\r\n"
                                  "00:01.000 --> 00:02.000\r\nfirst\r\n00:01.500 --> 00:03.000\r\nsecond -->\r\n"},
    };
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

    int written = 0;
    Dictionary store;
    for (int i = 0; i < 3; ++i) {
        store.emplace("kKV2026" + std::to_string(1000 + i),
                      Value::makeArray({Value::makeData(Bytes(writeBinary(*archive("Clip " + std::to_string(i), 48))))}));
    }
    // A store of our own records, with one value of each kind a load must skip.
    Dictionary records;
    for (const auto& [name, record] : ::records()) {
        std::string bytes = kavio::encodeMovieInfo(record);
        std::ofstream(dir / ("record-" + name + ".bin.plist"), std::ios::binary) << bytes;
        ++written;
        if (const auto tree = readBinary(bytes, Limits::archive())) {
            std::ofstream(dir / ("record-" + name + ".xml.plist"), std::ios::binary) << writeXml(**tree);
            ++written;
        }
        records.emplace("kKV-" + name, Value::makeArray({Value::makeData(Bytes(bytes))}));
    }
    for (const auto& [name, bytes] : wrapperArchives()) {
        std::ofstream(dir / ("archive-" + name + ".bin.plist"), std::ios::binary) << bytes;
        ++written;
        records.emplace("kKV-" + name, Value::makeArray({Value::makeData(Bytes(bytes))}));
    }
    records.emplace("kKV-not-an-array", str("stray"));
    records.emplace("kKV-not-data", Value::makeArray({str("stray"), Value::makeData(Bytes(std::string("junk")))}));
    const std::pair<const char*, ValuePtr> docs[] = {
        {"store", Value::makeDictionary(store)},
        {"store-records", Value::makeDictionary(records)},
        {"archive", archive("Holiday", 64)},
        {"every-type", everyType()},
        {"settings", Value::makeDictionary({{"lastFolder", str("Movies/Trips")}, {"volume", Value::makeReal(0.75)}})},
        {"nested", nested(12)},
        {"scalar", str("plain")},
        {"empty-array", Value::makeArray({})},
    };
    for (const auto& [name, value] : docs) {
        for (const auto& [ext, bytes] : {std::pair{".bin.plist", writeBinary(*value)}, std::pair{".xml.plist", writeXml(*value)}}) {
            std::ofstream(dir / (std::string(name) + ext), std::ios::binary) << bytes;
            ++written;
        }
    }
    for (const auto& [name, bytes] : subtitleSeeds()) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        ++written;
    }
    std::printf("%d seeds in %s\n", written, dir.c_str());
    return 0;
}
