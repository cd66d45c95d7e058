// Writers and readers agree on every type, and the writers lay out bytes as Apple's do.

#include "PlistTestSupport.h"

#include "library/plist/Base64.h"
#include "library/plist/Text.h"

#include <cmath>
#include <limits>

namespace kavio::plist::testing {
namespace {

class RoundTrip : public ::testing::Test {
protected:
    static ValuePtr readBack(const std::string& bytes)
    {
        auto r = read(bytes, Limits::store());
        EXPECT_TRUE(r.isOk()) << r.status().toString();
        return r.isOk() ? *r : str("<unreadable>");
    }
    // Reference and offset sizes from a binary document's trailer.
    static std::pair<int, int> sizesOf(const std::string& bplist)
    {
        const auto* t = reinterpret_cast<const unsigned char*>(bplist.data() + bplist.size() - 32);
        return {t[7], t[6]};
    }
};

TEST_F(RoundTrip, EveryTypeAndScalarRootSurvivesBothFormats)
{
    for (const auto& v : {sampleDocument(), num(-1), str(""), data(""), Value::makeUid(0), Value::makeReal(-0.0),
                          Value::makeBoolean(true)}) {
        EXPECT_EQ(*readBack(writeBinary(*v)), *v);
        EXPECT_EQ(*readBack(writeXml(*v)), *v);
    }
}

TEST_F(RoundTrip, SharedValuesAreStoredOnceAndReadAsOneValue)
{
    const auto shared = array({str("payload")});
    const auto doc = array({shared, shared, shared, str("payload"), str("payload")});
    const auto bytes = writeBinary(*doc);
    EXPECT_EQ(bytes[bytes.size() - 17], 3); // object count: outer array, shared array, one string
    const auto back = readBack(bytes);
    const auto& items = *back->array();
    EXPECT_EQ(items[0], items[2]);
    EXPECT_EQ(items[3], items[4]);
}

TEST_F(RoundTrip, WriterPicksTheSmallestReferenceAndOffsetSizes)
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
        EXPECT_EQ(sizesOf(bytes), std::make_pair(row.refSize, row.offsetSize)) << row.integers << " " << row.dataBytes;
        EXPECT_EQ(*readBack(bytes), *Value::makeArray(items));
    }
}

TEST_F(RoundTrip, ScalarsUseApplesBinaryEncodings)
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

TEST_F(RoundTrip, AppleXmlIsReproducedByteForByte)
{
    const auto dir = std::filesystem::path(KAVIO_FIXTURES_DIR);
    if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no fixtures at " << dir;
    // Written by Foundation's own XML serializer.
    for (const char* name : {"apple-xml/apple-serialization-testdata.xml", "kiler129-reference/reference.xml.plist",
                             "kiler129-reference/scalarTypes.xml.plist", "kiler129-reference/nested.xml.plist"}) {
        const auto original = readWhole(dir / name);
        const auto v = readFile(dir / name, Limits::store());
        ASSERT_TRUE(v.isOk()) << name << ": " << v.status().toString();
        EXPECT_EQ(writeXml(**v), original) << name;
    }
}

TEST_F(RoundTrip, StreamedXmlIsTheSameBytesInPiecesAndStopsWhenRefused)
{
    // Several megabytes of data over a few values: more than one piece.
    Dictionary dict;
    for (int i = 0; i < 5; ++i)
        dict["k" + std::to_string(i)] = Value::makeArray({Value::makeData(Bytes(std::string(900'000 + i, char('a' + i))))});
    const ValuePtr root = Value::makeDictionary(dict);
    std::string streamed;
    int pieces = 0;
    ASSERT_TRUE(writeXml(*root, [&](std::string_view piece) {
        streamed += piece;
        ++pieces;
        return Status::ok();
    }).isOk());
    EXPECT_EQ(streamed, writeXml(*root));
    EXPECT_GT(pieces, 3);
    int calls = 0;
    const Status refused = writeXml(*root, [&](std::string_view) {
        ++calls;
        return Status::ioError("disk full");
    });
    EXPECT_EQ(refused.code(), Status::Code::IOError);
    EXPECT_EQ(calls, 1);
}

TEST_F(RoundTrip, XmlDataLinesNarrowWithDepth)
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

TEST_F(RoundTrip, UidIsWrittenAsACfUidDictionary)
{
    const auto xml = writeXml(*array({Value::makeUid(5)}));
    EXPECT_NE(xml.find("\t<dict>\n\t\t<key>CF$UID</key>\n\t\t<integer>5</integer>\n\t</dict>\n"), std::string::npos);
    // A dictionary with more than the one key is just a dictionary.
    const auto other = dict({{"CF$UID", num(1)}, {"x", num(2)}});
    EXPECT_EQ(readBack(writeXml(*other))->type(), Value::Type::Dictionary);
}

TEST_F(RoundTrip, RealsAndDatesUseAppleTextForms)
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
    for (const char* bad : {"", "-", "18446744073709551616", "-9223372036854775809", "12a", "1.5"}) {
        EXPECT_FALSE(text::parseInteger(bad)) << bad;
    }
    EXPECT_EQ(text::parseReal("inf"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(text::parseReal("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(text::parseReal("32.5"), 32.5);
    EXPECT_FALSE(text::parseReal("1,5"));
    EXPECT_EQ(text::parseDate("2004-10-26T10:33:33Z")->secondsSinceReferenceDate, 120479613);
    EXPECT_EQ(text::parseDate("2001Z")->secondsSinceReferenceDate, 0);
    EXPECT_EQ(text::parseDate("2001-01-02Z")->secondsSinceReferenceDate, 86400);
    for (const char* bad : {"2004-10-26T10:33:33", "2003-02-29Z", "2004-13-01Z", "04-10-26Z", "2004-10-26T24:00Z"}) {
        EXPECT_FALSE(text::parseDate(bad)) << bad;
    }
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

} // namespace
} // namespace kavio::plist::testing
