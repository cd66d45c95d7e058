#include "platform/screens/PointerHider.h"

#include <QCursor>
#include <QGuiApplication>
#include <QInputDevice>
#include <QMouseEvent>
#include <QTimer>

namespace kavio::platform {

PointerHider::PointerHider(QObject* parent) : QObject(parent)
{
    idle_ = new QTimer(this);
    idle_->setSingleShot(true);
    idle_->setInterval(kIdleTime);
    connect(idle_, &QTimer::timeout, this, &PointerHider::hidePointer);
    idle_->start(); // nobody has moved a mouse yet
    QCoreApplication::instance()->installEventFilter(this);
}

PointerHider::~PointerHider()
{
    QCoreApplication::instance()->removeEventFilter(this);
    showPointer();
}

bool PointerHider::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
        idle_->stop();
        hidePointer();
        break;
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress: {
        // Qt's own mouse events made from touches are a finger, not a mouse.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool finger = mouse->source() != Qt::MouseEventNotSynthesized
                            || (mouse->device() && mouse->device()->type() == QInputDevice::DeviceType::TouchScreen);
        if (finger) {
            idle_->stop();
            hidePointer();
        } else {
            showPointer();
            idle_->start();
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void PointerHider::hidePointer()
{
    if (hidden_)
        return;
    hidden_ = true;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
}

void PointerHider::showPointer()
{
    if (!hidden_)
        return;
    hidden_ = false;
    QGuiApplication::restoreOverrideCursor();
}

} // namespace kavio::platform
