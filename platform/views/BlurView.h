#pragma once
// The dark translucent panel used where the phone platform blurs what lies beneath. A
// real blur is not available on every Qt backend (and not over video surfaces), so this
// darkens the content below instead: black at 60% unless told otherwise.

#include <QColor>
#include <QWidget>

namespace kavio::platform {

class BlurView : public QWidget {
    Q_OBJECT
public:
    static constexpr QColor kDefaultFill{0, 0, 0, 153};

    explicit BlurView(QWidget* parent = nullptr);

    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor& fill);
    void setCornerRadius(qreal radius);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_ = kDefaultFill;
    qreal cornerRadius_ = 0;
};

} // namespace kavio::platform
