#include "platform/PlayerVideoSurface.h"

#include "platform/QtPlayer.h"

#include <QPainter>
#include <QVideoSink>

namespace kavio::platform {

QRect aspectFitRect(QSize content, QRect bounds)
{
    if (content.isEmpty() || bounds.isEmpty())
        return {};
    const QSize fitted = content.scaled(bounds.size(), Qt::KeepAspectRatio);
    return {bounds.left() + (bounds.width() - fitted.width()) / 2,
            bounds.top() + (bounds.height() - fitted.height()) / 2, fitted.width(), fitted.height()};
}

PlayerVideoSurface::PlayerVideoSurface(QWidget* parent)
    : QWidget(parent)
{
    prepareMediaBackend();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    sink_ = new QVideoSink(this);
    connect(sink_, &QVideoSink::videoFrameChanged, this, &PlayerVideoSurface::takeFrame);
}

void PlayerVideoSurface::takeFrame(const QVideoFrame& frame)
{
    frame_ = frame;
    imageStale_ = true;
    if (!frame.isValid())
        image_ = {};
    update();
}

void PlayerVideoSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (!frame_.isValid())
        return;
    // Convert lazily: frames that arrive faster than the screen repaints are never converted.
    if (imageStale_) {
        image_ = frame_.toImage();
        imageStale_ = false;
        ++converted_;
    }
    if (image_.isNull())
        return;
    const QRect target = aspectFitRect(image_.size(), rect());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image_);
}

} // namespace kavio::platform
