// The symbol set and named resource images.

#include "UiTestSupport.h"

#include "platform/Symbols.h"

namespace kavio::platform::test {
namespace {

int paintedPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    }
    return count;
}

TEST(SymbolsTest, XmarkRendersTintedPixelsAtTheRequestedDensity)
{
    const QColor orange(240, 155, 58);
    const QImage image = symbolImage(QStringLiteral("xmark"), {24, 24}, orange, 2.0);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(48, 48));
    EXPECT_EQ(image.devicePixelRatio(), 2.0);
    EXPECT_GT(paintedPixels(image), 48 * 2);
    // The strokes cross at the centre, fully covered there.
    const QColor centre = image.pixelColor(24, 24);
    EXPECT_EQ(centre.alpha(), 255);
    EXPECT_EQ(centre.rgb(), orange.rgb());
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "transparent around the glyph";
}

class SymbolSetTest : public ::testing::TestWithParam<const char*> {};

TEST_P(SymbolSetTest, EverySymbolDrawsSomething)
{
    const QString name = QString::fromLatin1(GetParam());
    EXPECT_TRUE(hasSymbol(name));
    EXPECT_GT(paintedPixels(symbolImage(name, {24, 24}, Qt::black)), 20);
    EXPECT_FALSE(symbolIcon(name, Qt::white).isNull());
}

INSTANTIATE_TEST_SUITE_P(Names, SymbolSetTest,
                         ::testing::Values("xmark", "plus", "heart", "gift", "folder", "link", "trash", "pencil",
                                           "photo", "play.fill", "pause.fill", "backward.fill", "forward.fill"),
                         [](const auto& testInfo) {
                             std::string name = testInfo.param;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

TEST(SymbolsTest, UnknownNamesGiveNullImagesAndIcons)
{
    EXPECT_TRUE(symbolImage(QStringLiteral("no.such.symbol"), {24, 24}, Qt::black).isNull());
    EXPECT_TRUE(symbolImage(QString(), {24, 24}, Qt::black).isNull());
    EXPECT_TRUE(symbolPixmap(QStringLiteral("no.such.symbol"), {24, 24}, Qt::black).isNull());
    EXPECT_TRUE(symbolIcon(QStringLiteral("no.such.symbol"), Qt::black).isNull());
    EXPECT_FALSE(hasSymbol(QStringLiteral("../symbols/xmark")));
}

TEST(SymbolsTest, IconRendersAtTheSizeAskedFor)
{
    const QIcon icon = symbolIcon(QStringLiteral("plus"), Qt::red);
    const QPixmap pixmap = icon.pixmap(QSize(32, 32));
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.toImage().pixelColor(16, 16).rgb(), QColor(Qt::red).rgb());
}

TEST(SymbolsTest, MissingResourceImagesAreNull)
{
    EXPECT_TRUE(resourceImage(QStringLiteral("icons/does-not-exist.png")).isNull());
    EXPECT_TRUE(resourcePixmap(QStringLiteral("icons/does-not-exist.png")).isNull());
    EXPECT_TRUE(resourceImage(QString()).isNull());
}

struct BundleImage {
    const char* name;
    QSize size;
};

void PrintTo(const BundleImage& image, std::ostream* os)
{
    *os << image.name;
}

class BundleImageTest : public ::testing::TestWithParam<BundleImage> {};

// The artwork the screens ask for by name is in the bundle, at the size it was drawn for.
TEST_P(BundleImageTest, LoadsByBundleName)
{
    const QImage image = resourceImage(QString::fromLatin1(GetParam().name));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), GetParam().size);
    EXPECT_TRUE(image.hasAlphaChannel());
}

INSTANTIATE_TEST_SUITE_P(Artwork, BundleImageTest,
                         ::testing::Values(BundleImage{"icons/folder.png", {80, 80}},
                                           BundleImage{"icons/mp4.png", {80, 80}},
                                           BundleImage{"AppIcon76x76.png", {76, 76}}),
                         [](const auto& testInfo) {
                             std::string name = testInfo.param.name;
                             name = name.substr(name.rfind('/') + 1);
                             return name.substr(0, name.find('.'));
                         });

} // namespace
} // namespace kavio::platform::test
