// Frame conversion against reference colours: 75% colour bars written into each pixel
// format the player can hand over, in each colour matrix and range, must come out within
// 2 levels per channel of the bars' RGB values, at the frame's size and scaled down; what
// swscale cannot read goes through Qt, and an invalid frame or an empty size gives nothing.

#include "platform/media/VideoFrameConverter.h"

#include <QVideoFrame>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace kavio::platform {
namespace {

using Format = QVideoFrameFormat;
using Colour = std::array<int, 3>;

// White, yellow, cyan, green, magenta, red, blue at 75%, then black.
constexpr std::array<Colour, 8> kBars = {
    {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0}, {191, 0, 191}, {191, 0, 0}, {0, 0, 191}, {0, 0, 0}}};
constexpr QSize kFrameSize(256, 64); // bars 32 wide: whole chroma samples in every layout

// The reference encoding of an RGB colour as Y, Cb, Cr, at the given bit depth.
Colour encode(const Colour& rgb, Format::ColorSpace space, Format::ColorRange range, int bits)
{
    const double kr = space == Format::ColorSpace_BT709 ? 0.2126 : space == Format::ColorSpace_BT2020 ? 0.2627 : 0.299;
    const double kb = space == Format::ColorSpace_BT709 ? 0.0722 : space == Format::ColorSpace_BT2020 ? 0.0593 : 0.114;
    const double r = rgb[0] / 255.0, g = rgb[1] / 255.0, b = rgb[2] / 255.0;
    const double y = kr * r + (1 - kr - kb) * g + kb * b;
    const double cb = (b - y) / (2 * (1 - kb)), cr = (r - y) / (2 * (1 - kr));
    const double scale = (1 << (bits - 8));
    const int max = (1 << bits) - 1;
    auto clamp = [max](double v) { return std::clamp(static_cast<int>(std::lround(v)), 0, max); };
    if (range == Format::ColorRange_Full)
        return {clamp(y * max), clamp((128 + 255 * cb) * scale), clamp((128 + 255 * cr) * scale)};
    return {clamp((16 + 219 * y) * scale), clamp((128 + 224 * cb) * scale), clamp((128 + 224 * cr) * scale)};
}

// Where one component's samples go: its plane, subsampling, and the samples from one to the
// next and before the first. Components are Y, Cb, Cr, or R, G, B and an opaque alpha.
struct Samples {
    std::size_t component;
    int plane, xSub, ySub, step, offset;
};

std::vector<Samples> rgbLayout(int r, int g, int b, int a)
{
    return {{0, 0, 1, 1, 4, r}, {1, 0, 1, 1, 4, g}, {2, 0, 1, 1, 4, b}, {3, 0, 1, 1, 4, a}};
}

std::vector<Samples> layoutOf(Format::PixelFormat format)
{
    switch (format) {
    case Format::Format_YUV420P: return {{0, 0, 1, 1, 1, 0}, {1, 1, 2, 2, 1, 0}, {2, 2, 2, 2, 1, 0}};
    case Format::Format_YV12: return {{0, 0, 1, 1, 1, 0}, {1, 2, 2, 2, 1, 0}, {2, 1, 2, 2, 1, 0}};
    case Format::Format_NV12:
    case Format::Format_P010: return {{0, 0, 1, 1, 1, 0}, {1, 1, 2, 2, 2, 0}, {2, 1, 2, 2, 2, 1}};
    case Format::Format_NV21: return {{0, 0, 1, 1, 1, 0}, {1, 1, 2, 2, 2, 1}, {2, 1, 2, 2, 2, 0}};
    case Format::Format_UYVY: return {{0, 0, 1, 1, 2, 1}, {1, 0, 2, 1, 4, 0}, {2, 0, 2, 1, 4, 2}};
    case Format::Format_YUYV: return {{0, 0, 1, 1, 2, 0}, {1, 0, 2, 1, 4, 1}, {2, 0, 2, 1, 4, 3}};
    case Format::Format_BGRA8888:
    case Format::Format_BGRX8888: return rgbLayout(2, 1, 0, 3);
    case Format::Format_ARGB8888:
    case Format::Format_XRGB8888: return rgbLayout(1, 2, 3, 0);
    case Format::Format_RGBA8888:
    case Format::Format_RGBX8888: return rgbLayout(0, 1, 2, 3);
    case Format::Format_ABGR8888:
    case Format::Format_XBGR8888: return rgbLayout(3, 2, 1, 0);
    default: return {};
    }
}

// The bars encoded in space and range; retag may then change what the frame says of itself.
QVideoFrame barsFrame(Format::PixelFormat pixelFormat, Format::ColorSpace space, Format::ColorRange range,
                      void (*retag)(Format&) = nullptr)
{
    Format format(kFrameSize, pixelFormat);
    format.setColorSpace(space);
    format.setColorRange(range);
    if (retag)
        retag(format);
    QVideoFrame frame(format);
    EXPECT_TRUE(frame.map(QVideoFrame::WriteOnly));
    const std::vector<Samples> layout = layoutOf(pixelFormat);
    EXPECT_FALSE(layout.empty()) << "no writer for this format";
    const bool p010 = pixelFormat == Format::Format_P010; // ten bits, kept high in 16
    const int bytes = p010 ? 2 : 1;
    for (const Samples& s : layout) {
        for (int y = 0; y < kFrameSize.height() / s.ySub; ++y) {
            for (int x = 0; x < kFrameSize.width() / s.xSub; ++x) {
                const Colour& rgb = kBars[static_cast<std::size_t>(x * s.xSub * 8 / kFrameSize.width())];
                const int value = layout.size() == 4 ? (s.component < 3 ? rgb[s.component] : 255)
                                                     : encode(rgb, space, range, p010 ? 10 : 8)[s.component];
                uchar* at = frame.bits(s.plane) + y * frame.bytesPerLine(s.plane) + (x * s.step + s.offset) * bytes;
                const auto word = static_cast<quint16>(p010 ? value << 6 : value);
                std::memcpy(at, &word, static_cast<std::size_t>(bytes)); // little-endian: the low byte first
            }
        }
    }
    frame.unmap();
    return frame;
}

// Each bar's centre in image, which shows bars firstBar.. across its width.
void expectBars(const QImage& image, const std::string& what, int firstBar = 0)
{
    ASSERT_FALSE(image.isNull()) << what;
    const int shown = static_cast<int>(kBars.size()) - firstBar;
    for (int i = 0; i < shown; ++i) {
        const QRgb got = image.pixel((2 * i + 1) * image.width() / (2 * shown), image.height() / 2);
        const Colour& want = kBars[static_cast<std::size_t>(firstBar + i)];
        const int error = std::max({std::abs(qRed(got) - want[0]), std::abs(qGreen(got) - want[1]),
                                    std::abs(qBlue(got) - want[2])});
        EXPECT_LE(error, 2) << what << " bar " << firstBar + i << ": got " << qRed(got) << "," << qGreen(got) << ","
                            << qBlue(got);
        EXPECT_EQ(qAlpha(got), 255) << what << " bar " << firstBar + i;
    }
}

std::string name(Format::PixelFormat format)
{
    return Format::pixelFormatToString(format).toStdString();
}

TEST(VideoFrameConverterTest, ColourBarsInEveryFormatMatrixAndRangeComeOutWithinTwoLevelsAtAnySize)
{
    const struct {
        Format::ColorSpace space;
        Format::ColorRange range;
        const char* label;
    } cases[] = {
        {Format::ColorSpace_BT601, Format::ColorRange_Video, "BT.601 limited"},
        {Format::ColorSpace_BT601, Format::ColorRange_Full, "BT.601 full"},
        {Format::ColorSpace_BT709, Format::ColorRange_Video, "BT.709 limited"},
        {Format::ColorSpace_BT709, Format::ColorRange_Full, "BT.709 full"},
        {Format::ColorSpace_BT2020, Format::ColorRange_Video, "BT.2020 limited"},
    };
    VideoFrameConverter converter;
    const auto expectConverted = [&](const QVideoFrame& frame, const std::string& what) {
        expectBars(converter.convert(frame, kFrameSize), what + " at full size");
        EXPECT_EQ(converter.lastConversion(), FrameConversion::Swscale) << what;
        expectBars(converter.convert(frame, kFrameSize / 2), what + " halved");
        expectBars(converter.convert(frame, QSize(152, 38)), what + " at an odd scale");
    };
    // Qt 6.4 allocates its own YUV422P and YUV420P10 frames with rows too short for them, so
    // those two are checked on frames GStreamer decoded (PlaybackTest) instead.
    for (const Format::PixelFormat format :
         {Format::Format_YUV420P, Format::Format_YV12, Format::Format_NV12, Format::Format_NV21, Format::Format_UYVY,
          Format::Format_YUYV, Format::Format_P010}) {
        for (const auto& c : cases)
            expectConverted(barsFrame(format, c.space, c.range), name(format) + " " + c.label);
    }
    for (const Format::PixelFormat format :
         {Format::Format_BGRA8888, Format::Format_BGRX8888, Format::Format_ARGB8888, Format::Format_XRGB8888,
          Format::Format_RGBA8888, Format::Format_RGBX8888, Format::Format_ABGR8888, Format::Format_XBGR8888})
        expectConverted(barsFrame(format, Format::ColorSpace_Undefined, Format::ColorRange_Unknown), name(format));
}

// Most streams say nothing of their matrix: HD and larger are BT.709, smaller BT.601.
TEST(VideoFrameConverterTest, AnUntaggedFrameTakesTheMatrixItsSizeImplies)
{
    Format hd(QSize(1280, 720), Format::Format_NV12);
    EXPECT_EQ(effectiveColorSpace(Format(QSize(720, 576), Format::Format_NV12)), Format::ColorSpace_BT601);
    EXPECT_EQ(effectiveColorSpace(hd), Format::ColorSpace_BT709);
    hd.setColorSpace(Format::ColorSpace_BT601);
    EXPECT_EQ(effectiveColorSpace(hd), Format::ColorSpace_BT601) << "a tag wins";
    const QVideoFrame untagged = barsFrame(Format::Format_YUV420P, Format::ColorSpace_BT601, Format::ColorRange_Video,
                                           [](Format& f) { f.setColorSpace(Format::ColorSpace_Undefined); });
    expectBars(VideoFrameConverter().convert(untagged, kFrameSize), "untagged 256x64");
}

TEST(VideoFrameConverterTest, OnlyTheViewportIsShown)
{
    VideoFrameConverter converter;
    for (const Format::PixelFormat format : {Format::Format_YUV420P, Format::Format_NV12, Format::Format_YUYV}) {
        const QVideoFrame frame = barsFrame(format, Format::ColorSpace_BT709, Format::ColorRange_Video,
                                            [](Format& f) { f.setViewport(QRect(32, 0, 224, 64)); }); // no white
        expectBars(converter.convert(frame, QSize(224, 64)), name(format) + " viewport", 1);
    }
}

// Formats swscale cannot read still reach the screen, through Qt's own conversion.
TEST(VideoFrameConverterTest, AFormatSwscaleCannotReadFallsBackToQtsConversionAndAnInvalidFrameGivesNothing)
{
    QVideoFrame frame(Format(QSize(64, 32), Format::Format_AYUV));
    ASSERT_TRUE(frame.map(QVideoFrame::WriteOnly));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) // opaque white: Y at the top of the limited range, no colour
            std::memcpy(frame.bits(0) + y * frame.bytesPerLine(0) + 4 * x, "\xff\xeb\x80\x80", 4);
    frame.unmap();
    VideoFrameConverter converter;
    const QImage image = converter.convert(frame, QSize(32, 16));
    EXPECT_EQ(converter.lastConversion(), FrameConversion::Fallback);
    ASSERT_EQ(image.size(), QSize(32, 16));
    const QRgb centre = image.pixel(16, 8);
    EXPECT_GE(std::min({qRed(centre), qGreen(centre), qBlue(centre)}), 250);
    EXPECT_TRUE(converter.convert(frame, QSize()).isNull());
    EXPECT_TRUE(converter.convert(QVideoFrame(), QSize(10, 10)).isNull());
    EXPECT_EQ(converter.lastConversion(), FrameConversion::None);
}

} // namespace
} // namespace kavio::platform
