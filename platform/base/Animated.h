#pragma once

namespace kavio::platform {

enum class Animated { No, Yes };

// Tests switch transitions off so presentation completes synchronously.
void setAnimationsEnabled(bool enabled);
bool animationsEnabled();

// Whether a transition asked for with `animated` really runs as an animation.
inline bool shouldAnimate(Animated animated)
{
    return animated == Animated::Yes && animationsEnabled();
}

} // namespace kavio::platform
