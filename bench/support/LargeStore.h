#pragma once
// The store of a large library, the one every benchmark and benchmark script that needs a
// store builds: 1,000 records titled "Video N" for every tenth N below 10,000 (the large
// folder's videos that have records), each with a thumbnail of about 30 KB; about 40 MB as
// XML.

#include "library/SavedVideosStore.h"

#include <filesystem>
#include <functional>
#include <random>
#include <string>

namespace kavio::bench {

inline constexpr int kVideos = 10000;
inline constexpr int kRecords = 1000;
inline constexpr std::size_t kThumbnailBytes = 30 * 1024;

// Incompressible bytes behind a PNG signature: what the codecs pay for a picture, without
// making one.
std::string noisePng(std::mt19937& rng, std::size_t size = kThumbnailBytes);

// The title of the record for the large folder's video number i.
std::string videoTitle(int i);

// record is 0 .. kRecords-1; it stands for video number record * kVideos / kRecords.
using ThumbnailMaker = std::function<std::string(int record)>;
StoreDictionary largeStore(const ThumbnailMaker& thumbnail = {});

// DIR/KavioSave.plist, written as Kavio writes it.
Status writeLargeStore(const std::filesystem::path& folder, const ThumbnailMaker& thumbnail = {});

} // namespace kavio::bench
