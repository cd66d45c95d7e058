#include "support/TestSupport.h"

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

TEST(SizeText, FileStyleDecimalUnits)
{
    const std::pair<std::uint64_t, const char*> rows[] = {
        {0, "Zero KB"},      {1, "1 byte"},         {999, "999 bytes"},         {1000, "1 KB"},
        {1499, "1 KB"},      {1500, "2 KB"},        {999'999, "1 MB"},          {1'500'000, "1.5 MB"},
        {1'240'000, "1.2 MB"}, {999'950'000, "1 GB"}, {1'234'567'890, "1.23 GB"}, {18'446'744'073'709'551'615ull, "18.45 EB"},
    };
    for (const auto& [bytes, text] : rows)
        EXPECT_EQ(byteCountText(bytes), text) << bytes;
}

class SettingsTest : public ::testing::Test {
protected:
    fs::path file() const { return settingsFilePath(folder.path()); }
    test::ScratchFolder folder;
};

TEST_F(SettingsTest, LeftHandDriveUntilSwitchedAndTheSwitchWritesFalseBackAndKeepsOtherKeys)
{
    for (const std::string& bytes : {std::string(), plist::writeXml(*plist::Value::makeDictionary({})), std::string("garbage")}) {
        if (!bytes.empty())
            test::writeFile(file(), bytes);
        EXPECT_FALSE(readRightHandDrive(file())) << bytes;
    }
    fs::remove(file());
    std::optional<plist::Dictionary> held = readSettings(file());
    ASSERT_TRUE(writeRightHandDrive(file(), held, true).isOk());
    EXPECT_TRUE(readRightHandDrive(file()));
    EXPECT_EQ(readSettings(file())->size(), 1u);
    ASSERT_TRUE(writeRightHandDrive(file(), held, false).isOk());
    std::optional<plist::Dictionary> back = readSettings(file());
    ASSERT_TRUE(back && back->count(kHandKey)); // false is written, not the key removed
    EXPECT_EQ((*back)[kHandKey]->boolean(), false);

    (*back)["theme"] = plist::Value::makeString("dark");
    ASSERT_TRUE(writeRightHandDrive(file(), back, true).isOk());
    EXPECT_EQ(*(*readSettings(file()))["theme"]->string(), "dark");
}

TEST(SettingsBoolValue, ReadsLikeFoundation)
{
    using plist::Value;
    for (const auto& v : {Value::makeBoolean(true), Value::makeInteger(2), Value::makeString("YES"), Value::makeString(" true")})
        EXPECT_TRUE(boolValue(*v));
    for (const auto& v : {Value::makeInteger(0), Value::makeString("NO"), Value::makeString("0")})
        EXPECT_FALSE(boolValue(*v));
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

// Every format Qt reads, at the size drawn and never larger (0: as it is).
TEST(ImageHelper, DecodesEveryQtFormatAtTheSizeDrawn)
{
    struct Row {
        const char* format;
        QSize picture;
        int side;
        Fit fit;
        QSize expected;
    };
    const Row rows[] = {
        {"png", {64, 48}, 0, Fit::Within, {64, 48}},          {"jpeg", {64, 48}, 0, Fit::Within, {64, 48}},
        {"webp", {64, 48}, 0, Fit::Within, {64, 48}},         {"webp", {200, 100}, 50, Fit::Covering, {100, 50}},
        {"jpeg", {4000, 3000}, 512, Fit::Within, {512, 384}}, {"jpeg", {4000, 3000}, 120, Fit::Covering, {160, 120}},
        {"png", {3000, 4000}, 512, Fit::Within, {384, 512}},  {"png", {64, 48}, 512, Fit::Within, {64, 48}}, // not enlarged
    };
    for (const Row& row : rows) {
        const std::string bytes = encoded(testPicture(row.picture.width(), row.picture.height()), row.format);
        const QImage image = row.side ? decodeImage(bytes, row.side, row.fit) : decodeImage(bytes);
        EXPECT_EQ(image.size(), row.expected) << row.format << " " << row.picture.width();
        EXPECT_GT(QColor(image.pixel(image.width() / 2, image.height() / 2)).red(), 150);
        EXPECT_EQ(probeImage(bytes).format, row.format);
        EXPECT_EQ(probeImage(bytes).width, row.picture.width());
    }
    // Qt reads GIF but cannot write it: a 1x1 picture made by hand.
    const std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00"
                          "!\xf9\x04\x00\x00\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;", 43);
    EXPECT_EQ(decodeImage(gif).size(), QSize(1, 1));
    EXPECT_EQ(probeImage(gif).format, "gif");
    EXPECT_TRUE(decodeImage("definitely not an image").isNull());
    EXPECT_TRUE(decodeImage("definitely not an image", 100, Fit::Within).isNull());
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
    ASSERT_EQ(decoded.size(), QSize(64, 64));
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

    EXPECT_EQ(qAlpha(rescaleImage(QImage(), 40, 40, 1.0).pixel(20, 20)), 0);
}

TEST(Avatar, IconsAndDocumentsDirectory)
{
    EXPECT_FALSE(Avatar::shared().folderIcon().isNull());
    EXPECT_FALSE(Avatar::shared().mp4Icon().isNull());
    const test::ScratchHome home;
    EXPECT_EQ(defaultDocumentsDirectory(), home.documents());
    {
        const test::ScopedEnv named{{"KAVIO_DOCUMENTS", (home.path() / "Docs").string()}};
        EXPECT_EQ(defaultDocumentsDirectory(), home.path() / "Docs");
        EXPECT_TRUE(fs::is_directory(home.path() / "Docs"));
    }
    const test::ScopedEnv noDataHome{{"XDG_DATA_HOME", std::nullopt}};
    EXPECT_EQ(defaultDocumentsDirectory(), home.home() / ".local" / "share" / "Kavio" / "Documents");
}

} // namespace
} // namespace kavio
