#pragma once
// Record keys: "kKV" + local time as yyyyMMddHHmmss (Gregorian, ASCII digits). They
// sort in creation order.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace kavio {

std::string recordKeyAt(std::chrono::system_clock::time_point time);

// The first key not yet taken, counting up one second at a time from time, so that two
// records made within one second each keep their own key.
std::string makeRecordKey(std::chrono::system_clock::time_point time,
                          const std::function<bool(std::string_view key)>& isTaken);

} // namespace kavio
