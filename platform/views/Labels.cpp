#include "platform/views/Labels.h"

#include "platform/views/Colors.h"

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
    palette.setColor(QPalette::WindowText, colors::sizeText);
    palette.setColor(QPalette::Text, colors::sizeText);
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

QFont namedFont(const QString& family, int pixelSize, QFont::Weight weight)
{
    QFont font(family);
    font.setFamilies({family, QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    font.setWeight(weight);
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace kavio::platform
