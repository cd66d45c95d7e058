#include "platform/lists/TableViewCellLabel.h"

#include <QPainter>

namespace kavio::platform {

TableViewCellLabel::TableViewCellLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void TableViewCellLabel::setTextColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    setPalette(p);
}

QColor TableViewCellLabel::textColor() const { return palette().color(QPalette::WindowText); }

void TableViewCellLabel::setNumberOfLines(int lines)
{
    lines_ = std::max(0, lines);
    setWordWrap(lines_ != 1);
    updateGeometry();
    update();
}

void TableViewCellLabel::setPixelSize(int pixels)
{
    QFont f = font();
    f.setPixelSize(pixels);
    setFont(f);
}

void TableViewCellLabel::paintEvent(QPaintEvent* event)
{
    if (lines_ != 1) {
        QLabel::paintEvent(event);
        return;
    }
    // One line: elide instead of clipping mid-glyph, as a phone list does.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect r = contentsRect();
    const QString line = text().section(QLatin1Char('\n'), 0, 0);
    const QString shown = fontMetrics().elidedText(line, Qt::ElideRight, r.width());
    painter.drawText(r, static_cast<int>(alignment()) | Qt::TextSingleLine, shown);
}

} // namespace kavio::platform
