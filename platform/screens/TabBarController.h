#pragma once
// Screens side by side behind a tab bar: only the selected one is on show. Switching
// makes the old one disappear and the new one appear, without animation. Ctrl+PageDown
// and Ctrl+PageUp move to the next and previous tab, wrapping round.

#include "platform/screens/ViewController.h"

#include <memory>
#include <vector>

class QKeyEvent;

namespace kavio::platform {

class TabBar;

class TabBarController : public ViewController {
    Q_OBJECT
public:
    TabBarController();
    ~TabBarController() override;

    // Replaces every tab; the old screens are destroyed by deferred deletion. The selected
    // index stays where it was when the new list is long enough.
    void setViewControllers(std::vector<std::unique_ptr<ViewController>> vcs);
    std::vector<ViewController*> viewControllers() const;

    // -1 with no tabs; out-of-range indexes are ignored.
    int selectedIndex() const { return selected_; }
    void setSelectedIndex(int index);
    ViewController* selectedViewController() const;

    TabBar* tabBar();

protected:
    void loadView() override;
    std::vector<ViewController*> visibleChildViewControllers() const override;

private:
    void setupContent();
    void setupTabBar();
    void setupKeys();
    QWidget* place(ViewController* vc);
    void refreshTabBar();
    // Swaps what is on show from leaving to arriving with the appearance callbacks.
    void switchScreens(ViewController* leaving, ViewController* arriving);
    void tabClicked(int index);
    // Ctrl+PageDown and Ctrl+PageUp; whether it moved.
    bool cycle(const QKeyEvent& key);

    QWidget* content_ = nullptr; // child of the view; holds the screens' views
    TabBar* tabBar_ = nullptr;   // child of the view
    int selected_ = -1;
};

} // namespace kavio::platform
