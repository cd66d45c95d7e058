#pragma once
// The phone face's look in one place.

#include "platform/views/Colors.h"

#include <QColor>

namespace kavio::phone::style {

inline const QColor background = platform::colors::systemGroupedBackground;
inline const QColor rowBackground{Qt::white};
inline const QColor titleText{Qt::black};
inline const QColor detailText = platform::colors::systemGray;

// The dark navigation bar the phone's screens live under.
inline const QColor barTint{58, 58, 63};
inline const QColor barItems{Qt::white};
inline const QColor barTitle{Qt::white};

inline constexpr int kRowHeight = 60;
inline constexpr int kThumbnail = 40; // row images, in points

} // namespace kavio::phone::style
