#pragma once
// A decoded video frame turned into pixels at the size it is drawn, in one pass: libswscale
// reads the frame's planes where the decoder left them and scales and converts them
// together (bilinear), with the frame's own colour matrix (BT.601, BT.709, BT.2020) and
// range (limited or full). No full-size RGB copy is ever made.
//
// Formats swscale cannot read (8-bit AYUV, IMC, JPEG, frames held only as GPU textures)
// go through Qt's own conversion once and are then scaled: slower, but still shown.

#include <QImage>
#include <QSize>
#include <QVideoFrame>

struct SwsContext;

namespace kavio::platform {

// How a frame reached pixels.
enum class FrameConversion {
    None,     // nothing to convert: an invalid frame or an empty size
    Swscale,  // the planes, scaled and converted in one pass
    Fallback, // Qt's full-size conversion, then a smooth scale
};

// The colour matrix a frame's Y'CbCr is decoded with: its own, or for a frame that does not
// say, the one its size implies (HD and larger BT.709, smaller BT.601), as players do.
QVideoFrameFormat::ColorSpace effectiveColorSpace(const QVideoFrameFormat& format);

class VideoFrameConverter {
public:
    VideoFrameConverter();
    ~VideoFrameConverter();
    VideoFrameConverter(const VideoFrameConverter&) = delete;
    VideoFrameConverter& operator=(const VideoFrameConverter&) = delete;

    // The frame's picture (its viewport) stretched to size, opaque RGB32; a null image for an
    // invalid frame, an empty size or a frame that cannot be read.
    QImage convert(const QVideoFrame& frame, QSize size);

    FrameConversion lastConversion() const { return last_; }

private:
    QImage convertWithSwscale(QVideoFrame& frame, QSize size);

    SwsContext* context_ = nullptr;
    FrameConversion last_ = FrameConversion::None;
};

} // namespace kavio::platform
