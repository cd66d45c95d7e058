#include "platform/media/PlayerVideoSurface.h"

#include "platform/media/QtPlayer.h"

#include <QCoreApplication>
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

namespace {

// Qt 6.4 converts a frame to RGB on the GPU (with a read-back) whenever OpenGL is there,
// and on the CPU only when raster widgets are forced. With software GL (Xvfb, machines
// without a GPU driver) that GPU path costs 55-65 ms per 1080p frame against 6-9 ms on the
// CPU, and this surface needs the pixels on the CPU anyway. The app has no GL widgets.
void preferCpuFrameConversion()
{
    if (!QCoreApplication::testAttribute(Qt::AA_ForceRasterWidgets))
        QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
}

} // namespace

PlayerVideoSurface::PlayerVideoSurface(QWidget* parent)
    : QWidget(parent)
{
    prepareMediaBackend();
    preferCpuFrameConversion();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    sink_ = new QVideoSink(this);
    connect(sink_, &QVideoSink::videoFrameChanged, this, &PlayerVideoSurface::takeFrame);
}

void PlayerVideoSurface::takeFrame(const QVideoFrame& frame)
{
    const QSize before = frame_.size();
    frame_ = frame;
    imageStale_ = true;
    if (!frame.isValid())
        image_ = {};
    update();
    if (frame_.size() != before)
        Q_EMIT frameSizeChanged(frame_.size());
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
