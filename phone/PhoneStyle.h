#pragma once
// The phone face's look in one place.

#include "platform/screens/NavigationBar.h"
#include "platform/views/Colors.h"
#include "platform/views/Labels.h"

#include <QColor>
#include <QFont>

namespace kavio::phone::style {

inline const QColor background = platform::colors::systemGroupedBackground;
inline const QColor rowBackground{Qt::white};
inline const QColor titleText{Qt::black};
inline const QColor detailText = platform::colors::secondaryLabelOnLight;
inline const QColor emptyFolderText = platform::colors::secondaryLabelOnLight;
inline constexpr int kEmptyFolderPixels = 17;

// The dark navigation bar the phone's screens live under.
inline const QColor barTint{58, 58, 63};
inline const QColor barItems{Qt::white};
inline const QColor barTitle{Qt::white};
inline void styleBar(platform::NavigationBar& bar)
{
    bar.setTranslucent(false);
    bar.setBarTintColor(barTint);
    bar.setTintColor(barItems);
    bar.setTitleTextColor(barTitle);
}

// The metadata editor.
// A dark ground all the way: the white title and artist stay readable wherever they sit.
inline const QColor editorGradientTop = barTint;   // to the bottom right
inline const QColor editorGradientBottom{36, 36, 40};
inline const QColor editorHeading{Qt::white};
inline QFont editorHeadingFont() { return platform::namedFont(QStringLiteral("Helvetica Neue"), 30, QFont::Bold); }
inline const QColor editorFieldText{Qt::white};
inline const QColor editorPlaceholder{170, 170, 176};
inline const QColor editorUnderline{Qt::cyan};
inline const QColor editorButton = barTint;
inline const QColor editorButtonText{Qt::white};
inline constexpr int kEditorWidth = 250;     // thumbnail, fields and button
inline constexpr int kEditorFieldHeight = 50;
inline constexpr int kEditorThumbnailRadius = 30;

inline constexpr int kRowHeight = 60;
inline constexpr int kThumbnail = 40; // row images, in points

} // namespace kavio::phone::style
