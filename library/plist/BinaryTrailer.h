#pragma once
// The last 32 bytes of a binary property list describe the whole file: sizes of offsets
// and references, object count, top object, where the offset table starts. Checked on
// their own first, so a file that cannot be a property list is refused before the rest
// of it is read.

#include "library/Status.h"
#include "library/plist/Limits.h"

#include <cstdint>

namespace kavio::plist {

inline constexpr std::size_t kBinaryHeaderSize = 8;
inline constexpr std::size_t kBinaryTrailerSize = 32;

struct BinaryTrailer {
    unsigned offsetSize = 0;
    unsigned refSize = 0;
    std::uint64_t numObjects = 0;
    std::uint64_t top = 0;
    std::uint64_t tableOffset = 0;
};

// trailer points at the file's last kBinaryTrailerSize bytes; fileSize is the whole file's.
// Checks everything that needs no other byte: sizes, counts, limits, the table's extent.
Result<BinaryTrailer> parseBinaryTrailer(const unsigned char* trailer, std::uint64_t fileSize, const Limits& limits);

} // namespace kavio::plist
