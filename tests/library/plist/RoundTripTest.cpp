// Writers and readers agree on every type, the writers lay out bytes as Apple's do, and the
// text forms and base64 read what Apple and plistlib write.

#include "PlistTestSupport.h"

#include "library/plist/Base64.h"
#include "library/plist/Text.h"

#include <cmath>
#include <limits>

namespace kavio::plist::testing {
namespace {

ValuePtr readBack(const std::string& bytes) { return got(read(bytes, Limits::store())); }

TEST(RoundTrip, EveryTypeAndScalarRootSurvivesBothFormats)
{
    for (const auto& v : {sampleDocument(), num(-1), str(""), data(""), Value::makeUid(0), Value::makeReal(-0.0),
                          Value::makeBoolean(true)}) {
        EXPECT_EQ(*readBack(writeBinary(*v)), *v);
        EXPECT_EQ(*readBack(writeXml(*v)), *v);
    }
    // A dictionary with more keys than CF$UID alone is just a dictionary.
    const auto notUid = dict({{"CF$UID", num(1)}, {"x", num(2)}});
    EXPECT_EQ(*readBack(writeXml(*notUid)), *notUid);
}

TEST(RoundTrip, SharedValuesAreStoredOnceAndReadAsOneValue)
{
    const auto shared = array({str("payload")});
    const auto bytes = writeBinary(*array({shared, shared, shared, str("payload"), str("payload")}));
    EXPECT_EQ(bytes[bytes.size() - 17], 3); // object count: outer array, shared array, one string
    const auto back = readBack(bytes);
    const auto& items = *back->array();
    EXPECT_EQ(items[0], items[2]);
    EXPECT_EQ(items[3], items[4]);
}

TEST(RoundTrip, WriterPicksTheSmallestReferenceAndOffsetSizes)
{
    struct Row {
        int integers;          // distinct integers in one array: objects = integers + 1
        std::size_t dataBytes; // one extra data object pushes offsets up
        int refSize, offsetSize;
    };
    for (const Row& row : {Row{3, 0, 1, 1}, Row{254, 0, 1, 2}, Row{255, 0, 2, 2}, Row{10, 200, 1, 1},
                           Row{10, 300, 1, 2}, Row{10, 70000, 1, 4}}) {
        Array items;
        for (int i = 0; i < row.integers; ++i) items.push_back(num(1000 + i));
        if (row.dataBytes) items.back() = data(std::string(row.dataBytes, 'x'));
        const auto bytes = writeBinary(*Value::makeArray(items));
        const auto* trailer = reinterpret_cast<const unsigned char*>(bytes.data() + bytes.size() - 32);
        EXPECT_EQ(std::make_pair(int(trailer[7]), int(trailer[6])), std::make_pair(row.refSize, row.offsetSize))
            << row.integers << " " << row.dataBytes;
        EXPECT_EQ(*readBack(bytes), *Value::makeArray(items));
    }
}

TEST(RoundTrip, ScalarsUseApplesBinaryEncodings)
{
    // Each value and its object's bytes right after the header.
    const std::pair<ValuePtr, std::string> rows[] = {
        {num(0), std::string("\x10\x00", 2)}, {num(255), "\x10\xff"}, {num(256), std::string("\x11\x01\x00", 3)},
        {num(65536), std::string("\x12\x00\x01\x00\x00", 5)}, {num(-1), "\x13\xff\xff\xff\xff\xff\xff\xff\xff"},
        {Value::makeUnsigned(UINT64_MAX), std::string("\x14\0\0\0\0\0\0\0\0\xff\xff\xff\xff\xff\xff\xff\xff", 17)},
        {str("abc"), "\x53" "abc"}, {str("\xC3\xA9"), std::string("\x61\x00\xE9", 3)},
        {data(std::string(15, 'z')), "\x4f\x10\x0f" + std::string(15, 'z')},
        {Value::makeUid(300), std::string("\x81\x01\x2c", 3)}, {Value::makeBoolean(false), "\x08"},
    };
    for (const auto& [value, object] : rows) EXPECT_EQ(writeBinary(*value).substr(8, object.size()), object);
}

TEST(RoundTrip, StreamedXmlIsTheSameBytesInPiecesAndStopsWhenRefused)
{
    // Several megabytes of data over a few values: more than one piece.
    Dictionary dict;
    for (int i = 0; i < 5; ++i)
        dict["k" + std::to_string(i)] = Value::makeArray({Value::makeData(Bytes(std::string(900'000 + i, char('a' + i))))});
    const ValuePtr root = Value::makeDictionary(dict);
    std::string streamed;
    int pieces = 0;
    Status answer = Status::ok();
    const auto sink = [&](std::string_view piece) {
        streamed += piece;
        ++pieces;
        return answer;
    };
    ASSERT_TRUE(writeXml(*root, sink).isOk());
    EXPECT_EQ(streamed, writeXml(*root));
    EXPECT_GT(pieces, 3);
    pieces = 0;
    answer = Status::ioError("disk full");
    EXPECT_EQ(writeXml(*root, sink).code(), Status::Code::IOError);
    EXPECT_EQ(pieces, 1);
}

TEST(RoundTrip, XmlDataLinesNarrowWithDepth)
{
    // Python's plistlib: max(16, 76 - 8 x depth), rounded down to whole base64 quads.
    const std::pair<int, std::size_t> rows[] = {{0, 76}, {1, 68}, {2, 60}, {7, 20}, {8, 16}, {9, 16}};
    for (const auto& [depth, width] : rows) {
        ValuePtr v = data(std::string(200, '\x5a'));
        for (int i = 0; i < depth; ++i) v = array({v});
        const auto xml = writeXml(*v);
        const auto start = xml.find("<data>\n") + 7;
        const auto line = xml.substr(start, xml.find('\n', start) - start);
        EXPECT_EQ(line, std::string(depth, '\t') + line.substr(depth)) << depth;
        EXPECT_EQ(line.size() - depth, width) << depth;
    }
}

TEST(TextForms, RealsAndDatesAreWrittenAsAppleWritesThem)
{
    const std::pair<double, const char*> reals[] = {
        {0.5, "0.5"}, {1.0, "1"}, {0.1, "0.10000000000000001"}, {-0.0, "-0.0"}, {0.0, "0.0"},
        {1e300, "1.0000000000000001e+300"}, {std::numeric_limits<double>::infinity(), "+infinity"},
        {-std::numeric_limits<double>::infinity(), "-infinity"}, {std::nan(""), "nan"},
    };
    for (const auto& [v, textForm] : reals) {
        std::string out;
        text::appendReal(v, out);
        EXPECT_EQ(out, textForm);
        const auto back = text::parseReal(out);
        ASSERT_TRUE(back) << out;
        EXPECT_TRUE(*back == v || (std::isnan(*back) && std::isnan(v))) << out;
    }
    for (const auto& [seconds, textForm] : {std::pair{120479613.75, "2004-10-26T10:33:33Z"}, std::pair{-1.0, "2000-12-31T23:59:59Z"}}) {
        std::string date;
        text::appendDate(Date{seconds}, date);
        EXPECT_EQ(date, textForm);
    }
}

TEST(TextForms, ParsesWhatAppleAndPlistlibWrite)
{
    EXPECT_EQ(text::parseInteger(" 42\n"), (Integer{42, false}));
    EXPECT_EQ(text::parseInteger("0x1F"), (Integer{31, false}));
    EXPECT_EQ(text::parseInteger("-9223372036854775808"), (Integer{INT64_MIN, false}));
    EXPECT_EQ(text::parseInteger("18446744073709551615"), (Integer{-1, true}));
    for (const char* bad : {"", "-", "18446744073709551616", "-9223372036854775809", "12a", "1.5"})
        EXPECT_FALSE(text::parseInteger(bad)) << bad;
    EXPECT_EQ(text::parseReal("inf"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(text::parseReal("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(text::parseReal("32.5"), 32.5);
    EXPECT_FALSE(text::parseReal("1,5"));
    EXPECT_EQ(text::parseDate("2004-10-26T10:33:33Z")->secondsSinceReferenceDate, 120479613);
    EXPECT_EQ(text::parseDate("2001Z")->secondsSinceReferenceDate, 0);
    EXPECT_EQ(text::parseDate("2001-01-02Z")->secondsSinceReferenceDate, 86400);
    for (const char* bad : {"2004-10-26T10:33:33", "2003-02-29Z", "2004-13-01Z", "04-10-26Z", "2004-10-26T24:00Z"})
        EXPECT_FALSE(text::parseDate(bad)) << bad;
}

TEST(Base64, DecodesAcrossWhitespaceAndPadding)
{
    const std::pair<const char*, std::optional<std::string>> rows[] = {
        {"", ""}, {"\tPGJp\n\tbmFy eSBn\r\ndW5rPg==\n", "<binary gunk>"}, {"PGJpbmFyeSBndW5rPg", "<binary gunk>"},
        {"QQ==  \n", "A"}, {"Q", std::nullopt}, {"QQ==QQ", std::nullopt}, {"PG*p", std::nullopt},
    };
    for (const auto& [text, bytes] : rows) {
        std::string out;
        EXPECT_EQ(base64Decode(text, out), bytes.has_value()) << text;
        EXPECT_EQ(out, bytes.value_or(out)) << text;
    }
}

// The XML reader takes <data> text past expat when it can; whatever the markup around or
// inside the text, and wherever chunks of a file end, it reads what expat alone would.
TEST(XmlDataText, MarkupAndEntitiesInsideDataReadLikeExpat)
{
    const std::pair<const char*, ValuePtr> rows[] = {
        {"<plist><data>QUJD</data></plist>", data("ABC")},
        {"<plist><data>QU&#74;D</data></plist>", data("ABC")},
        {"<plist><data>QU<!-- c -->JD</data></plist>", data("ABC")},
        {"<plist><data>QU<![CDATA[JD]]></data></plist>", data("ABC")},
        {"<plist><!-- <data> --><data>QUJD</data></plist>", data("ABC")},
        {"<plist><data >QUJD</data ></plist>", data("ABC")},
        {"<plist><array><data>QUJD</data><data></data><data>\n\tQQ==\n\t</data></array></plist>",
         array({data("ABC"), data(""), data("A")})},
        {"<plist><string><![CDATA[<data>QUJD]]></string></plist>", str("<data>QUJD")},
        {"<plist><string>&lt;data>QUJD</string></plist>", str("<data>QUJD")},
    };
    for (const auto& [text, expected] : rows) EXPECT_EQ(*got(readXml(text, Limits::store())), *expected) << text;
    // Text expat would refuse is refused when taken past it too.
    for (const char* bad : {"<plist><data>QU\x01JD</data></plist>", "<plist><data>QU\fJD</data></plist>",
                            "<plist><data>QUJD", "<plist><data>QUJD</plist>", "<plist><data>QU\xC3\xA9JD</data></plist>",
                            "<plist><data>QUJD]]></data></plist>"})
        EXPECT_EQ(readXml(bad, Limits::store()).status().code(), Status::Code::Corrupt) << bad;
}

TEST(XmlDataText, ChunkBoundariesInsideTagsAndTextDoNotMatter)
{
    constexpr std::size_t kChunk = 256u << 10; // readFile's read size
    const ScratchFolder dir;
    const std::string head = "<plist><array><string>";
    const std::string tail = "</string><data>\n\tQUJD\n\tRUZH\n\t</data><data>QQ==</data></array></plist>\n";
    // Across the shifts, a chunk ends at every byte of "</string><data>", of the base64
    // text and of "</data>".
    for (std::size_t shift = 0; shift < 48; ++shift) {
        const std::size_t padding = kChunk - head.size() - 40 + shift;
        const std::string text = head + std::string(padding, 'x') + tail;
        const auto expected = array({str(std::string(padding, 'x')), data("ABCEFG"), data("A")});
        writeFile(dir / "doc.plist", text);
        EXPECT_EQ(*got(readFile(dir / "doc.plist", Limits::store())), *expected) << shift;
        EXPECT_EQ(*got(readXml(text, Limits::store())), *expected) << shift;
    }
}

} // namespace
} // namespace kavio::plist::testing
