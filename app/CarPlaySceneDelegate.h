#pragma once
// The car display's scene: when it connects, a window whose root is the folder browser
// on the Documents folder. Unplugging the car (closing the window) takes both away; the
// next connection starts again from the root, and goes on with the video that was
// playing when the car went away (unless the person paused or closed it, the Support
// screen's switch is off, or something else is opened on the car as it comes up).

#include "platform/screens/Scene.h"

#include <filesystem>

namespace kavio::carplay {
class CRFMController;
}

namespace kavio::app {

class CarPlaySceneDelegate : public platform::SceneDelegate {
public:
    explicit CarPlaySceneDelegate(std::filesystem::path documents);

    void sceneWillConnect(platform::Scene& scene) override;

    platform::Window* window = nullptr;                 // owned by the scene
    carplay::CRFMController* viewController = nullptr;  // owned by the window

private:
    std::filesystem::path documents_;
};

} // namespace kavio::app
