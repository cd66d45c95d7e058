// Python's plistlib as an independent implementation: it reads what we write, we read
// what it writes, in both formats.

#include "PlistTestSupport.h"

namespace kavio::plist::testing {
namespace {

// The sample document as Python builds it. plistlib has no XML form for UIDs; Apple's
// keyed archives write them as {CF$UID: n}, which is what we write and read.
constexpr const char* kPython = R"PY(
import datetime, plistlib, sys
mode, fmt, path = sys.argv[1], sys.argv[2], sys.argv[3]
binary = fmt == "binary"
expected = {
    "true": True, "false": False, "small": 42, "negative": -5,
    "int64min": -2**63, "uint64max": 2**64 - 1, "real": 0.5,
    "date": datetime.datetime(2004, 10, 26, 10, 33, 33),
    "ascii": "Doodah <&> 'quoted'", "unicode": "M\u00e4ssig, Ma\u00df \U0001F600",
    "data": bytes((i * 7) % 256 for i in range(300)),
    "empty": [], "emptyDict": {},
    "list": [1, "two", [3], {"k": "v"}],
    "uid": plistlib.UID(7) if binary else {"CF$UID": 7},
    "nested": {"deeper": {"deepest": [b"x"]}},
}
if mode == "check":
    with open(path, "rb") as f:
        got = plistlib.load(f)
    sys.exit(got != expected and "mismatch: %s" % [k for k in expected if got.get(k) != expected[k]])
else:
    with open(path, "wb") as f:
        plistlib.dump(expected, f, fmt=plistlib.FMT_BINARY if binary else plistlib.FMT_XML)
)PY";

class PlistlibInterop : public ::testing::TestWithParam<Format> {
protected:
    void SetUp() override
    {
        if (!hasPython()) GTEST_SKIP() << "python3 with plistlib not found";
        writeFile(script_, kPython);
    }

    int python(const char* mode, const std::filesystem::path& file) const
    {
        const std::string fmt = GetParam() == Format::Binary ? "binary" : "xml";
        const std::string cmd = "python3 '" + script_.string() + "' " + mode + " " + fmt + " '" + file.string() + "'";
        return std::system(cmd.c_str());
    }

    TempDir dir_;
    std::filesystem::path script_ = dir_.path() / "interop.py";
};

TEST_P(PlistlibInterop, PlistlibLoadsWhatWeWrite)
{
    const auto doc = sampleDocument();
    const auto file = dir_.path() / "ours.plist";
    writeFile(file, GetParam() == Format::Binary ? writeBinary(*doc) : writeXml(*doc));
    EXPECT_EQ(python("check", file), 0);
}

TEST_P(PlistlibInterop, WeReadWhatPlistlibWrites)
{
    const auto file = dir_.path() / "theirs.plist";
    ASSERT_EQ(python("write", file), 0);
    const auto r = readFile(file, Limits::store());
    ASSERT_TRUE(r.isOk()) << r.status().toString();
    EXPECT_EQ(**r, *sampleDocument());
    // plistlib writes reals with repr(); the sample has only 0.5, written alike.
    if (GetParam() == Format::Xml) {
        EXPECT_EQ(writeXml(*sampleDocument()), readWhole(file));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, PlistlibInterop, ::testing::Values(Format::Binary, Format::Xml),
                         [](const auto& p) { return std::string(p.param == Format::Binary ? "Binary" : "Xml"); });

} // namespace
} // namespace kavio::plist::testing
