#pragma once
// Every bound the property-list readers enforce, in one place. Inputs come from anywhere
// (another phone, a USB stick), so each limit rejects quickly and with little memory.

#include <cstddef>

namespace kavio::plist {

struct Limits {
    std::size_t maxFileSize;      // bytes of one document
    std::size_t maxDepth;         // nesting of arrays and dictionaries
    std::size_t maxObjects;       // objects in a binary offset table, elements in XML
    std::size_t maxExpandedNodes; // values counted once per reference, so shared fan-out is bounded

    // A saved-videos store or settings file.
    static constexpr Limits store() { return {256u << 20, 64, 1u << 20, 4u << 20}; }
    // One keyed archive inside a store (a record with its thumbnail).
    static constexpr Limits archive() { return {64u << 20, 64, 1u << 16, 1u << 18}; }
};

} // namespace kavio::plist
