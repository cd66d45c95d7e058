// A saved-videos store read whole and decoded record by record, as a folder load does:
// every item ends up a record or a skip, and each record survives our encoder.

#include "FuzzSupport.h"

#include "library/SavedVideosStore.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kavio;
    const auto root = plist::read(fuzz::asText(data, size), fuzz::fuzzLimits());
    if (!root || !(*root)->dictionary()) return 0;
    const StoreDictionary& dict = *(*root)->dictionary();

    std::size_t items = 0;
    for (const auto& [key, value] : dict) items += value->array() ? value->array()->size() : 1;

    std::size_t skipped = 0;
    const auto records = decodeRecords(dict, &skipped);
    if (records->size() + skipped != items) fuzz::invariantBroken("an item was neither decoded nor skipped");
    for (const RecordPtr& r : *records) {
        const auto again = decodeMovieInfo(encodeMovieInfo(*r));
        if (!again || !(*again == *r)) fuzz::invariantBroken("store record does not survive re-encoding");
    }
    return 0;
}
