#pragma once
// A saved-videos store shaped like a real one: a dictionary of 1,000 keys "kKV2026...",
// each an array of one <data> holding a ~30 KB binary keyed archive that is mostly a
// PNG thumbnail. The thumbnail bytes are deterministic noise behind a PNG signature.

#include "library/plist/Codec.h"

#include <random>
#include <string>

namespace kavio::plist::bench {

inline std::string pngLikePayload(std::mt19937& rng, std::size_t size)
{
    std::string bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    bytes.reserve(size);
    while (bytes.size() < size) bytes.push_back(static_cast<char>(rng() & 0xFF));
    return bytes;
}

inline ValuePtr movieArchive(std::mt19937& rng, int index)
{
    auto uid = [](std::uint64_t v) { return Value::makeUid(v); };
    Dictionary movie{{"$class", uid(5)}, {"title", uid(2)}, {"artist", uid(3)}, {"imgData", uid(4)}};
    Dictionary meta{{"$classname", Value::makeString("MovieInfo")},
                    {"$classes", Value::makeArray({Value::makeString("MovieInfo"), Value::makeString("NSObject")})}};
    Array objects{Value::makeString("$null"),
                  Value::makeDictionary(std::move(movie)),
                  Value::makeString("Holiday clip " + std::to_string(index)),
                  Value::makeString("Family"),
                  Value::makeData(Bytes(pngLikePayload(rng, 28000 + rng() % 4000))),
                  Value::makeDictionary(std::move(meta))};
    return Value::makeDictionary({{"$archiver", Value::makeString("NSKeyedArchiver")},
                                  {"$version", Value::makeInteger(100000)},
                                  {"$top", Value::makeDictionary({{"root", uid(1)}})},
                                  {"$objects", Value::makeArray(std::move(objects))}});
}

inline ValuePtr makeStore(int records = 1000)
{
    std::mt19937 rng(2026);
    Dictionary store;
    for (int i = 0; i < records; ++i) {
        char key[32];
        std::snprintf(key, sizeof key, "kKV2026%06d%08X", i, static_cast<unsigned>(rng()));
        const auto archive = writeBinary(*movieArchive(rng, i));
        store.emplace(key, Value::makeArray({Value::makeData(Bytes(archive))}));
    }
    return Value::makeDictionary(std::move(store));
}

} // namespace kavio::plist::bench
