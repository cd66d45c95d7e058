#include "support/TestSupport.h"

#include "library/archive/KeyedArchive.h"
#include "library/archive/MovieInfo.h"
#include "library/plist/Codec.h"

#include <gtest/gtest.h>

namespace kavio {
namespace {

using plist::Value;
using plist::ValuePtr;
namespace fs = std::filesystem;

ValuePtr uid(std::uint64_t n) { return Value::makeUid(n); }
ValuePtr str(std::string s) { return Value::makeString(std::move(s)); }

ValuePtr dict(std::initializer_list<std::pair<const std::string, ValuePtr>> members)
{
    return Value::makeDictionary(plist::Dictionary(members));
}

ValuePtr movieInfoClass() { return dict({{"$classname", str("MovieInfo")}, {"$classes", Value::makeArray({str("MovieInfo"), str("NSObject")})}}); }

// A hand-made archive around the given objects, root at UID 1 unless told otherwise.
std::string archiveOf(plist::Array objects, std::uint64_t root = 1, std::string archiver = "NSKeyedArchiver",
                      std::int64_t version = 100000)
{
    return plist::writeBinary(*dict({{"$archiver", str(archiver)},
                                     {"$version", Value::makeInteger(version)},
                                     {"$top", dict({{"root", uid(root)}})},
                                     {"$objects", Value::makeArray(std::move(objects))}}));
}

MovieInfo fullRecord()
{
    MovieInfo r = test::makeRecord("Trip to the coast", "kKV20240501120000", "MOV");
    r.imgData = plist::Bytes(std::string("\x89PNG\r\n\x1a\n-thumbnail-", 19));
    r.urlLink = "https://example.com/stream.m3u8";
    return r;
}

// Foundation's unarchiver needs the writer's layout; our reader alone would accept others.
TEST(MovieInfoArchive, RoundTripKeepsEveryFieldAndAbsenceInApplesLayout)
{
    MovieInfo full = fullRecord();
    EXPECT_EQ(decodeMovieInfo(encodeMovieInfo(full)).value(), full);
    MovieInfo sparse;
    sparse.FILENAME = "Only a title \u00e9\u2603"; // non-ASCII goes through UTF-16 strings
    sparse.ARTIST = "";
    EXPECT_EQ(decodeMovieInfo(encodeMovieInfo(sparse)).value(), sparse);

    full.ARTIST.reset();
    ValuePtr top = plist::readBinary(encodeMovieInfo(full), plist::Limits::archive()).value();
    EXPECT_EQ(*top->find("$archiver")->string(), "NSKeyedArchiver");
    EXPECT_EQ(top->find("$version")->int64(), 100000);
    const plist::Array& objects = *top->find("$objects")->array();
    ASSERT_EQ(objects.size(), 8u); // $null, root, five present members, class
    EXPECT_EQ(*objects[0]->string(), "$null");
    EXPECT_EQ(*objects[7]->find("$classname")->string(), "MovieInfo");
    EXPECT_EQ(objects[1]->find("$class")->uid()->value, 7u);
    EXPECT_EQ(objects[1]->find("ARTIST")->uid()->value, 0u); // absent: the null reference
}

TEST(MovieInfoArchive, ReaderAcceptsWhatOtherArchiversWrite)
{
    // Objects out of order, the class first, wrappers, a shared UID, an unreferenced object.
    plist::Array objects = {
        str("$null"),
        dict({{"$classname", str("MovieInfo")}, {"$classhints", Value::makeArray({str("MovieInfo")})}}),
        dict({{"$class", uid(3)}, {"NS.string", str("Wrapped title")}}),
        dict({{"$classname", str("NSMutableString")}, {"$classes", Value::makeArray({str("NSMutableString"), str("NSObject")})}}),
        str("never referenced"),
        dict({{"$class", uid(6)}, {"NS.data", uid(9)}}),
        dict({{"$classname", str("NSMutableData")}}),
        str("shared"),
        dict({{"$class", uid(1)}, {"FILENAME", uid(2)}, {"ARTIST", uid(7)}, {"KEY", uid(7)},
              {"imgData", uid(5)}, {"EXTENSION", str("m4v")}}),
        Value::makeData(plist::Bytes(std::string("pixels"))),
    };
    MovieInfo r = decodeMovieInfo(archiveOf(objects, 8)).value();
    EXPECT_EQ(r.FILENAME, "Wrapped title");
    EXPECT_EQ(r.ARTIST, "shared");
    EXPECT_EQ(r.KEY, "shared");
    EXPECT_EQ(r.EXTENSION, "m4v"); // stored inline in the object
    ASSERT_TRUE(r.imgData);
    EXPECT_EQ(r.imgData->view(), "pixels");
    EXPECT_FALSE(r.urlLink);
}

TEST(MovieInfoArchive, FieldOfTheWrongTypeIsAbsent)
{
    plist::Array objects = {str("$null"),
                            dict({{"$class", uid(2)}, {"FILENAME", uid(3)}, {"ARTIST", uid(4)}, {"imgData", uid(5)}}),
                            movieInfoClass(), Value::makeInteger(42), str("ok"), str("not data")};
    MovieInfo r = decodeMovieInfo(archiveOf(objects)).value();
    EXPECT_FALSE(r.FILENAME);
    EXPECT_EQ(r.ARTIST, "ok");
    EXPECT_FALSE(r.imgData);
}

TEST(MovieInfoArchive, MalformedArchivesAreRejected)
{
    plist::Array good = {str("$null"), dict({{"$class", uid(3)}, {"FILENAME", uid(2)}}), str("t"), movieInfoClass()};
    const auto with = [&](std::size_t i, ValuePtr v) {
        plist::Array a = good;
        a[i] = std::move(v);
        return archiveOf(a);
    };
    plist::Array wrapperLoop = good;
    wrapperLoop[2] = dict({{"$class", uid(4)}, {"NS.string", uid(2)}});
    wrapperLoop.push_back(dict({{"$classname", str("NSMutableString")}}));
    const std::string valid = archiveOf(good);
    const std::pair<const char*, std::string> broken[] = {
        {"OtherClass", with(3, dict({{"$classname", str("Note")}}))},
        {"WrongArchiver", archiveOf(good, 1, "NSArchiver")},
        {"WrongVersion", archiveOf(good, 1, "NSKeyedArchiver", 99999)},
        {"RootOutsideObjects", archiveOf(good, 9)},
        {"RootIsNull", archiveOf(good, 0)},
        {"RootNotADictionary", with(1, str("MovieInfo"))},
        {"MemberOutsideObjects", with(1, dict({{"$class", uid(3)}, {"FILENAME", uid(40)}}))},
        {"MemberBackToRoot", with(1, dict({{"$class", uid(3)}, {"FILENAME", uid(1)}}))},
        {"MemberToClassDictionary", with(1, dict({{"$class", uid(3)}, {"ARTIST", uid(3)}}))},
        {"WrapperRefersToItself", archiveOf(wrapperLoop)},
        {"Truncated", valid.substr(0, valid.size() - 5)},
        {"NotAPlist", "MovieInfo"},
        {"Empty", ""},
    };
    for (const auto& [name, bytes] : broken)
        EXPECT_FALSE(decodeMovieInfo(bytes).isOk()) << name;
}

// Archives written by Apple's Foundation and by other archivers, read in place.
class ForeignArchives : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::is_directory(test::fixturesDir()))
            GTEST_SKIP() << "no fixtures at " << test::fixturesDir();
    }

    static Result<archive::ArchivedPtr> graphOf(const std::string& relative)
    {
        Result<archive::KeyedArchive> a = archive::KeyedArchive::read(test::readFile(test::fixturesDir() / relative));
        if (!a)
            return a.status();
        return archive::decodeGraph(*a);
    }
};

TEST_F(ForeignArchives, CustomClassesDataNullSharedObjectsAndCollectionsDecode)
{
    archive::ArchivedPtr note = graphOf("apple-darwin/note.plist").value();
    ASSERT_TRUE(note->object());
    EXPECT_EQ(note->object()->className, "Note");
    EXPECT_EQ(*note->member("title")->scalar()->string(), "Some cool title");
    EXPECT_EQ(note->member("published")->scalar()->boolean(), true);
    const auto* items = note->member("array")->array();
    ASSERT_TRUE(items && items->size() == 3u);
    EXPECT_EQ((*items)[1]->scalar()->int64(), 42);

    EXPECT_EQ(graphOf("apple-darwin/nsData.plist").value()->scalar()->data()->view(), "Some data!");
    EXPECT_EQ(graphOf("bpylist2/nsmutabledata_archive.plist").value()->scalar()->data()->view(), "hello");
    archive::ArchivedPtr withNull = graphOf("bpylist2/null_archive.plist").value();
    EXPECT_TRUE(withNull->member("empty")->isNull());
    EXPECT_EQ(*withNull->member("title")->scalar()->string(), "yo");
    EXPECT_EQ(*graphOf("kiler129-reference/scalarTypes.bin.plist").value()->member("typeString")->scalar()->string(), "foo bar");
    archive::ArchivedPtr collections = graphOf("kiler129-reference/collections.bin.plist").value();
    EXPECT_EQ(collections->member("arrayOfStrings")->array()->size(), 3u);
    EXPECT_EQ(collections->member("dictionary")->dictionary()->size(), 2u);
    for (const char* name : {"kiler129-reference/reference.bin.plist", "kiler129-reference/nested.xml.plist",
                             "bpylist2/recursive_archive.plist" /* nested, not circular */})
        EXPECT_TRUE(graphOf(name).isOk()) << name;
}

// Circular and broken archives are refused, and no foreign archive is taken for a record.
TEST_F(ForeignArchives, CircularAndBrokenAreRejectedAndTheRecordDecoderAcceptsOnlyItsClass)
{
    for (const char* name : {"apple-darwin/circularReference.plist", "bpylist2/circular_archive.plist",
                             "bpylist2/invalid_uid_archive.plist", "bpylist2/invalid_version_archive.plist",
                             "bpylist2/no_objects_archive.plist", "bpylist2/no_top_archive.plist",
                             "bpylist2/no_class_name_archive.plist", "kiler129-broken/invalidReference.bin.plist",
                             "kiler129-broken/invalidReference.xml.plist", "kiler129-broken/objectWithNoClassName.bin.plist",
                             "kiler129-broken/objectWithNonStringClassName.xml.plist"})
        EXPECT_FALSE(graphOf(name).isOk()) << name;
    for (const auto& entry : fs::recursive_directory_iterator(test::fixturesDir()))
        EXPECT_TRUE(entry.path().extension() != ".plist" || !decodeMovieInfo(test::readFile(entry.path())).isOk()) << entry.path();
}

} // namespace
} // namespace kavio
