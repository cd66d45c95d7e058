#pragma once
// A thin scroll indicator over a list's content at its right edge, as on a phone: it
// shows while the list scrolls or when the pointer comes in, then fades. It takes no
// room from the rows. The list's own scroll bar stays hidden and is the model; the
// handle can be dragged and a click beside it turns a page.

#include <QColor>
#include <QWidget>

class QAbstractScrollArea;
class QScrollBar;
class QTimer;
class QVariantAnimation;

namespace kavio::platform {

class ScrollIndicator : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 10;

    explicit ScrollIndicator(QAbstractScrollArea* area);

    void setIndicatorEnabled(bool enabled);
    bool isIndicatorEnabled() const { return enabled_; }
    void setColor(const QColor& color);
    // Shows the indicator now and lets it fade after a moment.
    void flash();
    // Keeps it above content added since; the list calls this after laying out.
    void keepOnTop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRect handleRect() const;
    void place();
    void setOpacity(qreal opacity);
    void fadeOut();

    QAbstractScrollArea* area_;
    QScrollBar* bar_;
    QTimer* idle_ = nullptr;
    QVariantAnimation* fade_ = nullptr;
    QColor color_{128, 128, 128, 150};
    qreal opacity_ = 0;
    int dragStartY_ = 0;
    int dragStartValue_ = 0;
    bool enabled_ = true;
    bool hovered_ = false;
    bool dragging_ = false;
};

} // namespace kavio::platform
