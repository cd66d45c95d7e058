#pragma once
// Where a player's video appears: frames arrive in a QVideoSink and are painted with
// QPainter, scaled to fit with black bars. Painting (unlike QVideoWidget's native window)
// works offscreen, under Xvfb and in QWidget::grab(), which screenshots need.

#include <QImage>
#include <QRect>
#include <QVideoFrame>
#include <QWidget>

class QVideoSink;

namespace kavio::platform {

// The largest rectangle of content's shape inside bounds, centred.
QRect aspectFitRect(QSize content, QRect bounds);

class PlayerVideoSurface : public QWidget {
    Q_OBJECT
public:
    explicit PlayerVideoSurface(QWidget* parent = nullptr);

    QVideoSink* videoSink() const { return sink_; }
    bool hasFrame() const { return frame_.isValid(); }
    QSize frameSize() const { return frame_.size(); }
    // Where the picture is drawn: the frame fitted into the surface, or nothing before the
    // first frame (and after the last, when the player lets go).
    QRect pictureRect() const { return aspectFitRect(frame_.size(), rect()); }
    // Frames converted to pixels so far: a frame is converted only when it is painted.
    int convertedFrameCount() const { return converted_; }
    // Shows nothing until the next frame.
    void clear() { takeFrame(QVideoFrame()); }

Q_SIGNALS:
    // The frames' size changed (the first frame, another video), so the picture moved.
    void frameSizeChanged(QSize size);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void takeFrame(const QVideoFrame& frame);

    QVideoSink* sink_ = nullptr; // child
    QVideoFrame frame_;
    QImage image_;       // frame_ converted, kept while repaints show the same frame
    bool imageStale_ = false;
    int converted_ = 0;
};

} // namespace kavio::platform
