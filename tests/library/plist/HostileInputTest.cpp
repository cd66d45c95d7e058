// Inputs built to hurt a reader: each is rejected (or read) quickly, in little memory,
// without recursion running away.

#include "PlistTestSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavio::plist::testing {
namespace {

using Code = Status::Code;

// Assembles a binary plist from raw object bytes, with the trailer fields open to abuse.
struct Bplist {
    std::vector<std::string> objects;
    unsigned refSize = 1;
    unsigned offsetSize = 1;
    std::uint64_t top = 0;
    std::optional<std::uint64_t> numObjects;  // default: objects.size()
    std::optional<std::uint64_t> tableOffset; // default: where the table is
    std::vector<std::uint64_t> offsetOverrides;

    static void be(std::uint64_t v, unsigned n, std::string& out)
    {
        for (unsigned i = n; i-- > 0;) out.push_back(static_cast<char>(v >> (8 * i)));
    }
    static std::string ref(std::uint64_t v, unsigned n)
    {
        std::string s;
        be(v, n, s);
        return s;
    }
    std::string build() const
    {
        std::string out = "bplist00";
        std::vector<std::uint64_t> offsets;
        for (const auto& o : objects) {
            offsets.push_back(out.size());
            out += o;
        }
        for (std::size_t i = 0; i < offsetOverrides.size(); ++i) offsets[i] = offsetOverrides[i];
        const std::uint64_t table = out.size();
        for (auto off : offsets) be(off, offsetSize, out);
        out.append(6, '\0');
        out.push_back(static_cast<char>(offsetSize));
        out.push_back(static_cast<char>(refSize));
        be(numObjects.value_or(objects.size()), 8, out);
        be(top, 8, out);
        be(tableOffset.value_or(table), 8, out);
        return out;
    }
};

class HostileInput : public ::testing::Test {
protected:
    static Status binary(const std::string& bytes, const Limits& limits = Limits::store())
    {
        return readBinary(bytes, limits).status();
    }
    static Status xml(const std::string& text, const Limits& limits = Limits::store())
    {
        return readXml(text, limits).status();
    }
};

// Twenty levels of arrays of four references to the level below: 4^20 (about a trillion)
// nodes if copied per reference. Rejected, or with the limit lifted read as one value per object.
TEST_F(HostileInput, SharedFanOutIsNeverExpanded)
{
    Bplist b;
    b.objects.push_back("\x10\x01");
    for (int i = 1; i <= 20; ++i) b.objects.push_back("\xa4" + std::string(4, static_cast<char>(i - 1)));
    b.top = 20;
    const auto bytes = b.build();
    EXPECT_EQ(bytes.size(), 163u);
    EXPECT_EQ(binary(bytes).code(), Code::LimitExceeded);
    Limits roomy = Limits::store();
    roomy.maxExpandedNodes = SIZE_MAX;
    const auto r = readBinary(bytes, roomy);
    ASSERT_TRUE(r.isOk()) << r.status().toString();
    EXPECT_EQ((*r)->array()->at(0), (*r)->array()->at(3));
}

TEST_F(HostileInput, DeepNestingIsRejectedInBothFormats)
{
    constexpr int kDepth = 100000;
    Bplist b;
    b.refSize = b.offsetSize = 4;
    for (int i = 0; i < kDepth; ++i) b.objects.push_back("\xa1" + Bplist::ref(i + 1u, 4));
    b.objects.push_back("\x08");
    EXPECT_EQ(binary(b.build()).code(), Code::LimitExceeded);

    std::string text = "<plist>";
    for (int i = 0; i < kDepth; ++i) text += "<array>";
    EXPECT_EQ(xml(text).code(), Code::LimitExceeded);
    text = "<plist>";
    for (int i = 0; i < kDepth; ++i) text += "<dict><key>k</key>";
    EXPECT_EQ(xml(text).code(), Code::LimitExceeded);
}

TEST_F(HostileInput, ReferenceCyclesAreRejected)
{
    Bplist self;
    self.objects = {"\xa1\x00"};
    EXPECT_EQ(binary(self.build()).code(), Code::Corrupt);
    Bplist pair;
    pair.objects = {"\xa1\x01", "\xd1\x02\x00", "\x51k"};
    EXPECT_EQ(binary(pair.build()).code(), Code::Corrupt);
}

TEST_F(HostileInput, BadTrailersAreRejected)
{
    Bplist good;
    good.objects = {"\xa2\x01\x02", "\x51x", "\x09"};
    ASSERT_TRUE(readBinary(good.build(), Limits::store()).isOk());
    const std::vector<std::function<void(Bplist&)>> breakages = {
        [](Bplist& b) { b.offsetSize = 0; },
        [](Bplist& b) { b.offsetSize = 9; },
        [](Bplist& b) { b.refSize = 0; },
        [](Bplist& b) { b.refSize = 9; },
        [](Bplist& b) { b.numObjects = 0; },
        [](Bplist& b) { b.numObjects = 1ull << 40; },
        [](Bplist& b) { b.numObjects = 4; },
        [](Bplist& b) { b.top = 3; },
        [](Bplist& b) { b.tableOffset = 4; },
        [](Bplist& b) { b.tableOffset = 1ull << 62; },
        [](Bplist& b) { b.tableOffset = 16; },                   // table runs into the trailer
        [](Bplist& b) { b.offsetOverrides = {2}; },              // inside the header
        [](Bplist& b) { b.offsetOverrides = {8, 9, 200}; },      // past the object area
        [](Bplist& b) { b.offsetOverrides = {8, 9, 14}; },       // at the offset table
        [](Bplist& b) { b.objects[0] = "\xa2\x01\x07"; },        // reference out of range
        [](Bplist& b) { b.refSize = 2; b.objects[0] = "\xa2"; }, // references cut by the table
    };
    for (std::size_t i = 0; i < breakages.size(); ++i) {
        Bplist b = good;
        breakages[i](b);
        const auto s = binary(b.build());
        EXPECT_FALSE(s.isOk()) << "breakage " << i;
    }
}

TEST_F(HostileInput, DeclaredLengthsBeyondTheFileAreRejectedBeforeAllocating)
{
    const std::string huge8 = "\x13" + Bplist::ref(1ull << 60, 8);
    for (const std::string& object : {"\xaf" + huge8, "\xdf" + huge8, "\x4f" + huge8, "\x5f" + huge8,
                                      "\x6f" + huge8, std::string("\x4f\x13\xff\xff\xff\xff\xff\xff\xff\xff"),
                                      std::string("\x5e" "abc"), std::string("\x13\x01"),
                                      "\x5f\x14" + std::string(16, '\x01'),             // count as a 16-byte integer
                                      "\xaf\x13\x80" + std::string(7, '\0'),           // negative count
                                      std::string("\xdf\x10"), std::string("\x5f")}) { // count cut off
        Bplist b;
        b.objects = {object};
        EXPECT_EQ(binary(b.build()).code(), Code::Corrupt) << ::testing::PrintToString(object);
    }
}

TEST_F(HostileInput, EachLimitRejects)
{
    Limits small = Limits::store();
    small.maxStringLength = small.maxDataLength = 8;
    small.maxObjects = 6;
    for (const auto& v : {str("123456789"), str("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"), data("123456789"),
                          array({num(1), num(2), num(3), num(4), num(5), num(6)})}) {
        EXPECT_EQ(binary(writeBinary(*v), small).code(), Code::LimitExceeded);
        EXPECT_EQ(xml(writeXml(*v), small).code(), Code::LimitExceeded);
    }
    small.maxFileSize = 40;
    EXPECT_EQ(xml(writeXml(*num(1)), small).code(), Code::LimitExceeded);
    EXPECT_EQ(binary(writeBinary(*str("1234567")), small).code(), Code::LimitExceeded);
}

TEST_F(HostileInput, EveryTruncationAndByteFlipIsHandled)
{
    const auto doc = sampleDocument();
    const auto bin = writeBinary(*doc);
    const auto text = writeXml(*doc);
    for (std::size_t n = 0; n < bin.size(); ++n) EXPECT_FALSE(readBinary(bin.substr(0, n), Limits::store())) << n;
    // Only the final newline may go.
    for (std::size_t n = 0; n + 1 < text.size(); ++n) EXPECT_FALSE(readXml(text.substr(0, n), Limits::store())) << n;
    for (std::size_t i = 0; i < bin.size(); ++i) {
        std::string flipped = bin;
        flipped[i] = static_cast<char>(flipped[i] ^ 0xA5);
        (void)readBinary(flipped, Limits::store()); // read or rejected, never a crash
    }
}

TEST_F(HostileInput, UnsupportedBinaryObjectsAreRejected)
{
    for (const std::string& object : {std::string("\x00", 1), std::string("\x0f"), std::string("\xc1\x00"),
                                      std::string("\x14\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00", 17),
                                      std::string("\x51\xe9"), std::string("\x88\x01\x02\x03\x04\x05\x06\x07\x08\x09")}) {
        Bplist b;
        b.objects = {object};
        EXPECT_FALSE(binary(b.build()).isOk()) << ::testing::PrintToString(object);
    }
    Bplist nonStringKey;
    nonStringKey.objects = {"\xd1\x01\x01", "\x10\x05"};
    EXPECT_EQ(binary(nonStringKey.build()).code(), Code::Corrupt);
}

TEST_F(HostileInput, EntityDeclarationsAndDtdSubsetsAreRefused)
{
    const char* docs[] = {
        "<!DOCTYPE plist [<!ENTITY a \"b\">]><plist><string>&a;</string></plist>",
        "<!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
        "<plist><string>&b;</string></plist>",
        "<!DOCTYPE plist [<!ELEMENT plist ANY>]><plist><true/></plist>",
        "<!DOCTYPE plist SYSTEM \"file:///etc/passwd\"><plist><string>&xxe;</string></plist>",
    };
    for (const char* doc : docs) EXPECT_EQ(xml(doc).code(), Code::Unsupported) << doc;
}

TEST_F(HostileInput, MalformedXmlIsCorrupt)
{
    const char* docs[] = {
        "", "<plist></plist>", "<plist><true/><false/></plist>", "<plist><key>k</key></plist>",
        "<plist><dict><key>k</key></dict></plist>", "<plist><dict><string>v</string></dict></plist>",
        "<plist><dict>text</dict></plist>", "<plist><string><true/></string></plist>",
        "<plist><integer>1.5</integer></plist>", "<plist><real>x</real></plist>", "<plist><date>yesterday</date></plist>",
        "<plist><data>!!!!</data></plist>", "<plist><true>yes</true></plist>", "<plist><object/></plist>",
        "<plist><array></plist>", "<plist><true/></plist><plist/>",
    };
    for (const char* doc : docs) EXPECT_EQ(xml(doc).code(), Code::Corrupt) << doc;
}

TEST(HostileFile, FifoDirectoryMissingAndOversizedFilesAreRefusedWithoutReading)
{
    TempDir dir_;
    const auto fifo = dir_.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(readFile(fifo, Limits::store()).status().code(), Code::Unsupported);
    EXPECT_EQ(readFile(dir_.path(), Limits::store()).status().code(), Code::Unsupported);
    EXPECT_EQ(readFile(dir_.path() / "missing.plist", Limits::store()).status().code(), Code::NotFound);
    EXPECT_EQ(readFile(dir_.path() / "missing" / "x.plist", Limits::store()).status().code(), Code::NotFound);
    const auto big = dir_.path() / "big.plist";
    writeFile(big, "bplist00");
    ASSERT_EQ(::truncate(big.c_str(), off_t{2} << 30), 0); // sparse: no disk used
    EXPECT_EQ(readFile(big, Limits::store()).status().code(), Code::LimitExceeded);
}

} // namespace
} // namespace kavio::plist::testing
