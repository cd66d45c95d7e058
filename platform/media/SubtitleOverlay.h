#pragma once
// Subtitles over a player's picture: bottom centre, white with a dark outline, at least 5 %
// of the picture's height, wrapped within 90 % of its width, italic and bold runs as the
// cue says, and kept above a line given by the view (the controls' top while they show).
//
// The text is laid out and drawn once into a picture of its own whenever the lines or the
// placement change; between changes the widget only copies that picture over the video, so
// subtitles cost the video nothing per frame. The widget covers the text alone and lets
// the pointer through.

#include "library/subtitles/Cue.h"

#include <QImage>
#include <QWidget>

#include <vector>

namespace kavio::platform {

class SubtitleOverlay : public QWidget {
    Q_OBJECT
public:
    static constexpr double kFontShare = 0.055;  // of the picture's height
    static constexpr double kWidthShare = 0.9;   // of the picture's width
    static constexpr double kBottomShare = 0.04; // the gap under the text, of the height
    static constexpr int kMinimumPixelSize = 12;

    explicit SubtitleOverlay(QWidget* parent = nullptr);

    // What shows, the top line first; none hides it.
    void setLines(std::vector<subtitles::CueLine> lines);
    // The picture drawn on (in the parent's coordinates) and the lowest y the text may reach.
    void setPlacement(QRect picture, int bottom);

    // The lines as plain text, joined by '\n' (tests, accessibility).
    QString text() const;
    int pixelSize() const;
    // How many times the text was laid out and drawn.
    int renderCount() const { return renders_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void render();
    void place();

    std::vector<subtitles::CueLine> lines_;
    QRect picture_;
    int bottom_ = 0;
    QImage image_; // the text with its outline, at the screen's pixel ratio
    int renders_ = 0;
};

} // namespace kavio::platform
