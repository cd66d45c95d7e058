#include "support/LargeStore.h"

#include "library/RecordKey.h"

#include <chrono>
#include <cstring>

namespace kavio::bench {

std::string noisePng(std::mt19937& rng, std::size_t size)
{
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng());
    std::memcpy(bytes.data(), "\x89PNG\r\n\x1a\n", std::min<std::size_t>(size, 8));
    return bytes;
}

std::string videoTitle(int i)
{
    return "Video " + std::to_string(i);
}

StoreDictionary largeStore(const ThumbnailMaker& thumbnail)
{
    std::mt19937 rng(42);
    StoreDictionary dict;
    // A fixed start: the same keys on every run.
    const auto start = std::chrono::system_clock::time_point(std::chrono::seconds(1767225600));
    for (int i = 0; i < kRecords; ++i) {
        MovieInfo r;
        r.FILENAME = videoTitle(i * (kVideos / kRecords));
        r.ARTIST = "Artist " + std::to_string(i % 17);
        r.EXTENSION = "mp4";
        r.imgData = plist::Bytes(thumbnail ? thumbnail(i) : noisePng(rng));
        r.KEY = recordKeyAt(start + std::chrono::seconds(i));
        r.urlLink = "";
        dict[*r.KEY] = plist::Value::makeArray({plist::Value::makeData(plist::Bytes(encodeMovieInfo(r)))});
    }
    return dict;
}

Status writeLargeStore(const std::filesystem::path& folder, const ThumbnailMaker& thumbnail)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return writeStore(folder / kStoreFileName, largeStore(thumbnail));
}

} // namespace kavio::bench
