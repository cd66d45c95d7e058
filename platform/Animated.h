#pragma once

namespace kavio::platform {

enum class Animated { No, Yes };

// Tests switch transitions off so presentation completes synchronously.
void setAnimationsEnabled(bool enabled);
bool animationsEnabled();

} // namespace kavio::platform
