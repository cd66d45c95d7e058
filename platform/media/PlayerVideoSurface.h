#pragma once
// Where a player's video appears: frames arrive in a QVideoSink and are painted with
// QPainter, fitted with black bars. Painting (unlike QVideoWidget's native window) works
// offscreen, under Xvfb and in QWidget::grab(), which screenshots need.
//
// The sink lives on a thread of its own, where each frame goes straight to pixels at the
// size it is drawn (VideoFrameConverter); the window's thread only paints finished
// pictures, paced by FramePacer. So decoding never waits for the window, and a window that
// is busy for a moment catches up with the newest due frame.
//
// KAVIO_VIDEO_STATS=1 prints to stderr when a video's first frame is painted (monotonic
// clock, milliseconds) and, each second, the frames shown and dropped: for benchmarks.

#include <QImage>
#include <QRect>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <memory>

class QVideoSink;

namespace kavio::platform {

// The largest rectangle of content's shape inside bounds, centred.
QRect aspectFitRect(QSize content, QRect bounds);

class PlayerVideoSurface : public QWidget {
    Q_OBJECT
public:
    explicit PlayerVideoSurface(QWidget* parent = nullptr);
    ~PlayerVideoSurface() override;

    // Lives on the surface's frame thread; a player may be given it from any thread.
    QVideoSink* videoSink() const;
    bool hasFrame() const { return !frameSize_.isEmpty(); }
    QSize frameSize() const { return frameSize_; }
    // Where the picture is drawn: the frame fitted into the surface, or nothing before the
    // first frame (and after the last, when the player lets go).
    QRect pictureRect() const { return aspectFitRect(frameSize_, rect()); }
    // Frames turned into pictures, pictures painted, and pictures skipped because a newer
    // one was already due when the window came to paint.
    int convertedFrameCount() const;
    int shownFrameCount() const;
    int droppedFrameCount() const;
    // Shows nothing until the next frame.
    void clear();

Q_SIGNALS:
    // The frames' size changed (the first frame, another video), so the picture moved.
    void frameSizeChanged(QSize size);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Exchange;
    class FrameWorker;

    void setupWorker();
    void framesArrived();
    void takeDuePicture();
    void publishBounds(bool visible);
    void reportStats();

    std::shared_ptr<Exchange> exchange_;
    QThread thread_;
    std::unique_ptr<FrameWorker> worker_; // on thread_ until the destructor brings it home
    QImage picture_;                      // the picture on screen
    QSize pictureFrameSize_;              // the size of the frame it shows
    QSize frameSize_;                     // the newest frame's
    QTimer dueTimer_;                     // a waiting picture falls due
    qint64 statsAtMs_ = 0;
};

} // namespace kavio::platform
