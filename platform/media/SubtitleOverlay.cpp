#include "platform/media/SubtitleOverlay.h"

#include "library/Utf8.h"
#include "platform/views/Colors.h"

#include <QGlyphRun>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace kavio::platform {

namespace {

constexpr int kMinimumBottomGap = 8;

// One cue line laid out within width, centred; its glyphs' outlines below top.
qreal addLine(const subtitles::CueLine& line, const QFont& font, qreal width, qreal top, QPainterPath& path)
{
    QString text;
    QList<QTextLayout::FormatRange> formats;
    for (const subtitles::TextRun& run : line) {
        QTextLayout::FormatRange range;
        range.start = static_cast<int>(text.size());
        text += fromUtf8(run.text);
        range.length = static_cast<int>(text.size()) - range.start;
        range.format.setFontItalic(run.italic);
        range.format.setFontWeight(run.bold ? QFont::Bold : font.weight());
        formats.append(range);
    }
    QTextLayout layout(text, font);
    layout.setFormats(formats);
    QTextOption option(Qt::AlignHCenter);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    qreal y = top;
    layout.beginLayout();
    for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
        row.setLineWidth(width);
        row.setPosition(QPointF(0, y));
        y += row.height();
    }
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns()) {
        const QRawFont raw = run.rawFont();
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size() && i < positions.size(); ++i)
            path.addPath(raw.pathForGlyph(glyphs[i]).translated(positions[i]));
    }
    return y;
}

} // namespace

SubtitleOverlay::SubtitleOverlay(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void SubtitleOverlay::setLines(std::vector<subtitles::CueLine> lines)
{
    if (lines == lines_)
        return;
    lines_ = std::move(lines);
    render();
}

void SubtitleOverlay::setPlacement(QRect picture, int bottom)
{
    if (picture == picture_ && bottom == bottom_)
        return;
    const bool resized = picture.size() != picture_.size();
    picture_ = picture;
    bottom_ = bottom;
    if (resized)
        render();
    else
        place();
}

int SubtitleOverlay::pixelSize() const
{
    return std::max(kMinimumPixelSize, static_cast<int>(std::ceil(picture_.height() * kFontShare)));
}

QString SubtitleOverlay::text() const
{
    QStringList lines;
    for (const subtitles::CueLine& line : lines_) {
        QString text;
        for (const subtitles::TextRun& run : line)
            text += fromUtf8(run.text);
        lines << text;
    }
    return lines.join(QLatin1Char('\n'));
}

void SubtitleOverlay::render()
{
    image_ = {};
    if (lines_.empty() || picture_.isEmpty()) {
        hide();
        return;
    }
    ++renders_;
    QFont font = this->font();
    font.setPixelSize(pixelSize());
    font.setWeight(QFont::Medium);
    const qreal width = picture_.width() * kWidthShare;
    QPainterPath path;
    qreal y = 0;
    for (const subtitles::CueLine& line : lines_)
        y = addLine(line, font, width, y, path);

    // The outline sits half outside the glyphs: room for it all round.
    const qreal outline = std::max(2.0, font.pixelSize() / 7.0);
    const QRectF bounds = path.boundingRect().adjusted(-outline, -outline, outline, outline);
    const qreal ratio = devicePixelRatioF();
    image_ = QImage((bounds.size() * ratio).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image_.setDevicePixelRatio(ratio);
    image_.fill(Qt::transparent);
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(-bounds.topLeft());
    painter.strokePath(path, QPen(colors::subtitleOutline, outline * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, colors::subtitleText);
    painter.end();
    place();
}

void SubtitleOverlay::place()
{
    if (image_.isNull()) {
        hide();
        return;
    }
    const QSize size = (QSizeF(image_.size()) / image_.devicePixelRatio()).toSize();
    const int gap = std::max(kMinimumBottomGap, static_cast<int>(picture_.height() * kBottomShare));
    const int bottom = std::min(bottom_, picture_.bottom() + 1 - gap);
    QRect area(picture_.center().x() - size.width() / 2, bottom - size.height(), size.width(), size.height());
    // Never above the picture's top, however many lines there are.
    area.moveTop(std::max(area.top(), picture_.top()));
    setGeometry(area);
    show();
    update();
}

void SubtitleOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), image_);
}

} // namespace kavio::platform
