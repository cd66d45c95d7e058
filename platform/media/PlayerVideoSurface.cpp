#include "platform/media/PlayerVideoSurface.h"

#include "platform/media/FramePacer.h"
#include "platform/media/QtPlayer.h"
#include "platform/media/VideoFrameConverter.h"

#include <QCoreApplication>
#include <QMutex>
#include <QPainter>
#include <QVideoFrame>
#include <QVideoSink>

#include <chrono>
#include <cstdio>
#include <functional>

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

std::int64_t steadyMicros()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

bool statsWanted()
{
    static const bool wanted = qEnvironmentVariableIntValue("KAVIO_VIDEO_STATS") != 0;
    return wanted;
}

// Qt 6.4 converts a frame to RGB on the GPU (with a read-back) whenever OpenGL is there;
// with software GL that costs far more than the CPU. Only the rare formats swscale cannot
// read still go through Qt's conversion, and this keeps that on the CPU too.
void preferCpuFrameConversion()
{
    if (!QCoreApplication::testAttribute(Qt::AA_ForceRasterWidgets))
        QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
}

struct Picture {
    QImage image;
    QSize frameSize;
};

} // namespace

// What the frame thread and the window's thread share, under one lock.
struct PlayerVideoSurface::Exchange {
    QMutex mutex;
    FramePacer<Picture> pacer;
    PlaybackClock clock;
    QSize frameSize;             // the newest frame's; empty when there is none
    QSize bounds;                // where pictures go, in device pixels; empty while hidden
    std::uint64_t generation = 0; // bumps on clear: pictures begun before it are stale
    std::uint64_t frameSerial = 0;
    bool notified = false;       // the window was told and has not looked yet
    int converted = 0;
};

// Owns the sink, on the frame thread. Frames are converted in the thread that delivers
// them: the frame thread under GStreamer, the caller's in tests that set frames directly.
class PlayerVideoSurface::FrameWorker : public QObject {
public:
    FrameWorker(std::shared_ptr<Exchange> exchange, QObject* window, std::function<void()> notifyWindow)
        : exchange_(std::move(exchange))
        , window_(window)
        , notifyWindow_(std::move(notifyWindow))
    {
        sink_ = new QVideoSink(this);
        connect(sink_, &QVideoSink::videoFrameChanged, this, [this](const QVideoFrame& frame) { takeFrame(frame); },
                Qt::DirectConnection);
    }

    QVideoSink* sink() const { return sink_; }

    void forgetFrame()
    {
        QMutexLocker lock(&convertMutex_);
        last_ = {};
    }

    // The bounds changed or the window came back: the newest frame again, at the new size,
    // unless a newer one has arrived meanwhile.
    void reconvert()
    {
        QSize bounds;
        std::uint64_t generation = 0;
        {
            QMutexLocker lock(&exchange_->mutex);
            bounds = exchange_->bounds;
            generation = exchange_->generation;
        }
        QMutexLocker convertLock(&convertMutex_);
        if (!last_.isValid() || bounds == lastBounds_)
            return;
        lastBounds_ = bounds;
        QImage image = converter_.convert(last_, aspectFitRect(last_.size(), QRect(QPoint(), bounds)).size());
        offer(std::move(image), last_.size(), lastPts_, generation, lastSerial_);
    }

private:
    void takeFrame(const QVideoFrame& frame)
    {
        if (!frame.isValid()) {
            {
                QMutexLocker lock(&exchange_->mutex);
                exchange_->pacer.clear();
                exchange_->clock.reset();
                exchange_->frameSize = {};
                ++exchange_->generation;
            }
            forgetFrame();
            notify();
            return;
        }
        const std::int64_t steady = steadyMicros();
        QSize bounds;
        std::uint64_t generation = 0;
        std::uint64_t serial = 0;
        std::int64_t pts = 0;
        {
            QMutexLocker lock(&exchange_->mutex);
            // A frame without a time is due as it comes.
            pts = frame.startTime() >= 0 ? frame.startTime() : exchange_->clock.now(steady).value_or(0);
            exchange_->clock.frameArrived(pts, steady);
            exchange_->frameSize = frame.size();
            bounds = exchange_->bounds;
            generation = exchange_->generation;
            serial = ++exchange_->frameSerial;
        }
        QMutexLocker convertLock(&convertMutex_);
        last_ = frame;
        lastPts_ = pts;
        lastSerial_ = serial;
        lastBounds_ = bounds;
        QImage image = converter_.convert(frame, aspectFitRect(frame.size(), QRect(QPoint(), bounds)).size());
        offer(std::move(image), frame.size(), pts, generation, serial);
    }

    void offer(QImage image, QSize frameSize, std::int64_t pts, std::uint64_t generation, std::uint64_t serial)
    {
        {
            QMutexLocker lock(&exchange_->mutex);
            if (image.isNull() || generation != exchange_->generation || serial != exchange_->frameSerial)
                image = {};
            else {
                exchange_->pacer.offer(pts, Picture{std::move(image), frameSize});
                ++exchange_->converted;
            }
            if (exchange_->notified)
                return;
            exchange_->notified = true;
        }
        notify();
    }

    void notify()
    {
        if (QThread::currentThread() == window_->thread())
            notifyWindow_();
        else
            QMetaObject::invokeMethod(window_, notifyWindow_, Qt::QueuedConnection);
    }

    std::shared_ptr<Exchange> exchange_;
    QObject* window_;
    std::function<void()> notifyWindow_;
    QVideoSink* sink_ = nullptr; // child

    QMutex convertMutex_; // one conversion at a time; guards what follows
    VideoFrameConverter converter_;
    QVideoFrame last_;
    std::int64_t lastPts_ = 0;
    std::uint64_t lastSerial_ = 0;
    QSize lastBounds_; // what last_ was converted for
};

PlayerVideoSurface::PlayerVideoSurface(QWidget* parent)
    : QWidget(parent)
    , exchange_(std::make_shared<Exchange>())
{
    prepareMediaBackend();
    preferCpuFrameConversion();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    dueTimer_.setSingleShot(true);
    connect(&dueTimer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    setupWorker();
}

void PlayerVideoSurface::setupWorker()
{
    worker_ = std::make_unique<FrameWorker>(exchange_, this, [this] { framesArrived(); });
    thread_.setObjectName(QStringLiteral("kavio-video"));
    worker_->moveToThread(&thread_);
    thread_.start();
}

PlayerVideoSurface::~PlayerVideoSurface()
{
    // The sink is destroyed on this thread, where a player still holding it hears of it.
    QThread* home = thread();
    FrameWorker* worker = worker_.get();
    QMetaObject::invokeMethod(worker, [worker, home] { worker->moveToThread(home); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
    worker_.reset();
}

QVideoSink* PlayerVideoSurface::videoSink() const
{
    return worker_->sink();
}

int PlayerVideoSurface::convertedFrameCount() const
{
    QMutexLocker lock(&exchange_->mutex);
    return exchange_->converted;
}

int PlayerVideoSurface::shownFrameCount() const
{
    QMutexLocker lock(&exchange_->mutex);
    return exchange_->pacer.shown();
}

int PlayerVideoSurface::droppedFrameCount() const
{
    QMutexLocker lock(&exchange_->mutex);
    return exchange_->pacer.dropped();
}

void PlayerVideoSurface::clear()
{
    {
        QMutexLocker lock(&exchange_->mutex);
        exchange_->pacer.clear();
        exchange_->clock.reset();
        exchange_->frameSize = {};
        ++exchange_->generation;
    }
    worker_->forgetFrame();
    framesArrived();
}

void PlayerVideoSurface::framesArrived()
{
    QSize size;
    {
        QMutexLocker lock(&exchange_->mutex);
        exchange_->notified = false;
        size = exchange_->frameSize;
    }
    if (size.isEmpty())
        picture_ = {};
    // Hidden, nothing paints: keep only the newest due picture.
    if (!isVisible())
        takeDuePicture();
    update();
    if (size != frameSize_) {
        frameSize_ = size;
        Q_EMIT frameSizeChanged(size);
    }
}

void PlayerVideoSurface::takeDuePicture()
{
    const std::int64_t steady = steadyMicros();
    std::optional<std::int64_t> next;
    std::optional<std::int64_t> now;
    bool first = false;
    {
        QMutexLocker lock(&exchange_->mutex);
        now = exchange_->clock.now(steady);
        if (!now)
            return;
        if (std::optional<Picture> due = exchange_->pacer.take(*now)) {
            first = picture_.isNull();
            picture_ = std::move(due->image);
            pictureFrameSize_ = due->frameSize;
        }
        next = exchange_->pacer.nextDue();
    }
    if (next)
        dueTimer_.start(static_cast<int>((*next - *now + 999) / 1000));
    if (first && statsWanted())
        std::fprintf(stderr, "kavio video: first frame at %lld ms\n", static_cast<long long>(steady / 1000));
}

void PlayerVideoSurface::reportStats()
{
    const qint64 nowMs = steadyMicros() / 1000;
    if (nowMs - statsAtMs_ < 1000)
        return;
    statsAtMs_ = nowMs;
    std::fprintf(stderr, "kavio video: at %lld ms shown %d dropped %d converted %d\n", static_cast<long long>(nowMs),
                 shownFrameCount(), droppedFrameCount(), convertedFrameCount());
}

void PlayerVideoSurface::paintEvent(QPaintEvent*)
{
    takeDuePicture();
    if (statsWanted())
        reportStats();
    QPainter painter(this);
    const QRect target = picture_.isNull() ? QRect() : aspectFitRect(pictureFrameSize_, rect());
    if (target.isEmpty()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // Only the bars are filled: the picture covers the rest.
    for (const QRect& bar : QRegion(rect()).subtracted(target))
        painter.fillRect(bar, Qt::black);
    const qreal ratio = devicePixelRatioF();
    if (picture_.size() == (QSizeF(target.size()) * ratio).toSize()) {
        picture_.setDevicePixelRatio(ratio);
        painter.drawImage(target.topLeft(), picture_);
    } else {
        // Converted for another size (the window is being resized): scaled until the next.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, picture_);
    }
}

void PlayerVideoSurface::publishBounds(bool visible)
{
    const QSize bounds = visible ? (QSizeF(size()) * devicePixelRatioF()).toSize() : QSize();
    {
        QMutexLocker lock(&exchange_->mutex);
        if (exchange_->bounds == bounds)
            return;
        exchange_->bounds = bounds;
    }
    if (!bounds.isEmpty()) {
        FrameWorker* worker = worker_.get();
        QMetaObject::invokeMethod(worker, [worker] { worker->reconvert(); }, Qt::QueuedConnection);
    }
}

void PlayerVideoSurface::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    publishBounds(isVisible());
}

void PlayerVideoSurface::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    publishBounds(true);
}

void PlayerVideoSurface::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    publishBounds(false);
}

} // namespace kavio::platform
