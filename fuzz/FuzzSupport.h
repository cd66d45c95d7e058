#pragma once
// Shared by the fuzz harnesses: tight limits so each input stays cheap, and a hard stop
// that libFuzzer reports as a crash when an invariant breaks.

#include "library/plist/Codec.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace kavio::fuzz {

inline std::string_view asText(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

[[noreturn]] inline void invariantBroken(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// Small enough that writing any accepted input as XML stays within the fuzzer's memory.
inline plist::Limits fuzzLimits()
{
    plist::Limits l = plist::Limits::archive();
    l.maxExpandedNodes = 1u << 14;
    l.maxStringLength = l.maxDataLength = 1u << 16;
    return l;
}

} // namespace kavio::fuzz
