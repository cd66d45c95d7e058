#pragma once
// One Kavio per desktop session: a second start hands what it was asked to the running one
// over MPRIS and ends; the running one serves those requests.

#include "library/Status.h"

#include <QUrl>

#include <optional>

namespace kavio::platform {
class MprisService;
class SceneManager;
} // namespace kavio::platform

namespace kavio::app {

enum class RunMode { Desktop, CarOnly };

// The windows come forward: the car display reconnects when it was closed and, on a
// desktop, the phone window opens again too; the phone window ends up with the keyboard.
void bringForward(platform::SceneManager& scenes, RunMode mode);

// What the running Kavio does for a second start or the desktop's controls: Raise brings
// the windows forward, OpenUri plays on the car, Quit quits.
void serveRequests(platform::MprisService& mpris, platform::SceneManager& scenes, RunMode mode);

// When another Kavio runs: a video goes to it, a start without one brings its windows
// forward. True when it took the request, so this start ends there.
bool handOverToRunningInstance(const std::optional<QUrl>& target);

} // namespace kavio::app
