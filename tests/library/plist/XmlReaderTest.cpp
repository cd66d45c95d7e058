// The XML reader takes <data> text past expat when it can; whatever the markup around or
// inside the text, and wherever chunks of a file end, it reads what expat alone would.

#include "PlistTestSupport.h"

namespace kavio::plist::testing {
namespace {

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
    for (const auto& [text, expected] : rows) {
        const auto r = readXml(text, Limits::store());
        ASSERT_TRUE(r.isOk()) << text << ": " << r.status().toString();
        EXPECT_EQ(**r, *expected) << text;
    }
    // Text expat would refuse is refused when taken past it too.
    for (const char* bad : {"<plist><data>QU\x01JD</data></plist>", "<plist><data>QU\fJD</data></plist>",
                            "<plist><data>QUJD", "<plist><data>QUJD</plist>", "<plist><data>QU\xC3\xA9JD</data></plist>",
                            "<plist><data>QUJD]]></data></plist>"}) {
        EXPECT_EQ(readXml(bad, Limits::store()).status().code(), Status::Code::Corrupt) << bad;
    }
}

TEST(XmlDataText, ChunkBoundariesInsideTagsAndTextDoNotMatter)
{
    constexpr std::size_t kChunk = 256u << 10; // readFile's read size
    TempDir dir;
    const std::string head = "<plist><array><string>";
    const std::string tail = "</string><data>\n\tQUJD\n\tRUZH\n\t</data><data>QQ==</data></array></plist>\n";
    const auto expected = [](std::size_t padding) {
        return array({str(std::string(padding, 'x')), data("ABCEFG"), data("A")});
    };
    // Across the shifts, a chunk ends at every byte of "</string><data>", of the base64
    // text and of "</data>".
    for (std::size_t shift = 0; shift < 48; ++shift) {
        const std::size_t padding = kChunk - head.size() - 40 + shift;
        const std::string text = head + std::string(padding, 'x') + tail;
        writeFile(dir.path() / "doc.plist", text);
        const auto fromFile = readFile(dir.path() / "doc.plist", Limits::store());
        ASSERT_TRUE(fromFile.isOk()) << shift << ": " << fromFile.status().toString();
        EXPECT_EQ(**fromFile, *expected(padding)) << shift;
        const auto fromMemory = readXml(text, Limits::store());
        ASSERT_TRUE(fromMemory.isOk()) << shift;
        EXPECT_EQ(**fromMemory, *expected(padding)) << shift;
    }
}

} // namespace
} // namespace kavio::plist::testing
