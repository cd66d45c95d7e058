#pragma once
// A cell's text line: one line elided at the end unless more lines are allowed.

#include <QLabel>

namespace kavio::platform {

class TableViewCellLabel : public QLabel {
    Q_OBJECT
public:
    explicit TableViewCellLabel(QWidget* parent = nullptr);

    void setTextColor(const QColor& color);
    QColor textColor() const;
    // 1 elides a single line; 0 wraps without limit; n wraps and clips after n lines.
    void setNumberOfLines(int lines);
    int numberOfLines() const { return lines_; }
    void setPixelSize(int pixels);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int lines_ = 1;
};

} // namespace kavio::platform
