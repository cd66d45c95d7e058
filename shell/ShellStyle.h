#pragma once
// The shell's look: the home menu, the support screen, the tab bar.

#include "phone/PhoneStyle.h"
#include "platform/views/Colors.h"
#include "platform/views/Labels.h"

#include <QColor>
#include <QFont>

namespace kavio::shell::style {

inline const QColor background = platform::colors::systemGroupedBackground;
inline const QColor barTint = phone::style::barTint;
inline const QColor barItems{Qt::white};
inline const QColor tabTint{240, 155, 58};       // the selected tab
inline const QColor tabUnselected{190, 190, 196};
inline const QColor sectionHeader = platform::colors::sectionTitleOnLight;
inline const QColor bannerText = platform::colors::sectionTitleOnLight;
inline QFont bannerFont() { return platform::namedFont(QStringLiteral("Helvetica Neue"), 14, QFont::Light); }
inline const QColor switchOn = phone::style::barTint;
inline const QColor carSymbol = phone::style::barTint; // "Connect car display" on the home menu
inline const QColor creditRole{196, 58, 34};      // the designer's red-orange, darkened to read on white
inline const QColor creditName{Qt::black};
inline const QColor divider = platform::colors::tertiaryLabel;

inline constexpr int kSectionHeaderHeight = 40;
inline constexpr int kHomeRowHeight = 60;
inline constexpr int kSupportIcon = 30;
inline constexpr int kBannerHeight = 150;

} // namespace kavio::shell::style
