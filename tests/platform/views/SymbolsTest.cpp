// The symbol set and named resource images.

#include "platform/views/Symbols.h"

#include <gtest/gtest.h>

namespace kavio::platform::test {
namespace {

int paintedPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return count;
}

TEST(SymbolsTest, EverySymbolTheScreensUseDrawsSomething)
{
    // Tinted, at the requested density, transparent around the glyph where the strokes cross.
    const QImage xmark = symbolImage(QStringLiteral("xmark"), {24, 24}, Qt::red, 2.0);
    EXPECT_EQ(xmark.size(), QSize(48, 48));
    EXPECT_TRUE(xmark.pixelColor(24, 24) == QColor(Qt::red) && qAlpha(xmark.pixel(0, 0)) == 0);
    for (const char* name : {"xmark", "plus", "heart", "gift", "folder", "link", "trash", "pencil", "photo",
                             "play.fill", "pause.fill", "backward.fill", "forward.fill", "highlighter",
                             "photo.on.rectangle", "square.and.arrow.up", "doc.badge.plus", "staroflife.fill",
                             "xmark.bin", "ellipsis.circle", "film"}) {
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
    EXPECT_TRUE(symbolImage(QStringLiteral("no.such.symbol"), {24, 24}, Qt::black).isNull());
    EXPECT_FALSE(hasSymbol(QStringLiteral("../symbols/xmark"))) << "no path escapes the symbol folder";
}

} // namespace
} // namespace kavio::platform::test
