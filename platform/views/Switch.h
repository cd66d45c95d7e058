#pragma once
// An on/off switch: a rounded track that fills with the on tint and a white knob that
// slides across. Click, Space or a tap toggles it; toggled() reports the new state.

#include <QAbstractButton>
#include <QColor>

namespace kavio::platform {

class Switch : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr QSize kSize{51, 31};

    explicit Switch(QWidget* parent = nullptr);

    void setOnTintColor(const QColor& color);
    QColor onTintColor() const { return onTint_; }

    QSize sizeHint() const override { return kSize; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor onTint_;
};

} // namespace kavio::platform
