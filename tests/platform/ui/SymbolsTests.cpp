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
    EXPECT_EQ(image.pixelColor(24, 24).alpha(), 255);
    EXPECT_EQ(image.pixelColor(24, 24).rgb(), orange.rgb());
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "transparent around the glyph";
}

TEST(SymbolsTest, EverySymbolTheScreensUseDrawsSomething)
{
    for (const char* name : {"xmark", "plus", "heart", "gift", "folder", "link", "trash", "pencil", "photo",
                             "play.fill", "pause.fill", "backward.fill", "forward.fill"}) {
        const QString symbol = QString::fromLatin1(name);
        EXPECT_GT(paintedPixels(symbolImage(symbol, {24, 24}, Qt::black)), 20) << name;
        const QPixmap fromIcon = symbolIcon(symbol, Qt::white).pixmap(QSize(32, 32));
        EXPECT_GT(paintedPixels(fromIcon.toImage()), 20) << name;
    }
}

TEST(SymbolsTest, ResourceImagesLoadByBundleNameAndUnknownNamesGiveNull)
{
    for (const auto& [name, size] : {std::pair{"icons/folder.png", 80}, {"icons/mp4.png", 80}, {"AppIcon76x76.png", 76}}) {
        const QImage image = resourceImage(QString::fromLatin1(name));
        EXPECT_EQ(image.size(), QSize(size, size)) << name;
        EXPECT_TRUE(image.hasAlphaChannel()) << name;
    }
    EXPECT_TRUE(resourceImage(QStringLiteral("icons/does-not-exist.png")).isNull());
    EXPECT_TRUE(resourcePixmap(QStringLiteral("icons/does-not-exist.png")).isNull());
    EXPECT_TRUE(resourceImage(QString()).isNull());
    EXPECT_TRUE(symbolImage(QStringLiteral("no.such.symbol"), {24, 24}, Qt::black).isNull());
    EXPECT_TRUE(symbolImage(QString(), {24, 24}, Qt::black).isNull());
    EXPECT_TRUE(symbolPixmap(QStringLiteral("no.such.symbol"), {24, 24}, Qt::black).isNull());
    EXPECT_TRUE(symbolIcon(QStringLiteral("no.such.symbol"), Qt::black).isNull());
    EXPECT_FALSE(hasSymbol(QStringLiteral("../symbols/xmark")));
}

} // namespace
} // namespace kavio::platform::test
