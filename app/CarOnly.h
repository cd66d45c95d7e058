#pragma once
// kavio --car-only: the car face alone on a car PC's touchscreen, started at login, with
// no phone window and no desktop around it.

#include "library/Status.h"

#include <QList>
#include <QString>

class QScreen;

namespace kavio::platform {
class Scene;
class SceneManager;
} // namespace kavio::platform

namespace kavio::app {

// What --list-screens prints: one line per screen, "NAME WIDTHxHEIGHT+X+Y".
QString screenList(const QList<QScreen*>& screens);

// The screen --car-screen names (Qt's screen name); the primary screen when the name is
// empty. An unknown name is refused with the names there are.
Result<QScreen*> carScreenNamed(const QString& name);

// Connects the car scene alone, full screen without a frame on that screen and closed
// only by the program, and hides the mouse pointer while it is not used.
platform::Scene* connectCarOnly(platform::SceneManager& scenes, QScreen* screen);

} // namespace kavio::app
