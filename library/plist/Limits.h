#pragma once
// Every bound the property-list readers enforce, in one place. Inputs come from anywhere
// (another phone, a USB stick), so each limit rejects quickly and with little memory:
// sizes, lengths and counts are checked against the bytes that remain before anything is
// allocated, and shared references are decoded once, never copied.

#include <cstddef>

namespace kavio::plist {

struct Limits {
    // Bytes of one document. readFile checks it with fstat before reading a byte.
    std::size_t maxFileSize;
    // Nesting of arrays and dictionaries. Also bounds the binary reader's recursion, so a
    // 100,000-deep document is rejected at this depth without touching the stack.
    std::size_t maxDepth;
    // Objects in a binary offset table; elements (keys included) in an XML document. The
    // binary reader keeps 32 bytes of bookkeeping per object, so this also bounds that.
    std::size_t maxObjects;
    // Size of the tree if every shared binary reference were counted separately. A few
    // hundred bytes of arrays that share their members can describe billions of nodes;
    // this caps what any consumer that walks the tree (or writes it as XML) can face.
    // Binary readers also stop after this many references decoded in all.
    std::size_t maxExpandedNodes;
    // Bytes of one string once decoded to UTF-8 (dictionary keys included).
    std::size_t maxStringLength;
    // Bytes of one data value once decoded.
    std::size_t maxDataLength;

    // A saved-videos store or settings file: a dictionary of thousands of keyed archives
    // of tens of KB each (a 1,000-record store is about 42 MB as XML).
    static constexpr Limits store()
    {
        return {256u << 20, 64, 1u << 18, 1u << 20, 1u << 20, 32u << 20};
    }
    // One keyed archive inside a store (a record with its thumbnail).
    static constexpr Limits archive()
    {
        return {32u << 20, 64, 1u << 17, 1u << 18, 1u << 20, 32u << 20};
    }
};

} // namespace kavio::plist
