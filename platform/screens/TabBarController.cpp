#include "platform/screens/TabBarController.h"

#include "platform/screens/ContainerKeys.h"
#include "platform/screens/NavigationController.h"
#include "platform/screens/TabBar.h"
#include "platform/screens/TabBarItem.h"
#include "platform/screens/ViewControllerTransition.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace kavio::platform {

TabBarController::TabBarController() = default;

TabBarController::~TabBarController() = default;

std::vector<ViewController*> TabBarController::viewControllers() const
{
    return childViewControllers();
}

ViewController* TabBarController::selectedViewController() const
{
    const auto tabs = viewControllers();
    return selected_ >= 0 && selected_ < static_cast<int>(tabs.size()) ? tabs[static_cast<size_t>(selected_)]
                                                                       : nullptr;
}

std::vector<ViewController*> TabBarController::visibleChildViewControllers() const
{
    ViewController* selected = selectedViewController();
    return selected ? std::vector<ViewController*>{selected} : std::vector<ViewController*>{};
}

TabBar* TabBarController::tabBar()
{
    view();
    return tabBar_;
}

// --- view ----------------------------------------------------------------------------

void TabBarController::loadView()
{
    auto* root = new QWidget;
    root->setObjectName(QStringLiteral("kavio-tabs"));
    auto* layout = new QVBoxLayout(root);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setView(root);
    setupContent();
    setupTabBar();
    setupKeys();
    if (ViewController* selected = selectedViewController())
        place(selected)->show();
    refreshTabBar();
}

void TabBarController::setupContent()
{
    content_ = new QWidget(view());
    content_->setObjectName(QStringLiteral("kavio-tabs-content"));
    static_cast<QVBoxLayout*>(view()->layout())->addWidget(content_, 1);
}

void TabBarController::setupTabBar()
{
    tabBar_ = new TabBar(view());
    view()->layout()->addWidget(tabBar_);
    connect(tabBar_, &TabBar::tabClicked, this, &TabBarController::tabClicked);
}

void TabBarController::setupKeys()
{
    new ContainerKeys(view(), [this](const QKeyEvent& key) { return cycle(key); });
}

QWidget* TabBarController::place(ViewController* vc)
{
    QWidget* v = vc->view();
    fillHost(content_, v);
    return v;
}

void TabBarController::refreshTabBar()
{
    if (!tabBar_)
        return;
    std::vector<TabBarItem*> items;
    for (ViewController* vc : viewControllers())
        items.push_back(&vc->tabBarItem());
    tabBar_->setItems(items);
    tabBar_->setSelectedIndex(selected_);
}

// --- selection -----------------------------------------------------------------------

void TabBarController::setViewControllers(std::vector<std::unique_ptr<ViewController>> vcs)
{
    ViewController* leaving = selectedViewController();
    std::vector<std::unique_ptr<ViewController>> removed;
    for (ViewController* old : viewControllers())
        removed.push_back(removeChildViewController(old));
    for (auto& vc : vcs)
        addChildViewController(std::move(vc));
    const int count = static_cast<int>(viewControllers().size());
    selected_ = count == 0 ? -1 : std::clamp(selected_, 0, count - 1);
    switchScreens(leaving, selectedViewController());
    for (auto& old : removed)
        retire(std::move(old));
    refreshTabBar();
}

void TabBarController::setSelectedIndex(int index)
{
    if (index == selected_ || index < 0 || index >= static_cast<int>(viewControllers().size()))
        return;
    ViewController* leaving = selectedViewController();
    selected_ = index;
    switchScreens(leaving, selectedViewController());
    if (tabBar_)
        tabBar_->setSelectedIndex(selected_);
}

void TabBarController::switchScreens(ViewController* leaving, ViewController* arriving)
{
    if (!isViewLoaded())
        return; // placed when the view loads
    const bool onScreen = isVisible();
    QWidget* leavingView = leaving && leaving->isViewLoaded() ? leaving->view() : nullptr;
    const bool focusLeaves = holdsFocus(leavingView);
    if (onScreen) {
        if (leaving)
            leaving->beginAppearanceTransition(Appearance::Disappearing, Animated::No);
        if (arriving)
            arriving->beginAppearanceTransition(Appearance::Appearing, Animated::No);
    }
    if (arriving)
        place(arriving)->show();
    if (leavingView)
        leavingView->hide();
    if (arriving && focusLeaves)
        arriving->view()->setFocus(Qt::OtherFocusReason);
    if (leaving)
        leaving->endAppearanceTransition();
    if (arriving)
        arriving->endAppearanceTransition();
}

void TabBarController::tabClicked(int index)
{
    // The platform's habit: tapping the tab already on show goes back to its first screen.
    if (index == selected_) {
        if (auto* navigation = dynamic_cast<NavigationController*>(selectedViewController()))
            navigation->popToRootViewController(Animated::Yes);
        return;
    }
    setSelectedIndex(index);
}

// --- keyboard ------------------------------------------------------------------------

bool TabBarController::cycle(const QKeyEvent& key)
{
    const int count = static_cast<int>(viewControllers().size());
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::ControlModifier || count < 2)
        return false;
    int step = 0;
    if (key.key() == Qt::Key_PageDown)
        step = 1;
    else if (key.key() == Qt::Key_PageUp)
        step = -1;
    if (step == 0)
        return false;
    setSelectedIndex((selected_ + step + count) % count);
    return true;
}

} // namespace kavio::platform
