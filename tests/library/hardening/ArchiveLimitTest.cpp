// Archives at the readers' limits inside an otherwise good store, and the fuzzers'
// findings through every decoder of the library.

#include "support/TestSupport.h"

#include "library/FolderModel.h"
#include "library/archive/KeyedArchive.h"
#include "library/plist/Codec.h"

#include <gtest/gtest.h>

namespace kavio {
namespace {

namespace fs = std::filesystem;
using plist::Value;
using plist::ValuePtr;

ValuePtr str(std::string s) { return Value::makeString(std::move(s)); }

// A MovieInfo archive with a title and one extra object in its table.
std::string archiveWith(ValuePtr extra)
{
    return archive::writeArchive({
        str("$null"),
        Value::makeDictionary({{"$class", Value::makeUid(3)}, {"FILENAME", Value::makeUid(2)}, {"extra", Value::makeUid(4)}}),
        str("hostile"),
        Value::makeDictionary({{"$classname", str("MovieInfo")}, {"$classes", Value::makeArray({str("MovieInfo"), str("NSObject")})}}),
        std::move(extra),
    });
}

struct HostileArchive {
    const char* name;
    std::string (*bytes)();
    Status::Code code;
};

// Each limit and each way an archive breaks is the codec's and the archive tests' own; here
// one archive past a limit only a record's reader sets (the store's is higher) and one
// reference back into the record, each refused for its reason.
const HostileArchive kHostileArchives[] = {
    {"TooManyObjects", [] {
         plist::Array items;
         for (std::int64_t i = 0; i <= std::int64_t(plist::Limits::archive().maxObjects); ++i)
             items.push_back(Value::makeInteger(i + 1000)); // distinct, so none is shared
         return archiveWith(Value::makeArray(std::move(items)));
     }, Status::Code::LimitExceeded},
    {"MemberBackToRecord", [] {
         return archive::writeArchive({str("$null"), Value::makeDictionary({{"$class", Value::makeUid(2)}, {"FILENAME", Value::makeUid(1)}}),
                                       Value::makeDictionary({{"$classname", str("MovieInfo")}})});
     }, Status::Code::Corrupt},
};

TEST(ArchiveLimits, ArchivesPastALimitOrBrokenAreRejectedForTheirReasonAndNeverStopTheOthers)
{
    test::ScratchFolder folder;
    StoreDictionary dict;
    auto file = [&](const std::string& key, std::string bytes) {
        dict[key] = Value::makeArray({Value::makeData(plist::Bytes(std::move(bytes)))});
    };
    file("kKV00000000000001", encodeMovieInfo(test::makeRecord("first", "kKV00000000000001")));
    for (const HostileArchive& h : kHostileArchives) {
        const Result<MovieInfo> r = decodeMovieInfo(h.bytes());
        EXPECT_EQ(r.isOk() ? Status::Code::Ok : r.status().code(), h.code) << h.name;
        file(std::string("kKV1-") + h.name, h.bytes());
    }
    // The record is the array's first data, whatever comes before it.
    dict["kKV99999999999999"] = Value::makeArray(
        {str("not data"), Value::makeData(plist::Bytes(encodeMovieInfo(test::makeRecord("last", "kKV99999999999999"))))});
    ASSERT_TRUE(writeStore(folder / kStoreFileName, dict).isOk());

    clearStoreCache();
    FolderModel model(folder.path());
    model.loadMp4Files();
    ASSERT_TRUE(model.prefsDict()) << model.storeStatus().toString();
    ASSERT_EQ(model.save_items()->size(), 2u);
    EXPECT_EQ(model.save_items()->front()->FILENAME, "first");
    EXPECT_EQ(model.save_items()->back()->FILENAME, "last");
    EXPECT_EQ(model.skippedRecords(), std::size(kHostileArchives) + 1) << "and what is not data before the last";
}

// Every input the fuzzers flagged, through the property-list readers and writers, the
// archive, record and store decoders and a folder load: read or rejected, never a crash;
// what is read survives both writers, and a decoded record re-encodes equal.
TEST(FuzzRegressions, EveryInputDecodesOrIsRejectedEverywhere)
{
    const fs::path dir = KAVIO_PLIST_REGRESSIONS_DIR;
    if (!fs::is_directory(dir))
        GTEST_SKIP() << "no regressions folder";
    test::ScratchFolder folder;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (!e.is_regular_file() || e.path().extension() == ".md")
            continue;
        const std::string bytes = test::readFile(e.path());
        if (const auto read = plist::read(bytes, plist::Limits::archive())) {
            const auto binary = plist::readBinary(plist::writeBinary(**read), plist::Limits::archive());
            ASSERT_TRUE(binary.isOk()) << e.path();
            EXPECT_EQ(**binary, **read) << e.path();
            if (plist::hasExactXmlForm(**read)) {
                const auto xml = plist::readXml(plist::writeXml(**read), plist::Limits::archive());
                ASSERT_TRUE(xml.isOk()) << e.path();
                EXPECT_EQ(**xml, **read) << e.path();
            }
        }
        if (const auto frame = archive::KeyedArchive::read(bytes))
            (void)archive::decodeGraph(*frame);
        if (const auto record = decodeMovieInfo(bytes)) {
            const auto again = decodeMovieInfo(encodeMovieInfo(*record));
            ASSERT_TRUE(again.isOk()) << e.path();
            EXPECT_EQ(*again, *record) << e.path();
        }
        if (const auto root = plist::read(bytes, plist::Limits::store()); root && (*root)->dictionary())
            (void)decodeRecords(*(*root)->dictionary());

        test::writeFile(folder / kStoreFileName, bytes);
        clearStoreCache();
        FolderModel model(folder.path());
        model.reloadContent();
    }
}

} // namespace
} // namespace kavio
