#pragma once
// Thumbnails: decoding whatever format a record's bytes hold, and redrawing to the
// fixed sizes rows and strips use.

#include <QImage>

#include <optional>
#include <string>
#include <string_view>

namespace kavio {

// PNG, JPEG, GIF and WebP through Qt; HEIC/HEIF through libheif (thumbnails taken from a
// phone's photo library are often HEIC). A null image when the bytes do not decode.
QImage decodeImage(std::string_view bytes);

struct ImageInfo {
    std::string format; // "png", "jpeg", "gif", "webp", "heic", "unknown"
    int width = 0;
    int height = 0;
};
// Format and pixel size without decoding the pixels; format "unknown" and 0x0 when the
// bytes are not a picture this helper reads.
ImageInfo probeImage(std::string_view bytes);

// The image stretched to width x height points at the given pixel scale (the aspect
// ratio is not kept, nothing is cropped). A null source gives a transparent image.
QImage rescaleImage(const QImage& image, double width, double height, double scale = 1.0);

} // namespace kavio
