#pragma once
// A round button: a 30-point ring in a colour and a tinted symbol centred at 15x15. Made
// larger than the ring, the whole widget is its tap target, the ring drawn in its middle.

#include <QAbstractButton>
#include <QColor>
#include <QImage>

namespace kavio::platform {

class CircleButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr int kDiameter = 30;
    static constexpr int kSymbolSize = 15;

    explicit CircleButton(const QString& symbolName, QWidget* parent = nullptr);

    QString symbolName() const { return symbolName_; }
    void setSymbolName(const QString& name);
    QColor tintColor() const { return tint_; }
    void setTintColor(const QColor& tint);
    QColor borderColor() const { return border_; }
    void setBorderColor(const QColor& border);
    // Fill inside the ring; transparent by default.
    void setFillColor(const QColor& fill);

    QSize sizeHint() const override { return {kDiameter, kDiameter}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    QImage symbolFor(const QColor& tint, qreal ratio) const;

    QString symbolName_;
    QColor tint_{Qt::white};
    QColor border_{Qt::white};
    QColor fill_{Qt::transparent};
    // The last rendered symbol: repaints (pressed, hover) reuse it.
    mutable QImage symbolCache_;
    mutable QString symbolCacheKey_;
};

} // namespace kavio::platform
