// Files written by other people's tools: Python's plistlib as an independent implementation
// (it reads what we write, we read what it writes, in both formats), and the shared fixtures
// (Foundation, Python archivers, hand-edited broken archives) read in place.

#include "PlistTestSupport.h"

#include <cstdlib>

namespace kavio::plist::testing {
namespace {

// The sample document as Python builds it. plistlib has no XML form for UIDs; Apple's
// keyed archives write them as {CF$UID: n}, which is what we write and read.
constexpr const char* kPython = R"PY(
import datetime, plistlib, sys
mode, fmt, path = sys.argv[1], sys.argv[2], sys.argv[3]
binary = fmt == "binary"
expected = {
    "true": True, "false": False, "small": 42, "negative": -5, "int64min": -2**63, "uint64max": 2**64 - 1, "real": 0.5,
    "date": datetime.datetime(2004, 10, 26, 10, 33, 33), "ascii": "Doodah <&> 'quoted'",
    "unicode": "M\u00e4ssig, Ma\u00df \U0001F600", "data": bytes((i * 7) % 256 for i in range(300)),
    "empty": [], "emptyDict": {}, "list": [1, "two", [3], {"k": "v"}],
    "uid": plistlib.UID(7) if binary else {"CF$UID": 7}, "nested": {"deeper": {"deepest": [b"x"]}},
}
if mode == "check":
    with open(path, "rb") as f: got = plistlib.load(f)
    sys.exit(got != expected and "mismatch: %s" % [k for k in expected if got.get(k) != expected[k]])
else:
    with open(path, "wb") as f: plistlib.dump(expected, f, fmt=plistlib.FMT_BINARY if binary else plistlib.FMT_XML)
)PY";

class PlistlibInterop : public ::testing::TestWithParam<Format> {};

TEST_P(PlistlibInterop, EachReadsWhatTheOtherWrites)
{
    if (std::system("python3 -c 'import plistlib' >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 with plistlib not found";
    const ScratchFolder dir;
    writeFile(dir / "interop.py", kPython);
    const bool binary = GetParam() == Format::Binary;
    const auto python = [&](const char* mode, const std::filesystem::path& file) {
        return std::system(("python3 '" + (dir / "interop.py").string() + "' " + mode + (binary ? " binary '" : " xml '") +
                            file.string() + "'").c_str());
    };
    const auto doc = sampleDocument();
    writeFile(dir / "ours.plist", binary ? writeBinary(*doc) : writeXml(*doc));
    EXPECT_EQ(python("check", dir / "ours.plist"), 0);
    ASSERT_EQ(python("write", dir / "theirs.plist"), 0);
    EXPECT_EQ(*got(readFile(dir / "theirs.plist", Limits::store())), *doc);
    // plistlib writes reals with repr(); the sample has only 0.5, written alike.
    if (!binary) {
        EXPECT_EQ(writeXml(*doc), kavio::test::readFile(dir / "theirs.plist"));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, PlistlibInterop, ::testing::Values(Format::Binary, Format::Xml),
                         [](const auto& p) { return std::string(p.param == Format::Binary ? "Binary" : "Xml"); });

class Fixtures : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::is_directory(root_)) GTEST_SKIP() << "no fixtures at " << root_;
    }

    const std::filesystem::path root_ = KAVIO_FIXTURES_DIR;
};

// The broken archives are broken at the keyed-archive level only: as property lists
// they are valid, so every file must read.
TEST_F(Fixtures, EveryFileReadsAndSurvivesBothWriters)
{
    std::size_t files = 0; // the folders hold licenses and generator sources too
    for (const auto& e : std::filesystem::recursive_directory_iterator(root_)) {
        const auto& path = e.path();
        if (!e.is_regular_file() || (path.extension() != ".plist" && path.extension() != ".xml")) continue;
        ++files;
        const auto r = readFile(path, Limits::archive());
        ASSERT_TRUE(r.isOk()) << path << ": " << r.status().toString();
        for (const auto& bytes : {writeBinary(**r), writeXml(**r)}) EXPECT_EQ(*got(read(bytes, Limits::archive())), **r) << path;
    }
    EXPECT_GE(files, 60u);
}

TEST_F(Fixtures, AppleXmlIsReproducedByteForByte)
{
    // Written by Foundation's own XML serializer.
    for (const char* name : {"apple-xml/apple-serialization-testdata.xml", "kiler129-reference/reference.xml.plist",
                             "kiler129-reference/scalarTypes.xml.plist", "kiler129-reference/nested.xml.plist"}) {
        const auto v = readFile(root_ / name, Limits::store());
        ASSERT_TRUE(v.isOk()) << name << ": " << v.status().toString();
        EXPECT_EQ(writeXml(**v), kavio::test::readFile(root_ / name)) << name;
    }
}

} // namespace
} // namespace kavio::plist::testing
