#pragma once
// Thumbnails: decoding whatever format a record's bytes hold, and redrawing to the
// fixed sizes rows and strips use.

#include "library/Status.h"

#include <QImage>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kavio {

// PNG, JPEG, GIF and WebP through Qt; HEIC/HEIF through libheif (thumbnails taken from a
// phone's photo library are often HEIC). A null image when the bytes do not decode.
QImage decodeImage(std::string_view bytes);

enum class Fit { Within, Covering };
// Decoded straight to the size it is drawn at, never larger than the picture: JPEG scales
// while decoding, so a camera picture never exists at full size in memory. Within fits
// the picture inside side x side; Covering makes its shorter side side.
QImage decodeImage(std::string_view bytes, int side, Fit fit);

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

// Thumbnails stored from a picked picture stay bounded: a store holding a few full-size
// camera pictures would grow past what its readers load, and every record in it would be
// lost to the car.
inline constexpr std::size_t kMaxRawThumbnailBytes = 1u << 20; // kept byte for byte up to here
inline constexpr int kMaxThumbnailSide = 1024;                  // larger pictures are scaled to fit
inline constexpr std::uintmax_t kMaxPictureFileBytes = 256u << 20; // not read at all beyond

// PNG of the image, scaled down (never up) to fit kMaxThumbnailSide squared: the editor's
// thumbnail, and a large picked picture's.
Result<std::string> pngThumbnail(QImage image);

// The thumbnail bytes for a picture: unchanged while at most kMaxRawThumbnailBytes,
// otherwise PNG scaled down (never up) to fit kMaxThumbnailSide squared. Corrupt when the
// bytes are not a picture this helper reads.
Result<std::string> thumbnailFromPicture(std::string bytes);
// The same for a picked file; only regular files, at most kMaxPictureFileBytes.
Result<std::string> thumbnailFromPictureFile(const std::filesystem::path& path);
// A picked picture file's bytes, on the same terms.
Result<std::string> readPictureFile(const std::filesystem::path& path);

} // namespace kavio
