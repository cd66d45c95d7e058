#pragma once
// The platform's system colours, in one place: what screens and platform views draw with
// when a face does not choose its own. Light-surface and dark-surface variants where the
// platform changes them with the background.

#include <QColor>

namespace kavio::platform::colors {

inline const QColor systemBlue{10, 132, 255};
inline const QColor systemRed{255, 59, 48};
inline const QColor systemGray{142, 142, 147};         // secondary text, spinners
inline const QColor systemGreen{52, 199, 89};
inline const QColor tertiaryLabel{60, 60, 67, 76};     // faint lines and text on light surfaces
inline const QColor systemGroupedBackground{242, 242, 247};
// Text reaches 4.5:1 against what it is drawn on (7:1 on the car's dark rows): the system
// tints above are for symbols and rings, these darker and lighter ones for words.
inline const QColor tintOnLight{0, 98, 204};            // button titles on light cards
inline const QColor destructiveOnLight{200, 32, 30};    // destructive titles; white on it
// A file's size beside its row, on a light or a dark row.
inline const QColor sizeTextOnLight{104, 104, 108};
inline const QColor sizeTextOnDark{205, 205, 210};
inline const QColor secondaryLabelOnLight = sizeTextOnLight; // second lines
inline const QColor secondaryLabelOnDark = sizeTextOnDark;

// Separators between rows.
inline const QColor separatorOnLight{60, 60, 67, 74};
inline const QColor separatorOnDark{84, 84, 88, 153};
// Section titles above and below a group of rows.
inline const QColor sectionTitleOnLight{96, 96, 102};
inline const QColor sectionTitleOnDark = sizeTextOnDark;
// Disclosure chevrons.
inline const QColor chevronOnLight{196, 196, 199};
inline const QColor chevronOnDark{110, 110, 115};
// A touched row.
inline const QColor highlightOnLight{209, 209, 214};
inline const QColor highlightOnDark{72, 72, 74};
// Scroll indicators.
inline const QColor scrollIndicatorOnLight{0, 0, 0, 100};
inline const QColor scrollIndicatorOnDark{255, 255, 255, 120};
// Behind controls laid over a video.
inline const QColor controlsScrim{0, 0, 0, 150};
// Subtitles over a video: readable on any picture.
inline const QColor subtitleText{255, 255, 255};
inline const QColor subtitleOutline{0, 0, 0, 220};
// A short note over a video (the track just chosen).
inline const QColor noteBackground{0, 0, 0, 170};

// Alerts and menus: light cards over whatever lies beneath.
inline const QColor label{0, 0, 0};                      // primary text on light surfaces
inline const QColor placeholderText{112, 112, 118};
inline const QColor dimmingOverlay{0, 0, 0, 82};         // over the window behind an alert
inline const QColor alertBackground{242, 242, 242};
inline const QColor menuBackground{249, 249, 249};
inline const QColor textFieldBackground{255, 255, 255};
inline const QColor textFieldBorder{60, 60, 67, 90};
inline const QColor keyboardFocusOnLight{10, 132, 255, 36}; // a focused button's wash

// Notices at the foot of a window: a dark bar over light or dark lists.
inline const QColor noticeBackground{44, 44, 46, 245};
inline const QColor noticeText{255, 255, 255};
inline const QColor noticeAction{100, 180, 255}; // 6.3:1 on the bar
inline const QColor noticePressed{255, 255, 255, 40};

// Switches.
inline const QColor switchTrackOff{120, 120, 128, 41};
inline const QColor switchKnobEdge{0, 0, 0, 30};

} // namespace kavio::platform::colors
