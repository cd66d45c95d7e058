// Frame conversion against reference colours: 75% colour bars written into each pixel
// format the player can hand over, in each colour matrix and range, must come out within
// 2 levels per channel of the bars' RGB values, at the frame's size and scaled down.

#include "platform/media/VideoFrameConverter.h"

#include <QVideoFrame>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>

namespace kavio::platform {
namespace {

using Format = QVideoFrameFormat;

// White, yellow, cyan, green, magenta, red, blue at 75%, then black.
constexpr std::array<std::array<int, 3>, 8> kBars = {{{191, 191, 191},
                                                      {191, 191, 0},
                                                      {0, 191, 191},
                                                      {0, 191, 0},
                                                      {191, 0, 191},
                                                      {191, 0, 0},
                                                      {0, 0, 191},
                                                      {0, 0, 0}}};
constexpr QSize kFrameSize(256, 64); // bars 32 wide: whole chroma samples in every layout

struct YCbCr {
    int y, cb, cr;
};

// The reference encoding of an RGB colour, at the given bit depth.
YCbCr encode(const std::array<int, 3>& rgb, Format::ColorSpace space, Format::ColorRange range, int bits)
{
    const double kr = space == Format::ColorSpace_BT709 ? 0.2126 : space == Format::ColorSpace_BT2020 ? 0.2627 : 0.299;
    const double kb = space == Format::ColorSpace_BT709 ? 0.0722 : space == Format::ColorSpace_BT2020 ? 0.0593 : 0.114;
    const double r = rgb[0] / 255.0, g = rgb[1] / 255.0, b = rgb[2] / 255.0;
    const double y = kr * r + (1 - kr - kb) * g + kb * b;
    const double cb = (b - y) / (2 * (1 - kb));
    const double cr = (r - y) / (2 * (1 - kr));
    const double scale = (1 << (bits - 8));
    const int max = (1 << bits) - 1;
    auto clamp = [max](double v) { return std::clamp(static_cast<int>(std::lround(v)), 0, max); };
    if (range == Format::ColorRange_Full)
        return {clamp(y * max), clamp((128 + 255 * cb) * scale), clamp((128 + 255 * cr) * scale)};
    return {clamp((16 + 219 * y) * scale), clamp((128 + 224 * cb) * scale), clamp((128 + 224 * cr) * scale)};
}

int barAt(int x)
{
    return x * static_cast<int>(kBars.size()) / kFrameSize.width();
}

void put(uchar* at, int value, int bytes, int shift)
{
    if (bytes == 1) {
        *at = static_cast<uchar>(value);
    } else {
        const auto word = static_cast<quint16>(value << shift);
        std::memcpy(at, &word, 2);
    }
}

// Writes the bars into a mapped frame, whatever its layout.
void paintBars(QVideoFrame& frame, Format::ColorSpace space, Format::ColorRange range)
{
    const Format::PixelFormat format = frame.pixelFormat();
    const int w = frame.width(), h = frame.height();
    const bool tenBit = format == Format::Format_P010 || format == Format::Format_YUV420P10;
    const int bytes = tenBit ? 2 : 1;
    const int shift = format == Format::Format_P010 ? 6 : 0; // P010 keeps its bits high
    auto value = [&](int x) { return encode(kBars[static_cast<std::size_t>(barAt(x))], space, range, tenBit ? 10 : 8); };

    auto planar = [&](int uPlane, int vPlane, int chromaRowsDivisor) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                put(frame.bits(0) + y * frame.bytesPerLine(0) + x * bytes, value(x).y, bytes, shift);
        for (int y = 0; y < h / chromaRowsDivisor; ++y)
            for (int x = 0; x < w / 2; ++x) {
                put(frame.bits(uPlane) + y * frame.bytesPerLine(uPlane) + x * bytes, value(2 * x).cb, bytes, shift);
                put(frame.bits(vPlane) + y * frame.bytesPerLine(vPlane) + x * bytes, value(2 * x).cr, bytes, shift);
            }
    };
    auto semiPlanar = [&](bool vFirst) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                put(frame.bits(0) + y * frame.bytesPerLine(0) + x * bytes, value(x).y, bytes, shift);
        for (int y = 0; y < h / 2; ++y)
            for (int x = 0; x < w / 2; ++x) {
                uchar* pair = frame.bits(1) + y * frame.bytesPerLine(1) + 2 * x * bytes;
                put(pair + (vFirst ? bytes : 0), value(2 * x).cb, bytes, shift);
                put(pair + (vFirst ? 0 : bytes), value(2 * x).cr, bytes, shift);
            }
    };
    auto packed422 = [&](std::array<int, 4> order) { // byte positions of Y0, U, Y1, V
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; x += 2) {
                uchar* quad = frame.bits(0) + y * frame.bytesPerLine(0) + 2 * x;
                quad[order[0]] = static_cast<uchar>(value(x).y);
                quad[order[1]] = static_cast<uchar>(value(x).cb);
                quad[order[2]] = static_cast<uchar>(value(x + 1).y);
                quad[order[3]] = static_cast<uchar>(value(x).cr);
            }
    };
    auto packedRgb = [&](std::array<int, 4> order) { // byte positions of R, G, B, A/X
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uchar* px = frame.bits(0) + y * frame.bytesPerLine(0) + 4 * x;
                const auto& rgb = kBars[static_cast<std::size_t>(barAt(x))];
                for (int c = 0; c < 3; ++c)
                    px[order[static_cast<std::size_t>(c)]] = static_cast<uchar>(rgb[static_cast<std::size_t>(c)]);
                px[order[3]] = 255;
            }
    };

    switch (format) {
    case Format::Format_YUV420P:
    case Format::Format_YUV420P10: planar(1, 2, 2); break;
    case Format::Format_YV12: planar(2, 1, 2); break;
    case Format::Format_YUV422P: planar(1, 2, 1); break;
    case Format::Format_NV12:
    case Format::Format_P010: semiPlanar(false); break;
    case Format::Format_NV21: semiPlanar(true); break;
    case Format::Format_UYVY: packed422({1, 0, 3, 2}); break;
    case Format::Format_YUYV: packed422({0, 1, 2, 3}); break;
    case Format::Format_BGRA8888:
    case Format::Format_BGRX8888: packedRgb({2, 1, 0, 3}); break;
    case Format::Format_ARGB8888:
    case Format::Format_XRGB8888: packedRgb({1, 2, 3, 0}); break;
    case Format::Format_RGBA8888:
    case Format::Format_RGBX8888: packedRgb({0, 1, 2, 3}); break;
    case Format::Format_ABGR8888:
    case Format::Format_XBGR8888: packedRgb({3, 2, 1, 0}); break;
    default: FAIL() << "no writer for this format";
    }
}

QVideoFrame barsFrame(Format::PixelFormat pixelFormat, Format::ColorSpace space, Format::ColorRange range)
{
    Format format(kFrameSize, pixelFormat);
    format.setColorSpace(space);
    format.setColorRange(range);
    QVideoFrame frame(format);
    EXPECT_TRUE(frame.map(QVideoFrame::WriteOnly));
    paintBars(frame, space, range);
    frame.unmap();
    return frame;
}

// Each bar's centre in image, which shows bars firstBar.. across its width.
void expectBars(const QImage& image, const std::string& what, int firstBar = 0)
{
    ASSERT_FALSE(image.isNull()) << what;
    const int shown = static_cast<int>(kBars.size()) - firstBar;
    for (int i = 0; i < shown; ++i) {
        const QPoint centre((2 * i + 1) * image.width() / (2 * shown), image.height() / 2);
        const QRgb got = image.pixel(centre);
        const auto& want = kBars[static_cast<std::size_t>(firstBar + i)];
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

struct YuvCase {
    Format::ColorSpace space;
    Format::ColorRange range;
    const char* label;
};

constexpr YuvCase kYuvCases[] = {
    {Format::ColorSpace_BT601, Format::ColorRange_Video, "BT.601 limited"},
    {Format::ColorSpace_BT601, Format::ColorRange_Full, "BT.601 full"},
    {Format::ColorSpace_BT709, Format::ColorRange_Video, "BT.709 limited"},
    {Format::ColorSpace_BT709, Format::ColorRange_Full, "BT.709 full"},
    {Format::ColorSpace_BT2020, Format::ColorRange_Video, "BT.2020 limited"},
};

// Qt 6.4 allocates its own YUV422P and YUV420P10 frames with rows too short for them, so
// those two are checked on frames GStreamer decoded (PlaybackPictureTest) instead.
constexpr Format::PixelFormat kYuvFormats[] = {
    Format::Format_YUV420P, Format::Format_YV12, Format::Format_NV12, Format::Format_NV21,
    Format::Format_UYVY,    Format::Format_YUYV, Format::Format_P010,
};

TEST(VideoFrameConverterTest, ColourBarsInEveryYuvFormatMatrixAndRangeComeOutWithinTwoLevels)
{
    VideoFrameConverter converter;
    for (const Format::PixelFormat format : kYuvFormats) {
        for (const YuvCase& c : kYuvCases) {
            const QVideoFrame frame = barsFrame(format, c.space, c.range);
            const std::string what = name(format) + " " + c.label;
            expectBars(converter.convert(frame, kFrameSize), what + " at full size");
            EXPECT_EQ(converter.lastConversion(), FrameConversion::Swscale) << what;
            expectBars(converter.convert(frame, kFrameSize / 2), what + " halved");
            expectBars(converter.convert(frame, QSize(152, 38)), what + " at an odd scale");
        }
    }
}

TEST(VideoFrameConverterTest, ColourBarsInEveryRgbFormatComeOutUnchanged)
{
    VideoFrameConverter converter;
    for (const Format::PixelFormat format :
         {Format::Format_BGRA8888, Format::Format_BGRX8888, Format::Format_ARGB8888, Format::Format_XRGB8888,
          Format::Format_RGBA8888, Format::Format_RGBX8888, Format::Format_ABGR8888, Format::Format_XBGR8888}) {
        const QVideoFrame frame = barsFrame(format, Format::ColorSpace_Undefined, Format::ColorRange_Unknown);
        expectBars(converter.convert(frame, kFrameSize), name(format));
        expectBars(converter.convert(frame, QSize(100, 25)), name(format) + " scaled");
    }
}

// Most streams say nothing of their matrix: HD and larger are BT.709, smaller BT.601.
TEST(VideoFrameConverterTest, AnUntaggedFrameTakesTheMatrixItsSizeImplies)
{
    Format sd(QSize(720, 576), Format::Format_NV12);
    Format hd(QSize(1280, 720), Format::Format_NV12);
    EXPECT_EQ(effectiveColorSpace(sd), Format::ColorSpace_BT601);
    EXPECT_EQ(effectiveColorSpace(hd), Format::ColorSpace_BT709);
    hd.setColorSpace(Format::ColorSpace_BT601);
    EXPECT_EQ(effectiveColorSpace(hd), Format::ColorSpace_BT601) << "a tag wins";

    // Bars encoded BT.601 in an untagged small frame decode right.
    VideoFrameConverter converter;
    QVideoFrame frame = barsFrame(Format::Format_YUV420P, Format::ColorSpace_BT601, Format::ColorRange_Video);
    Format untagged = frame.surfaceFormat();
    untagged.setColorSpace(Format::ColorSpace_Undefined);
    QVideoFrame copy(untagged);
    ASSERT_TRUE(frame.map(QVideoFrame::ReadOnly));
    ASSERT_TRUE(copy.map(QVideoFrame::WriteOnly));
    for (int p = 0; p < frame.planeCount(); ++p)
        std::memcpy(copy.bits(p), frame.bits(p), static_cast<std::size_t>(frame.mappedBytes(p)));
    copy.unmap();
    frame.unmap();
    expectBars(converter.convert(copy, kFrameSize), "untagged 256x64");
}

TEST(VideoFrameConverterTest, OnlyTheViewportIsShown)
{
    VideoFrameConverter converter;
    for (const Format::PixelFormat format : {Format::Format_YUV420P, Format::Format_NV12, Format::Format_YUYV}) {
        QVideoFrame frame = barsFrame(format, Format::ColorSpace_BT709, Format::ColorRange_Video);
        Format cropped = frame.surfaceFormat();
        cropped.setViewport(QRect(32, 0, 224, 64)); // the white bar cut off
        QVideoFrame view(cropped);
        ASSERT_TRUE(frame.map(QVideoFrame::ReadOnly));
        ASSERT_TRUE(view.map(QVideoFrame::WriteOnly));
        for (int p = 0; p < frame.planeCount(); ++p)
            std::memcpy(view.bits(p), frame.bits(p), static_cast<std::size_t>(frame.mappedBytes(p)));
        view.unmap();
        frame.unmap();
        expectBars(converter.convert(view, QSize(224, 64)), name(format) + " viewport", 1);
    }
}

// Formats swscale cannot read still reach the screen, through Qt's own conversion.
TEST(VideoFrameConverterTest, AFormatSwscaleCannotReadFallsBackToQtsConversionAtTheAskedSize)
{
    QVideoFrame frame(Format(QSize(64, 32), Format::Format_AYUV));
    ASSERT_TRUE(frame.map(QVideoFrame::WriteOnly));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            uchar* px = frame.bits(0) + y * frame.bytesPerLine(0) + 4 * x;
            px[0] = 255; // opaque
            px[1] = 235; // white: Y at the top of the limited range, no colour
            px[2] = 128;
            px[3] = 128;
        }
    frame.unmap();
    VideoFrameConverter converter;
    const QImage image = converter.convert(frame, QSize(32, 16));
    EXPECT_EQ(converter.lastConversion(), FrameConversion::Fallback);
    ASSERT_EQ(image.size(), QSize(32, 16));
    const QRgb centre = image.pixel(16, 8);
    EXPECT_GE(std::min({qRed(centre), qGreen(centre), qBlue(centre)}), 250);
}

TEST(VideoFrameConverterTest, NothingComesOfAnInvalidFrameOrAnEmptySize)
{
    VideoFrameConverter converter;
    EXPECT_TRUE(converter.convert(QVideoFrame(), QSize(10, 10)).isNull());
    EXPECT_EQ(converter.lastConversion(), FrameConversion::None);
    const QVideoFrame frame = barsFrame(Format::Format_NV12, Format::ColorSpace_BT709, Format::ColorRange_Video);
    EXPECT_TRUE(converter.convert(frame, QSize()).isNull());
}

} // namespace
} // namespace kavio::platform
