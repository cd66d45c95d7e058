#include "app/RunningInstance.h"

#include "app/Opener.h"
#include "platform/nowplaying/MprisClient.h"
#include "platform/nowplaying/MprisService.h"
#include "platform/screens/Scene.h"
#include "platform/screens/Window.h"

#include <QCoreApplication>

namespace kavio::app {

void bringForward(platform::SceneManager& scenes, RunMode mode)
{
    if (platform::Scene* car = scenes.connectScene(platform::SceneRole::Car))
        car->window().makeKeyAndVisible();
    if (mode == RunMode::CarOnly)
        return;
    // The library last, so the keyboard lands there, as at start.
    if (platform::Scene* phone = scenes.connectScene(platform::SceneRole::Phone))
        phone->window().makeKeyAndVisible();
}

void serveRequests(platform::MprisService& mpris, platform::SceneManager& scenes, RunMode mode)
{
    mpris.setRaiseHandler([&scenes, mode] { bringForward(scenes, mode); });
    mpris.setQuitHandler([] { QCoreApplication::quit(); });
    mpris.setOpenUriHandler([&scenes](const QUrl& url) { return openInCar(scenes, url); });
}

bool handOverToRunningInstance(const std::optional<QUrl>& target)
{
    return target ? platform::openUriInRunningInstance(*target) : platform::raiseRunningInstance();
}

} // namespace kavio::app
