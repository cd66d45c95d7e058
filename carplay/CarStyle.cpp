#include "carplay/CarStyle.h"

#include "platform/views/CircleButton.h"

namespace kavio::carplay::style {

platform::CircleButton* makeCloseButton(const QString& toolTip, QWidget* parent)
{
    auto* button = new platform::CircleButton(QStringLiteral("xmark"), parent);
    button->setBorderColor(red);
    button->setTintColor(red);
    button->setToolTip(toolTip);
    return button;
}

} // namespace kavio::carplay::style
