#include "TestSupport.h"

#include "library/Avatar.h"
#include "library/ImageHelper.h"
#include "library/Settings.h"
#include "library/SizeText.h"
#include "library/plist/Codec.h"

#include <QBuffer>
#include <QColor>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <cstdlib>

namespace kavio {
namespace {

namespace fs = std::filesystem;

struct SizeRow {
    std::uint64_t bytes;
    const char* text;
};

TEST(SizeText, FileStyleDecimalUnits)
{
    const SizeRow rows[] = {
        {0, "Zero KB"},          {1, "1 byte"},           {2, "2 bytes"},          {999, "999 bytes"},
        {1000, "1 KB"},          {1499, "1 KB"},          {1500, "2 KB"},          {30'000, "30 KB"},
        {999'499, "999 KB"},     {999'999, "1 MB"},       {1'000'000, "1 MB"},     {1'500'000, "1.5 MB"},
        {1'240'000, "1.2 MB"},   {999'950'000, "1 GB"},   {1'234'567'890, "1.23 GB"}, {2'000'000'000, "2 GB"},
        {1'010'000'000'000, "1.01 TB"}, {18'446'744'073'709'551'615ull, "18.45 EB"},
    };
    for (const SizeRow& r : rows)
        EXPECT_EQ(byteCountText(r.bytes), r.text) << r.bytes;
}

class SettingsTest : public ::testing::Test {
protected:
    fs::path file() const { return settingsFilePath(folder.path()); }
    test::ScratchFolder folder;
};

TEST_F(SettingsTest, MissingFileOrKeyMeansLeftHandDrive)
{
    EXPECT_FALSE(readRightHandDrive(file()));
    test::writeFile(file(), plist::writeXml(*plist::Value::makeDictionary({})));
    EXPECT_FALSE(readRightHandDrive(file()));
    test::writeFile(file(), "garbage");
    EXPECT_FALSE(readRightHandDrive(file()));
}

TEST_F(SettingsTest, SwitchCreatesFileWithOnlyTheKeyAndWritesFalseBack)
{
    std::optional<plist::Dictionary> held = readSettings(file());
    EXPECT_FALSE(held);
    ASSERT_TRUE(writeRightHandDrive(file(), held, true).isOk());
    EXPECT_TRUE(readRightHandDrive(file()));
    EXPECT_EQ(readSettings(file())->size(), 1u);
    ASSERT_TRUE(writeRightHandDrive(file(), held, false).isOk());
    std::optional<plist::Dictionary> back = readSettings(file());
    ASSERT_TRUE(back && back->count(kHandKey));
    EXPECT_EQ((*back)[kHandKey]->boolean(), false);
}

TEST_F(SettingsTest, OtherKeysAreKept)
{
    plist::Dictionary existing;
    existing["theme"] = plist::Value::makeString("dark");
    test::writeFile(file(), plist::writeXml(*plist::Value::makeDictionary(existing)));
    std::optional<plist::Dictionary> held = readSettings(file());
    ASSERT_TRUE(writeRightHandDrive(file(), held, true).isOk());
    std::optional<plist::Dictionary> back = readSettings(file());
    EXPECT_EQ(*(*back)["theme"]->string(), "dark");
}

TEST(SettingsBoolValue, ReadsLikeFoundation)
{
    using plist::Value;
    EXPECT_TRUE(boolValue(*Value::makeBoolean(true)));
    EXPECT_TRUE(boolValue(*Value::makeInteger(2)));
    EXPECT_FALSE(boolValue(*Value::makeInteger(0)));
    EXPECT_TRUE(boolValue(*Value::makeString("YES")));
    EXPECT_TRUE(boolValue(*Value::makeString(" true")));
    EXPECT_FALSE(boolValue(*Value::makeString("NO")));
    EXPECT_FALSE(boolValue(*Value::makeString("0")));
}

std::string encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format)) << format;
    return bytes.toStdString();
}

QImage testPicture(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    return image;
}

TEST(ImageHelper, DecodesEveryQtFormat)
{
    for (const char* format : {"png", "jpeg", "webp"}) {
        const std::string bytes = encoded(testPicture(64, 48), format);
        QImage decoded = decodeImage(bytes);
        ASSERT_FALSE(decoded.isNull()) << format;
        EXPECT_EQ(decoded.size(), QSize(64, 48)) << format;
        ImageInfo info = probeImage(bytes);
        EXPECT_EQ(info.format, format);
        EXPECT_EQ(info.width, 64);
    }
    // Qt reads GIF but cannot write it: a 1x1 picture made by hand.
    const std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00"
                          "!\xf9\x04\x00\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;", 43);
    EXPECT_EQ(decodeImage(gif).size(), QSize(1, 1));
    EXPECT_EQ(probeImage(gif).format, "gif");
    EXPECT_TRUE(decodeImage("definitely not an image").isNull());
    EXPECT_EQ(probeImage("nope").format, "unknown");
}

TEST(ImageHelper, DecodesHeic)
{
    const fs::path heic = fs::temp_directory_path() / "kavio-test-thumb.heic";
    const fs::path png = fs::temp_directory_path() / "kavio-test-thumb.png";
    testPicture(64, 64).save(QString::fromStdString(png.string()));
    int code = 0;
    test::run("heif-enc -o '" + heic.string() + "' '" + png.string() + "' >/dev/null 2>&1", &code);
    if (code != 0 || !fs::exists(heic))
        GTEST_SKIP() << "no HEIC encoder (heif-enc) on this machine";
    const std::string bytes = test::readFile(heic);
    QImage decoded = decodeImage(bytes);
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.size(), QSize(64, 64));
    EXPECT_GT(QColor(decoded.pixel(32, 32)).red(), 150);
    EXPECT_EQ(probeImage(bytes).format, "heic");
}

TEST(ImageHelper, RescaleStretchesAndNullGivesTransparent)
{
    QImage wide(400, 100, QImage::Format_ARGB32);
    wide.fill(Qt::transparent);
    for (int x = 0; x < 200; ++x)
        for (int y = 0; y < 100; ++y)
            wide.setPixelColor(x, y, Qt::blue); // left half blue
    QImage square = rescaleImage(wide, 40, 40, 2.0);
    EXPECT_EQ(square.size(), QSize(80, 80));
    EXPECT_EQ(square.deviceIndependentSize(), QSizeF(40, 40));
    EXPECT_EQ(QColor(square.pixel(10, 70)).blue(), 255); // squeezed, not cropped: blue fills the left half
    EXPECT_EQ(qAlpha(square.pixel(70, 10)), 0);

    QImage empty = rescaleImage(QImage(), 40, 40, 1.0);
    EXPECT_EQ(empty.size(), QSize(40, 40));
    EXPECT_EQ(qAlpha(empty.pixel(20, 20)), 0);
}

TEST(Avatar, IconsAndDocumentsDirectory)
{
    Avatar& avatar = Avatar::shared();
    EXPECT_EQ(&avatar, &Avatar::shared());
    EXPECT_FALSE(avatar.folderIcon().isNull());
    EXPECT_FALSE(avatar.mp4Icon().isNull());

    test::ScratchFolder folder;
    ::setenv("KAVIO_DOCUMENTS", (folder / "Docs").c_str(), 1);
    EXPECT_EQ(defaultDocumentsDirectory(), folder / "Docs");
    EXPECT_TRUE(fs::is_directory(folder / "Docs"));
    ::unsetenv("KAVIO_DOCUMENTS");
    const std::string xdg = (folder / "xdg").string();
    ::setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    EXPECT_EQ(defaultDocumentsDirectory(), folder / "xdg" / "Kavio" / "Documents");
    ::unsetenv("XDG_DATA_HOME");
}

} // namespace
} // namespace kavio
