#include "ImageHelper.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QPainter>

#include <cmath>
#include <cstring>
#include <fstream>
#include <libheif/heif.h>
#include <memory>

namespace kavio {

namespace {

// Larger pictures are not thumbnails; refusing them keeps a hostile file from costing
// gigabytes.
constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;

bool looksLikeHeif(std::string_view b)
{
    if (b.size() < 12 || b.substr(4, 4) != "ftyp")
        return false;
    const std::string_view brand = b.substr(8, 4);
    for (std::string_view known : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif"}) {
        if (brand == known)
            return true;
    }
    return false;
}

struct HeifContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HeifHandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct HeifImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
using HeifContext = std::unique_ptr<heif_context, HeifContextDeleter>;
using HeifHandle = std::unique_ptr<heif_image_handle, HeifHandleDeleter>;
using HeifImage = std::unique_ptr<heif_image, HeifImageDeleter>;

HeifHandle openHeif(std::string_view bytes, HeifContext& context)
{
    context.reset(heif_context_alloc());
    if (!context)
        return nullptr;
    heif_error err = heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(), nullptr);
    if (err.code != heif_error_Ok)
        return nullptr;
    heif_image_handle* handle = nullptr;
    err = heif_context_get_primary_image_handle(context.get(), &handle);
    if (err.code != heif_error_Ok)
        return nullptr;
    return HeifHandle(handle);
}

QImage decodeHeif(std::string_view bytes)
{
    HeifContext context;
    HeifHandle handle = openHeif(bytes, context);
    if (!handle)
        return {};
    const qint64 w = heif_image_handle_get_width(handle.get());
    const qint64 h = heif_image_handle_get_height(handle.get());
    if (w <= 0 || h <= 0 || w * h > kMaxPixels)
        return {};
    heif_image* raw = nullptr;
    const heif_error err = heif_decode_image(handle.get(), &raw, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr);
    if (err.code != heif_error_Ok)
        return {};
    HeifImage image(raw);
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!pixels || width <= 0 || height <= 0)
        return {};
    QImage out(width, height, QImage::Format_RGBA8888);
    if (out.isNull())
        return {};
    for (int y = 0; y < height; ++y)
        std::memcpy(out.scanLine(y), pixels + static_cast<std::ptrdiff_t>(y) * stride, static_cast<std::size_t>(width) * 4);
    return out;
}

QByteArray wrap(std::string_view bytes)
{
    // No copy: the reader only looks at the bytes while this call runs.
    return QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

namespace {

// Decodes at fitted(the picture's size): the reader scales while decoding where it can.
template <typename Fitted>
QImage decodeFitted(std::string_view bytes, Fitted fitted)
{
    if (bytes.empty())
        return {};
    if (looksLikeHeif(bytes)) {
        const QImage image = decodeHeif(bytes);
        const QSize size = fitted(image.size());
        return size == image.size() ? image : image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QByteArray data = wrap(bytes);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && static_cast<qint64>(size.width()) * size.height() > kMaxPixels)
        return {};
    // The stored size is before the orientation turn, and so is the scaled size.
    if (size.isValid() && fitted(size) != size)
        reader.setScaledSize(fitted(size).expandedTo(QSize(1, 1)));
    return reader.read();
}

} // namespace

QImage decodeImage(std::string_view bytes)
{
    return decodeFitted(bytes, [](QSize size) { return size; });
}

QImage decodeImage(std::string_view bytes, int side, Fit fit)
{
    if (side <= 0)
        return {};
    const Qt::AspectRatioMode mode = fit == Fit::Within ? Qt::KeepAspectRatio : Qt::KeepAspectRatioByExpanding;
    return decodeFitted(bytes, [&](QSize size) {
        return size.width() > side || size.height() > side ? size.scaled(side, side, mode) : size;
    });
}

ImageInfo probeImage(std::string_view bytes)
{
    if (looksLikeHeif(bytes)) {
        HeifContext context;
        HeifHandle handle = openHeif(bytes, context);
        if (!handle)
            return {"unknown", 0, 0};
        return {"heic", heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get())};
    }
    QByteArray data = wrap(bytes);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    if (format.isEmpty() || !size.isValid())
        return {"unknown", 0, 0};
    std::string name = format.toStdString();
    if (name == "jpg")
        name = "jpeg";
    return {name, size.width(), size.height()};
}

QImage rescaleImage(const QImage& image, double width, double height, double scale)
{
    const int pw = std::max(1, static_cast<int>(std::ceil(width * scale)));
    const int ph = std::max(1, static_cast<int>(std::ceil(height * scale)));
    QImage out(pw, ph, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    if (!image.isNull()) {
        QPainter painter(&out);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(0, 0, pw, ph), image);
    }
    out.setDevicePixelRatio(scale);
    return out;
}

Result<std::string> pngThumbnail(QImage image)
{
    if (image.isNull())
        return Status::corrupt("not a picture");
    if (image.width() > kMaxThumbnailSide || image.height() > kMaxThumbnailSide)
        image = image.scaled(kMaxThumbnailSide, kMaxThumbnailSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return Status::ioError("the picture could not be encoded as PNG");
    return std::string(png.constData(), static_cast<std::size_t>(png.size()));
}

Result<std::string> thumbnailFromPicture(std::string bytes)
{
    if (bytes.size() <= kMaxRawThumbnailBytes) {
        if (decodeImage(bytes).isNull())
            return Status::corrupt("not a picture");
        return bytes;
    }
    return pngThumbnail(decodeImage(bytes));
}

Result<std::string> thumbnailFromPictureFile(const std::filesystem::path& path)
{
    Result<std::string> bytes = readPictureFile(path);
    if (!bytes)
        return bytes;
    return thumbnailFromPicture(std::move(bytes).value());
}

Result<std::string> readPictureFile(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::is_regular_file(status))
        return Status::notFound("not a file: " + path.string());
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        return Status::ioError(ec.message());
    if (size > kMaxPictureFileBytes)
        return Status::limitExceeded("the picture file is too large");
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        return Status::ioError("the picture could not be read");
    return bytes;
}

} // namespace kavio
