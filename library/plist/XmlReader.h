#pragma once
// The XML property-list parser behind readXml and readFile: fed in chunks, so a large
// store streams through without being held twice in memory. Builds the tree with an
// explicit stack (no recursion however deep the input) and refuses any DTD subset or
// entity declaration.
//
// A store is almost all base64 inside <data>. Once expat has reported the start of a
// <data> element right where the input says "<data>", the text up to the next '<' is
// taken as it is (plain base64 and whitespace have no markup to tokenize) and only the
// rest goes through expat. Text with an entity reference goes through expat as usual.

#include "library/Status.h"
#include "library/plist/Limits.h"
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

    enum class Input { More, Last };

    // Parses what it can of `bytes`, setting `consumed`. With more input to come it may
    // leave up to five bytes (a "<data>" cut in two): pass them again, followed by the
    // next bytes. With Input::Last everything is consumed.
    Status feed(std::string_view bytes, Input input, std::size_t& consumed);
    // Ends the document and hands over its root.
    Result<ValuePtr> finish();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kavio::plist
