#include "platform/media/VideoFrameConverter.h"

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace kavio::platform {

namespace {

struct SourceLayout {
    AVPixelFormat format = AV_PIX_FMT_NONE;
    bool swapChroma = false; // YV12 keeps V before U
};

// Qt names packed RGB formats by byte order, as FFmpeg does.
std::optional<SourceLayout> layoutFor(QVideoFrameFormat::PixelFormat format)
{
    using F = QVideoFrameFormat;
    switch (format) {
    case F::Format_YUV420P: return SourceLayout{AV_PIX_FMT_YUV420P};
    case F::Format_YV12: return SourceLayout{AV_PIX_FMT_YUV420P, true};
    case F::Format_YUV422P: return SourceLayout{AV_PIX_FMT_YUV422P};
    case F::Format_YUV420P10: return SourceLayout{AV_PIX_FMT_YUV420P10LE};
    case F::Format_NV12: return SourceLayout{AV_PIX_FMT_NV12};
    case F::Format_NV21: return SourceLayout{AV_PIX_FMT_NV21};
    case F::Format_P010: return SourceLayout{AV_PIX_FMT_P010LE};
    case F::Format_P016: return SourceLayout{AV_PIX_FMT_P016LE};
    case F::Format_UYVY: return SourceLayout{AV_PIX_FMT_UYVY422};
    case F::Format_YUYV: return SourceLayout{AV_PIX_FMT_YUYV422};
    case F::Format_Y8: return SourceLayout{AV_PIX_FMT_GRAY8};
    case F::Format_Y16: return SourceLayout{AV_PIX_FMT_GRAY16LE};
    case F::Format_ARGB8888:
    case F::Format_ARGB8888_Premultiplied: return SourceLayout{AV_PIX_FMT_ARGB};
    case F::Format_XRGB8888: return SourceLayout{AV_PIX_FMT_0RGB};
    case F::Format_BGRA8888:
    case F::Format_BGRA8888_Premultiplied: return SourceLayout{AV_PIX_FMT_BGRA};
    case F::Format_BGRX8888: return SourceLayout{AV_PIX_FMT_BGR0};
    case F::Format_ABGR8888: return SourceLayout{AV_PIX_FMT_ABGR};
    case F::Format_XBGR8888: return SourceLayout{AV_PIX_FMT_0BGR};
    case F::Format_RGBA8888: return SourceLayout{AV_PIX_FMT_RGBA};
    case F::Format_RGBX8888: return SourceLayout{AV_PIX_FMT_RGB0};
    default: return std::nullopt;
    }
}

int swscaleMatrix(QVideoFrameFormat::ColorSpace space)
{
    switch (space) {
    case QVideoFrameFormat::ColorSpace_BT709: return SWS_CS_ITU709;
    case QVideoFrameFormat::ColorSpace_BT2020: return SWS_CS_BT2020;
    default: return SWS_CS_ITU601;
    }
}

struct Planes {
    std::array<const uint8_t*, 4> data{};
    std::array<int, 4> strides{};
};

// The mapped frame's planes in swscale's order, starting at the viewport's corner (rounded
// down to the chroma grid), as FFmpeg's own cropping does.
Planes planesAt(QVideoFrame& frame, const AVPixFmtDescriptor* desc, QPoint origin, bool swapChroma)
{
    Planes planes;
    const int count = std::min(frame.planeCount(), 4);
    for (int p = 0; p < count; ++p) {
        planes.data[static_cast<std::size_t>(p)] = frame.bits(p);
        planes.strides[static_cast<std::size_t>(p)] = frame.bytesPerLine(p);
    }
    if (swapChroma) {
        std::swap(planes.data[1], planes.data[2]);
        std::swap(planes.strides[1], planes.strides[2]);
    }
    if (origin.isNull())
        return planes;
    // Bytes per pixel step in each plane: the smallest step there, which for packed 4:2:2
    // is the luma's (two bytes), not the chroma pair's.
    int steps[4] = {};
    for (int c = 0; c < desc->nb_components; ++c) {
        int& step = steps[desc->comp[c].plane];
        step = step == 0 ? desc->comp[c].step : std::min(step, desc->comp[c].step);
    }
    const int x = origin.x() >> desc->log2_chroma_w << desc->log2_chroma_w;
    const int y = origin.y() >> desc->log2_chroma_h << desc->log2_chroma_h;
    for (std::size_t p = 0; p < static_cast<std::size_t>(count); ++p) {
        const bool chroma = p == 1 || p == 2;
        const int column = x >> (chroma ? desc->log2_chroma_w : 0);
        const int row = y >> (chroma ? desc->log2_chroma_h : 0);
        planes.data[p] += static_cast<std::ptrdiff_t>(row) * planes.strides[p] + column * steps[p];
    }
    return planes;
}

} // namespace

QVideoFrameFormat::ColorSpace effectiveColorSpace(const QVideoFrameFormat& format)
{
    switch (format.colorSpace()) {
    case QVideoFrameFormat::ColorSpace_BT601:
    case QVideoFrameFormat::ColorSpace_BT709:
    case QVideoFrameFormat::ColorSpace_BT2020:
        return format.colorSpace();
    case QVideoFrameFormat::ColorSpace_Undefined:
    case QVideoFrameFormat::ColorSpace_AdobeRgb:
        break;
    }
    return format.frameHeight() > 576 ? QVideoFrameFormat::ColorSpace_BT709 : QVideoFrameFormat::ColorSpace_BT601;
}

VideoFrameConverter::VideoFrameConverter() = default;

VideoFrameConverter::~VideoFrameConverter()
{
    sws_freeContext(context_);
}

QImage VideoFrameConverter::convert(const QVideoFrame& source, QSize size)
{
    last_ = FrameConversion::None;
    if (!source.isValid() || size.isEmpty())
        return {};
    QVideoFrame frame = source; // shares the buffer; mapping needs a non-const frame
    if (frame.handleType() == QVideoFrame::NoHandle && layoutFor(frame.pixelFormat())) {
        QImage image = convertWithSwscale(frame, size);
        if (!image.isNull()) {
            last_ = FrameConversion::Swscale;
            return image;
        }
    }
    // A frame swscale cannot read: Qt converts it whole (downloading it once when it lives
    // on the GPU), and the picture is scaled from there.
    const QImage whole = frame.toImage();
    if (whole.isNull())
        return {};
    last_ = FrameConversion::Fallback;
    return whole.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
}

QImage VideoFrameConverter::convertWithSwscale(QVideoFrame& frame, QSize size)
{
    const SourceLayout layout = *layoutFor(frame.pixelFormat());
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(layout.format);
    const QRect whole(QPoint(), frame.size());
    QRect picture = frame.surfaceFormat().viewport().intersected(whole);
    if (picture.isEmpty())
        picture = whole;

    // Bilinear over the whole source footprint: a true average when shrinking (no aliasing
    // of fine detail), at a fraction of bicubic's cost. At the frame's own size swscale's
    // usual output is off by up to 3 levels; full chroma and accurate rounding put it right
    // there, where nothing is scaled and the extra cost is small.
    const int flags = SWS_BILINEAR | (size == picture.size() ? SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT : 0);
    context_ = sws_getCachedContext(context_, picture.width(), picture.height(), layout.format, size.width(),
                                    size.height(), AV_PIX_FMT_BGRA, flags, nullptr, nullptr, nullptr);
    if (!context_)
        return {};
    if ((desc->flags & AV_PIX_FMT_FLAG_RGB) == 0) {
        // Asked of the context itself: a new context may reuse an old one's address.
        const int* wanted = sws_getCoefficients(swscaleMatrix(effectiveColorSpace(frame.surfaceFormat())));
        const int range = frame.surfaceFormat().colorRange() == QVideoFrameFormat::ColorRange_Full ? 1 : 0;
        int *inverse = nullptr, *table = nullptr;
        int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
        sws_getColorspaceDetails(context_, &inverse, &srcRange, &table, &dstRange, &brightness, &contrast, &saturation);
        // RGB out is always full range; only the source's matrix and range vary.
        if (inverse != wanted || srcRange != range || dstRange != 1)
            sws_setColorspaceDetails(context_, wanted, range, sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16,
                                     1 << 16);
    }

    if (!frame.map(QVideoFrame::ReadOnly))
        return {};
    const Planes planes = planesAt(frame, desc, picture.topLeft(), layout.swapChroma);

    // BGRA in memory is RGB32 on the little-endian machines this runs on; swscale writes
    // opaque alpha for sources without one.
    QImage image(size, QImage::Format_RGB32);
    uint8_t* const out[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int outStrides[4] = {static_cast<int>(image.bytesPerLine()), 0, 0, 0};
    const int rows = sws_scale(context_, planes.data.data(), planes.strides.data(), 0, picture.height(), out, outStrides);
    frame.unmap();
    return rows == size.height() ? image : QImage();
}

} // namespace kavio::platform
