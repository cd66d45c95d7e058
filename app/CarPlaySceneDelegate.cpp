#include "CarPlaySceneDelegate.h"

#include "carplay/CRFMController.h"
#include "library/Avatar.h"
#include "platform/screens/Window.h"

namespace kavio::app {

CarPlaySceneDelegate::CarPlaySceneDelegate(std::filesystem::path documents) : documents_(std::move(documents)) {}

void CarPlaySceneDelegate::sceneWillConnect(platform::Scene& scene)
{
    window = &scene.window();
    Avatar::shared().setDocumentsDirectory(documents_);
    auto root = std::make_unique<carplay::CRFMController>(documents_, carplay::CloseButton::Hidden);
    viewController = root.get();
    window->setWindowTitle(QStringLiteral("Kavio — Car display"));
    window->setRootViewController(std::move(root));
}

} // namespace kavio::app
