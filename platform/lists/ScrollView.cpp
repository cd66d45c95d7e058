#include "platform/lists/ScrollView.h"

#include "platform/lists/Flick.h"
#include "platform/lists/ScrollIndicator.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QVariantAnimation>

#include <algorithm>

namespace kavio::platform {

ScrollView::ScrollView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The bar stays hidden as the model of the overlay indicator, which takes no room.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setSingleStep(20);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    indicator_ = new ScrollIndicator(this);
    scrollAnimation_ = new QVariantAnimation(this);
    scrollAnimation_->setDuration(kScrollAnimationMs);
    scrollAnimation_->setEasingCurve(QEasingCurve::OutCubic);
    connect(scrollAnimation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { verticalScrollBar()->setValue(v.toInt()); });
    flick_ = new Flick(
        [this](int y) {
            verticalScrollBar()->setValue(y);
            return contentOffset();
        },
        this);
}

ScrollView::~ScrollView() = default;

int ScrollView::contentOffset() const { return verticalScrollBar()->value(); }

bool ScrollView::isDecelerating() const { return flick_->isMoving(); }

void ScrollView::setShowsVerticalScrollIndicator(bool shows)
{
    indicator_->setIndicatorEnabled(shows);
}

void ScrollView::setContentOffset(int y, Animated animated)
{
    QScrollBar* bar = verticalScrollBar();
    y = std::clamp(y, bar->minimum(), bar->maximum());
    scrollAnimation_->stop();
    flick_->stop();
    if (shouldAnimate(animated) && isVisible() && y != bar->value()) {
        scrollAnimation_->setStartValue(bar->value());
        scrollAnimation_->setEndValue(y);
        scrollAnimation_->start();
        return;
    }
    bar->setValue(y);
}

void ScrollView::setContentHeight(int height)
{
    const int viewHeight = viewport()->height();
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(std::max(1, viewHeight));
    bar->setRange(0, std::max(0, height - viewHeight));
}

bool ScrollView::catchMotion(qint64 ms, int y)
{
    const bool caught = isDecelerating();
    scrollAnimation_->stop();
    flick_->stop();
    flick_->fingerDown(ms, y);
    return caught;
}

void ScrollView::layoutContent()
{
    if (inLayout_) {
        layoutAgain_ = true;
        return;
    }
    // Rows and items are asked for only once the view is on screen.
    if (!isVisible())
        return;
    inLayout_ = true;
    int passes = 0;
    do {
        layoutAgain_ = false;
        layoutPass();
    } while (layoutAgain_ && ++passes < 4);
    inLayout_ = false;
    indicator_->keepOnTop();
    viewport()->update();
}

void ScrollView::scrollContentsBy(int, int) { layoutContent(); }

void ScrollView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    viewportResized();
    layoutContent();
}

void ScrollView::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    layoutContent();
}

void ScrollView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (fromTouch(*event))
        mousePressEvent(event);
    else
        event->ignore();
}

} // namespace kavio::platform
