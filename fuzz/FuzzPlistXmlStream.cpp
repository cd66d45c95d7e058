// The XML parser fed in pieces, as readFile streams a large store: whatever the cuts
// (inside a tag, inside "<data>", inside base64), the result is the one-piece read's.
// The cuts come from a hash of the input, so seeds stay whole documents.

#include "FuzzSupport.h"

#include "library/plist/XmlReader.h"

namespace {

using namespace kavio;

Result<plist::ValuePtr> streamed(std::string_view doc, std::uint32_t state, std::uint32_t longestCut)
{
    plist::XmlParser parser(plist::Limits::archive());
    std::string held;
    for (std::size_t pos = 0;;) {
        state = state * 1103515245u + 12345u;
        const std::size_t n = std::min<std::size_t>(1 + (state >> 16) % longestCut, doc.size() - pos);
        held.append(doc.substr(pos, n));
        pos += n;
        const auto input = n == 0 ? plist::XmlParser::Input::Last : plist::XmlParser::Input::More;
        std::size_t consumed = 0;
        if (Status s = parser.feed(held, input, consumed); !s) return s;
        if (input == plist::XmlParser::Input::Last) return parser.finish();
        if (consumed > held.size()) fuzz::invariantBroken("consumed more than given");
        held.erase(0, consumed);
    }
}

void compare(const Result<plist::ValuePtr>& whole, const Result<plist::ValuePtr>& pieces)
{
    if (whole.isOk() != pieces.isOk()) {
        std::fprintf(stderr, "whole: %s\npieces: %s\n", whole.status().toString().c_str(),
                     pieces.status().toString().c_str());
        fuzz::invariantBroken("streamed and whole reads disagree");
    }
    if (whole && !(**whole == **pieces)) fuzz::invariantBroken("streamed read differs");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view doc = fuzz::asText(data, size);
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    const auto whole = plist::readXml(doc, plist::Limits::archive());
    compare(whole, streamed(doc, hash, 7));  // every cut inside a tag or "<data>"
    compare(whole, streamed(doc, hash, 97)); // longer runs of base64 and text
    return 0;
}
