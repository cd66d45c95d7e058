#include "RecordKey.h"

#include <cstdio>
#include <ctime>

namespace kavio {

std::string recordKeyAt(std::chrono::system_clock::time_point time)
{
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    ::localtime_r(&t, &local);
    char text[64];
    std::snprintf(text, sizeof text, "kKV%04d%02d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string makeRecordKey(std::chrono::system_clock::time_point time,
                          const std::function<bool(std::string_view key)>& isTaken)
{
    std::string key = recordKeyAt(time);
    while (isTaken && isTaken(key)) {
        time += std::chrono::seconds(1);
        key = recordKeyAt(time);
    }
    return key;
}

} // namespace kavio
