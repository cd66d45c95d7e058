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
    unsigned refSize = 1, offsetSize = 1;
    std::uint64_t top = 0;
    std::optional<std::uint64_t> numObjects, tableOffset; // default: objects.size(), where the table is
    std::vector<std::uint64_t> offsetOverrides;

    static std::string be(std::uint64_t v, unsigned n)
    {
        std::string s;
        for (unsigned i = n; i-- > 0;) s.push_back(static_cast<char>(v >> (8 * i)));
        return s;
    }
    std::string build() const
    {
        std::string out = "bplist00", table;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            table += be(i < offsetOverrides.size() ? offsetOverrides[i] : out.size(), offsetSize);
            out += objects[i];
        }
        const std::uint64_t at = out.size();
        return out + table + std::string(6, '\0') + char(offsetSize) + char(refSize) +
               be(numObjects.value_or(objects.size()), 8) + be(top, 8) + be(tableOffset.value_or(at), 8);
    }
};

Code binary(const std::string& bytes, const Limits& limits = Limits::store()) { return readBinary(bytes, limits).status().code(); }
Code xml(const std::string& text, const Limits& limits = Limits::store()) { return readXml(text, limits).status().code(); }

// Twenty levels of arrays of four references to the level below: 4^20 (about a trillion)
// nodes if copied per reference. Rejected, or with the limit lifted read as one value per object.
TEST(HostileInput, SharedFanOutIsNeverExpanded)
{
    Bplist b;
    b.objects.push_back("\x10\x01");
    for (int i = 1; i <= 20; ++i) b.objects.push_back("\xa4" + std::string(4, static_cast<char>(i - 1)));
    b.top = 20;
    const auto bytes = b.build();
    EXPECT_EQ(bytes.size(), 163u);
    EXPECT_EQ(binary(bytes), Code::LimitExceeded);
    Limits roomy = Limits::store();
    roomy.maxExpandedNodes = SIZE_MAX;
    const auto r = readBinary(bytes, roomy);
    ASSERT_TRUE(r.isOk()) << r.status().toString();
    EXPECT_EQ((*r)->array()->at(0), (*r)->array()->at(3));
}

TEST(HostileInput, DeepNestingIsRejectedInBothFormats)
{
    constexpr int kDepth = 100000;
    Bplist b;
    b.refSize = b.offsetSize = 4;
    for (int i = 0; i < kDepth; ++i) b.objects.push_back("\xa1" + Bplist::be(i + 1u, 4));
    b.objects.push_back("\x08");
    EXPECT_EQ(binary(b.build()), Code::LimitExceeded);
    for (const std::string level : {"<array>", "<dict><key>k</key>"}) {
        std::string text = "<plist>";
        for (int i = 0; i < kDepth; ++i) text += level;
        EXPECT_EQ(xml(text), Code::LimitExceeded) << level;
    }
}

TEST(HostileInput, BadTrailersAreRejected)
{
    Bplist good;
    good.objects = {"\xa2\x01\x02", "\x51x", "\x09"};
    ASSERT_TRUE(readBinary(good.build(), Limits::store()).isOk());
    const std::vector<std::function<void(Bplist&)>> breakages = {
        [](Bplist& b) { b.offsetSize = 0; }, [](Bplist& b) { b.offsetSize = 9; },
        [](Bplist& b) { b.refSize = 0; }, [](Bplist& b) { b.refSize = 9; },
        [](Bplist& b) { b.numObjects = 0; }, [](Bplist& b) { b.numObjects = 1ull << 40; },
        [](Bplist& b) { b.numObjects = 4; }, [](Bplist& b) { b.top = 3; },
        [](Bplist& b) { b.tableOffset = 4; }, [](Bplist& b) { b.tableOffset = 1ull << 62; },
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
        EXPECT_NE(binary(b.build()), Code::Ok) << "breakage " << i;
    }
}

// Objects that name themselves, lie about their lengths or are of kinds not read: each
// refused before anything is allocated for it.
TEST(HostileInput, CyclicLyingAndUnsupportedObjectsAreRejected)
{
    const std::string huge8 = "\x13" + Bplist::be(1ull << 60, 8);
    const std::pair<std::vector<std::string>, Code> rows[] = {
        {{"\xa1\x00"}, Code::Corrupt},                                 // an array holding itself
        {{"\xa1\x01", "\xd1\x02\x00", "\x51k"}, Code::Corrupt},        // a cycle through a dictionary
        {{"\xd1\x01\x01", "\x10\x05"}, Code::Corrupt},                 // a key that is no string
        {{"\xaf" + huge8}, Code::Corrupt}, {{"\xdf" + huge8}, Code::Corrupt}, {{"\x4f" + huge8}, Code::Corrupt},
        {{"\x5f" + huge8}, Code::Corrupt}, {{"\x6f" + huge8}, Code::Corrupt},
        {{"\x4f\x13\xff\xff\xff\xff\xff\xff\xff\xff"}, Code::Corrupt}, {{"\x5e" "abc"}, Code::Corrupt},
        {{"\x13\x01"}, Code::Corrupt}, {{"\x5f\x14" + std::string(16, '\x01')}, Code::Corrupt}, // count as a 16-byte integer
        {{"\xaf\x13\x80" + std::string(7, '\0')}, Code::Corrupt},      // negative count
        {{"\xdf\x10"}, Code::Corrupt}, {{"\x5f"}, Code::Corrupt},       // count cut off
        {{std::string("\x00", 1)}, Code::Unsupported}, {{"\x0f"}, Code::Unsupported}, {{"\xc1\x00"}, Code::Unsupported},
        {{std::string("\x14\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00", 17)}, Code::Unsupported},
        {{"\x51\xe9"}, Code::Corrupt}, {{"\x88\x01\x02\x03\x04\x05\x06\x07\x08\x09"}, Code::Corrupt},
    };
    for (const auto& [objects, code] : rows) {
        Bplist b;
        b.objects = objects;
        EXPECT_EQ(binary(b.build()), code) << ::testing::PrintToString(objects);
    }
}

TEST(HostileInput, EachLimitRejects)
{
    Limits small = Limits::store();
    small.maxStringLength = small.maxDataLength = 8;
    small.maxObjects = 6;
    for (const auto& v : {str("123456789"), str("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"), data("123456789"),
                          array({num(1), num(2), num(3), num(4), num(5), num(6)})}) {
        EXPECT_EQ(binary(writeBinary(*v), small), Code::LimitExceeded);
        EXPECT_EQ(xml(writeXml(*v), small), Code::LimitExceeded);
    }
    small.maxFileSize = 40;
    EXPECT_EQ(xml(writeXml(*num(1)), small), Code::LimitExceeded);
    EXPECT_EQ(binary(writeBinary(*str("1234567")), small), Code::LimitExceeded);
}

TEST(HostileInput, EveryTruncationAndByteFlipIsHandled)
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

TEST(HostileInput, DtdsAreUnsupportedAndMalformedXmlIsCorrupt)
{
    for (const char* doc : {"<!DOCTYPE plist [<!ENTITY a \"b\">]><plist><string>&a;</string></plist>",
                            "<!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                            "<plist><string>&b;</string></plist>",
                            "<!DOCTYPE plist [<!ELEMENT plist ANY>]><plist><true/></plist>",
                            "<!DOCTYPE plist SYSTEM \"file:///etc/passwd\"><plist><string>&xxe;</string></plist>"})
        EXPECT_EQ(xml(doc), Code::Unsupported) << doc;
    for (const char* doc : {
             "", "<plist></plist>", "<plist><true/><false/></plist>", "<plist><key>k</key></plist>",
             "<plist><dict><key>k</key></dict></plist>", "<plist><dict><string>v</string></dict></plist>",
             "<plist><dict>text</dict></plist>", "<plist><string><true/></string></plist>",
             "<plist><integer>1.5</integer></plist>", "<plist><real>x</real></plist>", "<plist><date>yesterday</date></plist>",
             "<plist><data>!!!!</data></plist>", "<plist><true>yes</true></plist>", "<plist><object/></plist>",
             "<plist><array></plist>", "<plist><true/></plist><plist/>"})
        EXPECT_EQ(xml(doc), Code::Corrupt) << doc;
}

TEST(HostileInput, FifoDirectoryMissingAndOversizedFilesAreRefusedWithoutReading)
{
    const ScratchFolder dir;
    const auto code = [](const std::filesystem::path& path) { return readFile(path, Limits::store()).status().code(); };
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(code(dir / "fifo"), Code::Unsupported);
    EXPECT_EQ(code(dir.path()), Code::Unsupported);
    EXPECT_EQ(code(dir / "missing.plist"), Code::NotFound);
    writeFile(dir / "big.plist", "bplist00");
    ASSERT_EQ(::truncate((dir / "big.plist").c_str(), off_t{2} << 30), 0); // sparse: no disk used
    EXPECT_EQ(code(dir / "big.plist"), Code::LimitExceeded);
}

} // namespace
} // namespace kavio::plist::testing
