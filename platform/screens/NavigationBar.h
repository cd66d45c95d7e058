#pragma once
// The bar at the top of a navigation controller: the top screen's title centred, a back
// button titled after the screen below (only when there is one) and the top screen's
// right-hand items, laid out from the right edge inwards.
//
// Screens are laid out below the bar, never beneath it, so a translucent bar lets the
// navigation controller's own background through rather than the screen's content.

#include <QColor>
#include <QPointer>
#include <QWidget>

#include <utility>
#include <vector>

class QAbstractButton;
class QLabel;

namespace kavio::platform {

class NavigationItem;

class NavigationBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 44;

    explicit NavigationBar(QWidget* parent = nullptr);
    ~NavigationBar() override;
    NavigationBar(const NavigationBar&) = delete;
    NavigationBar& operator=(const NavigationBar&) = delete;

    QColor barTintColor() const { return barTint_; }
    void setBarTintColor(const QColor& color);
    // The back button and the items' tint.
    QColor tintColor() const { return tint_; }
    void setTintColor(const QColor& color);
    QColor titleTextColor() const { return titleColor_; }
    void setTitleTextColor(const QColor& color);
    bool isTranslucent() const { return translucent_; }
    void setTranslucent(bool translucent);

    // The navigation controller's choice of what to show: the top screen's item and the
    // one below it (null at the root). The bar follows both until told otherwise.
    void showItems(NavigationItem* top, NavigationItem* previous);

    QAbstractButton* backButton() const { return backButton_; }
    QLabel* titleLabel() const { return titleLabel_; }

Q_SIGNALS:
    void backRequested();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Borrowed views shown or hidden by their screen.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setupTitle();
    void setupBackButton();
    void refresh();
    void adoptItemViews();
    void returnItemViews(const std::vector<QWidget*>& keep);
    void applyTint();
    void layoutContents();
    int layoutRightItems(); // returns where the right-hand items begin

    QColor barTint_;
    QColor tint_;
    QColor titleColor_;
    bool translucent_ = true;
    QPointer<NavigationItem> top_;
    QPointer<NavigationItem> previous_;
    QAbstractButton* backButton_ = nullptr; // child
    QLabel* titleLabel_ = nullptr;          // child
    QString fullTitle_;
    // Custom views borrowed from the top item, each with the holder it goes back to.
    std::vector<std::pair<QPointer<QWidget>, QPointer<QWidget>>> borrowed_;
};

} // namespace kavio::platform
