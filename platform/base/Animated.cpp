#include "platform/base/Animated.h"

#include <atomic>

namespace kavio::platform {
namespace {
std::atomic<bool> gAnimationsEnabled{true};
}

void setAnimationsEnabled(bool enabled)
{
    gAnimationsEnabled.store(enabled, std::memory_order_relaxed);
}

bool animationsEnabled()
{
    return gAnimationsEnabled.load(std::memory_order_relaxed);
}

} // namespace kavio::platform
