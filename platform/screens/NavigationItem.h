#pragma once
// What a screen shows in the navigation bar while it is on top: its title, the title its
// successor's back button shows, and the items at the right.
//
// Ownership of custom views: a BarButtonItem owns its widget and deletes it when the item
// goes (replaced, or with its screen), wherever the widget is parented at that moment.
// While the items belong to a NavigationItem their widgets live in a hidden holder the
// NavigationItem owns; the bar borrows them while their screen is on top and hands them
// back afterwards.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace kavio::platform {

class NavigationBar;
class ViewController;

class BarButtonItem {
public:
    enum class Kind { CustomView, FixedSpace };

    // Takes the widget.
    static BarButtonItem customView(QWidget* view);
    static BarButtonItem fixedSpace(int width);

    ~BarButtonItem();
    BarButtonItem(BarButtonItem&& other) noexcept;
    BarButtonItem& operator=(BarButtonItem&& other) noexcept;
    BarButtonItem(const BarButtonItem&) = delete;
    BarButtonItem& operator=(const BarButtonItem&) = delete;

    Kind kind() const { return kind_; }
    QWidget* view() const { return view_; } // null for a fixed space
    int width() const { return width_; }    // a fixed space's width

private:
    friend class NavigationItem;
    BarButtonItem(Kind kind, QWidget* view, int width);
    // Gives up the widget without deleting it.
    QWidget* release() { return std::exchange(view_, nullptr); }

    Kind kind_;
    QPointer<QWidget> view_;
    int width_ = 0;
};

class NavigationItem : public QObject {
    Q_OBJECT
public:
    // Made by the screen's navigationItem(); follows the screen's title until given one.
    explicit NavigationItem(ViewController& owner);
    ~NavigationItem() override;
    NavigationItem(const NavigationItem&) = delete;
    NavigationItem& operator=(const NavigationItem&) = delete;

    QString title() const;
    void setTitle(const QString& title);
    // What the back button of the screen pushed after this one says; this screen's title
    // when unset.
    QString backButtonTitle() const;
    void setBackButtonTitle(const QString& title);

    // The first item sits at the right edge, the next ones inwards.
    void setRightBarButtonItems(std::vector<BarButtonItem> items);
    const std::vector<BarButtonItem>& rightBarButtonItems() const { return rightItems_; }

Q_SIGNALS:
    void changed();

private:
    friend class NavigationBar;
    // Where custom views wait while their screen is not on top.
    QWidget* holder();

    ViewController& owner_;
    std::optional<QString> title_;
    std::optional<QString> backButtonTitle_;
    std::unique_ptr<QWidget> holder_; // declared before the items: they go first
    std::vector<BarButtonItem> rightItems_;
};

} // namespace kavio::platform
