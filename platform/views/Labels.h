#pragma once
// Label looks shared by several screens.

#include <QString>

class QLabel;
class QWidget;

namespace kavio::platform {

// The "size text" look: light grey, the default font at 10 points, centred, 15 high.
void applySizeTextStyle(QLabel* label);
QLabel* makeSizeTextLabel(const QString& text = {}, QWidget* parent = nullptr);

} // namespace kavio::platform
