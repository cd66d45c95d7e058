#pragma once
// The bar at the bottom of a tab bar controller: one button per screen, drawn from the
// screen's tab bar item (template image over its title), the selected one in the tint.

#include <QColor>
#include <QWidget>

#include <vector>

class QAbstractButton;
class QHBoxLayout;

namespace kavio::platform {

class TabBarItem;

class TabBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 49;
    static constexpr int kImageSize = 30;

    explicit TabBar(QWidget* parent = nullptr);
    ~TabBar() override;
    TabBar(const TabBar&) = delete;
    TabBar& operator=(const TabBar&) = delete;

    QColor barTintColor() const { return barTint_; }
    void setBarTintColor(const QColor& color);
    // The selected item's colour.
    QColor tintColor() const { return tint_; }
    void setTintColor(const QColor& color);
    QColor unselectedItemTintColor() const { return unselectedTint_; }
    void setUnselectedItemTintColor(const QColor& color);

    // The tab bar controller's: one button per item, in order; each follows its item.
    void setItems(const std::vector<TabBarItem*>& items);
    void setSelectedIndex(int index);
    int selectedIndex() const { return selected_; }
    int count() const { return static_cast<int>(buttons_.size()); }
    QAbstractButton* button(int index) const;

Q_SIGNALS:
    // A click on a tab, selected or not; the controller decides what it does.
    void tabClicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setupLayout();
    void applySelection();

    QColor barTint_;
    QColor tint_;
    QColor unselectedTint_;
    QHBoxLayout* layout_ = nullptr;         // owned by this
    std::vector<QAbstractButton*> buttons_; // children
    int selected_ = -1;
};

} // namespace kavio::platform
