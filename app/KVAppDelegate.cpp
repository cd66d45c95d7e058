#include "app/PhoneSceneDelegate.h"

#include "library/Avatar.h"
#include "phone/IPFMController.h"
#include "phone/PhoneStyle.h"
#include "platform/screens/NavigationBar.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/Window.h"

namespace kavio::app {

PhoneSceneDelegate::PhoneSceneDelegate(std::filesystem::path documents) : documents_(std::move(documents)) {}

void PhoneSceneDelegate::sceneWillConnect(platform::Scene& scene)
{
    window = &scene.window();
    Avatar::shared().setDocumentsDirectory(documents_);
    auto root = std::make_unique<phone::IPFMController>(documents_);
    browser = root.get();
    auto nav = std::make_unique<platform::NavigationController>(std::move(root));
    navigation = nav.get();
    platform::NavigationBar* bar = nav->navigationBar();
    bar->setTranslucent(false);
    bar->setBarTintColor(phone::style::barTint);
    bar->setTintColor(phone::style::barItems);
    bar->setTitleTextColor(phone::style::barTitle);
    window->setWindowTitle(QStringLiteral("Kavio"));
    window->setRootViewController(std::move(nav));
}

} // namespace kavio::app
