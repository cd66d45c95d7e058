#include "app/KVAppDelegate.h"

#include "platform/screens/NavigationBar.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/TabBar.h"
#include "platform/screens/TabBarController.h"
#include "platform/screens/TabBarItem.h"
#include "platform/screens/Window.h"
#include "platform/views/Symbols.h"
#include "shell/KVRootViewController.h"
#include "shell/ShellStyle.h"
#include "shell/UserInfoController.h"

namespace kavio::app {

namespace {

struct Tab {
    const char* title;
    const char* image;
    int tag;
};
constexpr Tab kMovies{"Movies", "icons/download.png", 200};
constexpr Tab kSupport{"Support", "icons/support.png", 201};

void giveTabItem(platform::ViewController& vc, const Tab& tab)
{
    platform::TabBarItem& item = vc.tabBarItem();
    item.setTitle(QString::fromLatin1(tab.title));
    item.setImage(platform::resourceImage(QString::fromLatin1(tab.image)));
    item.setTag(tab.tag);
}

} // namespace

KVAppDelegate::KVAppDelegate(std::filesystem::path documents, QAction* connectCar)
    : documents_(std::move(documents)), connectCar_(connectCar)
{
}

void KVAppDelegate::sceneWillConnect(platform::Scene& scene)
{
    window = &scene.window();
    std::unique_ptr<platform::TabBarController> tabs = makeTabs(documents_, connectCar_);
    tabBar = tabs.get();
    window->setWindowTitle(QStringLiteral("Kavio"));
    window->setRootViewController(std::move(tabs));
}

std::unique_ptr<platform::TabBarController> KVAppDelegate::makeTabs(const std::filesystem::path& documents,
                                                                    QAction* connectCar)
{
    auto movies = std::make_unique<platform::NavigationController>(
        std::make_unique<shell::KVRootViewController>(documents, connectCar));
    phone::style::styleBar(*movies->navigationBar());
    giveTabItem(*movies, kMovies);

    auto support = std::make_unique<platform::NavigationController>(std::make_unique<shell::UserInfoController>(documents));
    giveTabItem(*support, kSupport);

    auto tabs = std::make_unique<platform::TabBarController>();
    std::vector<std::unique_ptr<platform::ViewController>> stacks;
    stacks.push_back(std::move(movies));
    stacks.push_back(std::move(support));
    tabs->setViewControllers(std::move(stacks));
    platform::TabBar* tabBarView = tabs->tabBar();
    tabBarView->setBarTintColor(shell::style::barTint);
    tabBarView->setTintColor(shell::style::tabTint);
    tabBarView->setUnselectedItemTintColor(shell::style::tabUnselected);
    return tabs;
}

} // namespace kavio::app
