#pragma once
// Label looks and fonts shared by several screens.

#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace kavio::platform {

// The "size text" look: grey, the default font at 10 points, centred, 15 high. Its grey
// follows the row it sits on (its palette's window colour): dark on a light row, light on
// a dark one, readable on either.
void applySizeTextStyle(QLabel* label);
QLabel* makeSizeTextLabel(const QString& text = {}, QWidget* parent = nullptr);

// A font the phone platform names ("Helvetica Neue"), falling back to Helvetica, then to
// the sans serif every desktop has. Sizes are in points (device-independent pixels).
QFont namedFont(const QString& family, int pixelSize, QFont::Weight weight = QFont::Normal);

} // namespace kavio::platform
