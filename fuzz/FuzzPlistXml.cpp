// XML property lists through readXml: any input is read or rejected, never a crash.

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto r = kavio::plist::readXml(kavio::fuzz::asText(data, size), kavio::plist::Limits::archive());
    if (!r && r.status().isOk()) kavio::fuzz::invariantBroken("failure without a status");
    return 0;
}
