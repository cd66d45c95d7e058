#pragma once
// Label looks and fonts shared by several screens.

#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace kavio::platform {

// The "size text" look: light grey, the default font at 10 points, centred, 15 high.
void applySizeTextStyle(QLabel* label);
QLabel* makeSizeTextLabel(const QString& text = {}, QWidget* parent = nullptr);

// A font the phone platform names ("Helvetica Neue"), falling back to Helvetica, then to
// the sans serif every desktop has. Sizes are in points (device-independent pixels).
QFont namedFont(const QString& family, int pixelSize, QFont::Weight weight = QFont::Normal);

} // namespace kavio::platform
