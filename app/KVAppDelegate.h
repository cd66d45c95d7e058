#pragma once
// The phone's scene: a window whose root is a tab bar with two tabs, the home menu
// ("Movies") and the support screen ("Support"), each in its own navigation stack. It
// leaves the shared documents directory alone; the home menu sets it when "Files" opens.

#include "platform/screens/Scene.h"

#include <filesystem>
#include <memory>

class QAction;

namespace kavio::platform {
class TabBarController;
}

namespace kavio::app {

class KVAppDelegate : public platform::SceneDelegate {
public:
    // connectCar: the scenes' "Connect car display", offered on the home menu while the car
    // window is closed.
    explicit KVAppDelegate(std::filesystem::path documents, QAction* connectCar = nullptr);

    void sceneWillConnect(platform::Scene& scene) override;

    // The two tabs in their stacks, styled: what the phone window shows.
    static std::unique_ptr<platform::TabBarController> makeTabs(const std::filesystem::path& documents,
                                                                QAction* connectCar = nullptr);

    platform::Window* window = nullptr;                 // owned by the scene
    platform::TabBarController* tabBar = nullptr;       // owned by the window

private:
    std::filesystem::path documents_;
    QAction* connectCar_; // the scene manager's
};

} // namespace kavio::app
