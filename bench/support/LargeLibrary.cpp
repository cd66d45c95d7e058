#include "support/LargeLibrary.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QRandomGenerator>

#include <cstdio>
#include <fstream>
#include <map>

namespace kavio::bench {

namespace fs = std::filesystem;

namespace {

// A noisy PNG of about 30 KB: real decoding work, like a phone's thumbnail.
std::string thumbnailPng(quint32 seed)
{
    QImage image(96, 96, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, rng.generate() & 0xffffff);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

fs::path makeLargeFolder(const std::string& name)
{
    fs::path f = fs::temp_directory_path() / name / "Big";
    if (fs::exists(f / kStoreFileName))
        return f;
    fs::create_directories(f);
    for (int i = 0; i < kVideos; ++i)
        std::ofstream(f / (videoTitle(i) + ".mp4")) << "x";
    const Status written = writeLargeStore(f, [](int record) { return thumbnailPng(static_cast<quint32>(record)); });
    if (!written)
        std::fprintf(stderr, "could not write the large store: %s\n", written.toString().c_str());
    return f;
}

} // namespace

const fs::path& largeFolder(const std::string& name)
{
    static std::map<std::string, fs::path> made;
    auto it = made.find(name);
    if (it == made.end())
        it = made.emplace(name, makeLargeFolder(name)).first;
    return it->second;
}

void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

} // namespace kavio::bench
