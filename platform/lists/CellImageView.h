#pragma once
// An image in a list cell (table rows, collection items): drawn into its own rectangle,
// optionally clipped to rounded corners and outlined with a border.

#include <QColor>
#include <QPixmap>
#include <QWidget>

namespace kavio::platform {

enum class ImageContentMode { ScaleToFill, AspectFit, AspectFill };

class CellImageView : public QWidget {
    Q_OBJECT
public:
    explicit CellImageView(QWidget* parent = nullptr);

    void setImage(const QPixmap& image);
    void setImage(const QImage& image);
    const QPixmap& image() const { return image_; }
    bool hasImage() const { return !image_.isNull(); }
    // The image's size in device-independent pixels (points).
    QSize imageSize() const;

    void setContentMode(ImageContentMode mode);
    ImageContentMode contentMode() const { return mode_; }
    void setCornerRadius(qreal radius);
    qreal cornerRadius() const { return cornerRadius_; }
    void setBorderWidth(qreal width);
    qreal borderWidth() const { return borderWidth_; }
    void setBorderColor(const QColor& color);
    QColor borderColor() const { return borderColor_; }
    void setBackgroundColor(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF targetRect() const;

    QPixmap image_;
    ImageContentMode mode_ = ImageContentMode::ScaleToFill;
    qreal cornerRadius_ = 0;
    qreal borderWidth_ = 0;
    QColor borderColor_ = Qt::black;
    QColor background_ = Qt::transparent;
};

} // namespace kavio::platform
