// Whatever reads must survive both writers: written as binary and as XML and read again,
// it equals the first read (XML only where it has an exact XML form).

#include "FuzzSupport.h"

#include <unordered_map>

namespace {

using namespace kavio;
using plist::Value;

// Readback limits: a fan-out DAG is written expanded as XML, and UIDs become one-key
// dictionaries (one level deeper), so counts are open and depth has one more level.
plist::Limits readbackLimits(const plist::Limits& first)
{
    plist::Limits l = first;
    l.maxFileSize = l.maxObjects = l.maxExpandedNodes = SIZE_MAX;
    l.maxDepth = first.maxDepth + 1;
    return l;
}

// Bytes of text the XML form would take, counting shared values once per reference.
std::size_t expandedTextSize(const Value& v, std::unordered_map<const Value*, std::size_t>& memo)
{
    if (const auto it = memo.find(&v); it != memo.end()) return it->second;
    std::size_t total = 64;
    if (const auto* s = v.string()) total += s->size();
    if (const auto* d = v.data()) total += d->size() * 2;
    if (const auto* a = v.array()) {
        for (const auto& item : *a) total += expandedTextSize(*item, memo);
    }
    if (const auto* d = v.dictionary()) {
        for (const auto& [key, item] : *d) total += key.size() + 64 + expandedTextSize(*item, memo);
    }
    total = std::min<std::size_t>(total, SIZE_MAX / 4);
    memo.emplace(&v, total);
    return total;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto limits = fuzz::fuzzLimits();
    const auto first = plist::read(fuzz::asText(data, size), limits);
    if (!first) return 0;
    const Value& v = **first;

    const auto again = plist::readBinary(plist::writeBinary(v), readbackLimits(limits));
    if (!again) fuzz::invariantBroken(("binary rewrite unreadable: " + again.status().toString()).c_str());
    if (!(**again == v)) fuzz::invariantBroken("binary rewrite differs");

    std::unordered_map<const Value*, std::size_t> memo;
    if (!plist::hasExactXmlForm(v) || expandedTextSize(v, memo) > (32u << 20)) return 0;
    const auto xml = plist::readXml(plist::writeXml(v), readbackLimits(limits));
    if (!xml) fuzz::invariantBroken(("XML rewrite unreadable: " + xml.status().toString()).c_str());
    if (!(**xml == v)) fuzz::invariantBroken("XML rewrite differs");
    return 0;
}
