#pragma once
// The input QTest does not send: drags in steps, a finger on a touch screen, the wheel.
// Positions are in the widget's coordinates.

#include <QApplication>
#include <QPointingDevice>
#include <QTest>
#include <QWheelEvent>

namespace kavio::platform::test {

// Press, move in eight even steps, release; positions in the widget's coordinates.
inline void drag(QWidget* widget, QPoint from, QPoint to)
{
    QTest::mousePress(widget, Qt::LeftButton, {}, from);
    for (int i = 1; i <= 8; ++i)
        QTest::mouseMove(widget, from + (to - from) * i / 8);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, to);
}

// Qt's test touch screen, made once per process.
inline QPointingDevice* touchScreen()
{
    static QPointingDevice* device = QTest::createTouchDevice();
    return device;
}

// A finger on the glass: down, moved in even steps stepMs apart, then lifted at once, or
// held still for restMs before lifting. Positions in the widget's coordinates.
inline void touchDrag(QWidget* widget, QPoint from, QPoint to, int steps = 8, int stepMs = 16, int restMs = 0)
{
    QTest::touchEvent(widget, touchScreen()).press(0, from, widget);
    for (int i = 1; i <= steps; ++i) {
        QTest::qWait(stepMs);
        QTest::touchEvent(widget, touchScreen()).move(0, from + (to - from) * i / steps, widget);
    }
    if (restMs > 0)
        QTest::qWait(restMs);
    QTest::touchEvent(widget, touchScreen()).release(0, to, widget);
}

inline void touchTap(QWidget* widget, QPoint at)
{
    QTest::touchEvent(widget, touchScreen()).press(0, at, widget);
    QTest::qWait(20);
    QTest::touchEvent(widget, touchScreen()).release(0, at, widget);
}

inline void wheel(QWidget* widget, QPoint pos, int angleDeltaY)
{
    QWheelEvent event(QPointF(pos), QPointF(widget->mapToGlobal(pos)), QPoint(), QPoint(0, angleDeltaY),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

} // namespace kavio::platform::test
