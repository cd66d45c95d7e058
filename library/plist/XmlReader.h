#pragma once
// The XML property-list parser behind readXml and readFile: fed in chunks, so a large
// store streams through expat without being held twice in memory. Builds the tree with
// an explicit stack (no recursion however deep the input) and refuses any DTD subset or
// entity declaration.

#include "library/plist/Limits.h"
#include "library/plist/Status.h"
#include "library/plist/Value.h"

#include <memory>
#include <string_view>

namespace kavio::plist {

class XmlParser {
public:
    explicit XmlParser(const Limits& limits);
    ~XmlParser();
    XmlParser(const XmlParser&) = delete;
    XmlParser& operator=(const XmlParser&) = delete;

    // Copies `chunk` into the parser and parses it.
    Status parse(std::string_view chunk);
    // Zero-copy feeding: fill buffer(n) with up to n bytes, then parseBuffer(filled).
    void* buffer(std::size_t size);
    Status parseBuffer(std::size_t filled);
    // Ends the document and hands over its root.
    Result<ValuePtr> finish();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kavio::plist
