#include "platform/views/Labels.h"

#include <QLabel>

namespace kavio::platform {

void applySizeTextStyle(QLabel* label)
{
    if (!label)
        return;
    QFont font = label->font();
    font.setPixelSize(10); // points here are device-independent pixels
    label->setFont(font);
    QPalette palette = label->palette();
    // Both roles: inside a list the label inherits the Text foreground role.
    palette.setColor(QPalette::WindowText, QColor(170, 170, 170));
    palette.setColor(QPalette::Text, QColor(170, 170, 170));
    label->setPalette(palette);
    label->setAlignment(Qt::AlignCenter);
    label->setFixedHeight(15);
}

QLabel* makeSizeTextLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    applySizeTextStyle(label);
    return label;
}

} // namespace kavio::platform
