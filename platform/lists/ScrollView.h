#pragma once
// What both list views stand on, as a phone platform's scroll view: content that moves up
// and down under a vertical offset (a hidden scroll bar is its model), an overlay scroll
// indicator that takes no room, scrolling animated or at once, a finger's flick with
// momentum, and one layout loop that a pass may ask to run again from inside itself (a
// data source that reloads while its rows are being built). A quick second touch, which
// Qt makes a double click, is a press like any other; a mouse's double click stays one
// click.

#include "platform/base/Animated.h"

#include <QAbstractScrollArea>

class QVariantAnimation;

namespace kavio::platform {

class Flick;
class ScrollIndicator;

class ScrollView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kScrollAnimationMs = 250;

    explicit ScrollView(QWidget* parent = nullptr);
    ~ScrollView() override;
    ScrollView(const ScrollView&) = delete;
    ScrollView& operator=(const ScrollView&) = delete;

    int contentOffset() const;
    // Clamped to the content; stops a running scroll and a flick's momentum too: where the
    // program scrolls wins.
    void setContentOffset(int y, Animated animated);
    // Still moving after a finger let go.
    virtual bool isDecelerating() const;
    void setShowsVerticalScrollIndicator(bool shows);

protected:
    // One pass of laying out what is on screen; runs only while the view is visible.
    virtual void layoutPass() = 0;
    // The viewport changed size; the next layout pass follows.
    virtual void viewportResized() {}

    // Runs layout passes until none asks for another (at most four); asked for during a
    // pass, it only marks that another is wanted.
    void layoutContent();
    // The scroll range for content this high.
    void setContentHeight(int height);
    // A press begins: whatever moves stops and the finger is followed from here. True when
    // something was moving: such a press only stops it and chooses nothing.
    bool catchMotion(qint64 ms, int y);

    Flick* flick() const { return flick_; }
    QVariantAnimation* scrollAnimation() const { return scrollAnimation_; }
    ScrollIndicator* scrollIndicator() const { return indicator_; }

    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QVariantAnimation* scrollAnimation_ = nullptr; // child
    Flick* flick_ = nullptr;                       // child
    ScrollIndicator* indicator_ = nullptr;         // child of the viewport
    bool inLayout_ = false;
    bool layoutAgain_ = false;
};

} // namespace kavio::platform
