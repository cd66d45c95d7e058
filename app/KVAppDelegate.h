#pragma once
// The phone's scene: a window whose navigation stack starts at the phone browser on the
// Documents folder, under the dark bar the phone's screens share.

#include "platform/screens/Scene.h"

#include <filesystem>

namespace kavio::phone {
class IPFMController;
}
namespace kavio::platform {
class NavigationController;
}

namespace kavio::app {

class PhoneSceneDelegate : public platform::SceneDelegate {
public:
    explicit PhoneSceneDelegate(std::filesystem::path documents);

    void sceneWillConnect(platform::Scene& scene) override;

    platform::Window* window = nullptr;                       // owned by the scene
    platform::NavigationController* navigation = nullptr;     // owned by the window
    phone::IPFMController* browser = nullptr;                 // owned by the navigation

private:
    std::filesystem::path documents_;
};

} // namespace kavio::app
