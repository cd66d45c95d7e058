#pragma once
// The car face's look in one place: colours, sizes, and the red close button both car
// screens carry.

#include "platform/views/Colors.h"
#include "platform/views/Labels.h"

#include <QColor>
#include <QFont>
#include <QString>

class QWidget;

namespace kavio::platform {
class CircleButton;
}

namespace kavio::carplay::style {

inline const QColor background{51, 50, 50};       // behind the folder list
inline const QColor rowBackground{46, 46, 46};
inline const QColor separator{70, 70, 72};
inline const QColor titleText{Qt::white};
// Read at a glance, in daylight: every text reaches 7:1 on the dark rows.
inline const QColor detailText = platform::colors::secondaryLabelOnDark;
inline const QColor bannerText{225, 225, 230};
inline const QColor emptyFolderText{225, 225, 230};
inline constexpr int kEmptyFolderPixels = 22;
inline const QColor refreshTint{200, 200, 200};
inline const QColor playerBackground{28, 28, 30};
inline const QColor red{245, 66, 66};             // close buttons, the playing strip entry
inline const QColor failureTitle{Qt::white};      // over the video: why it cannot play
inline const QColor failureDetail{220, 220, 224};

inline constexpr int kFailureTitlePixels = 24;
inline constexpr int kFailureTextPixels = 17;

inline QFont bannerFont() { return platform::namedFont(QStringLiteral("Helvetica Neue"), 14, QFont::Light); }

inline constexpr int kRowHeight = 60;
inline constexpr int kThumbnail = 40;             // row images, in points
inline constexpr int kBannerHeight = 100;
inline constexpr int kBannerIcon = 40;
inline constexpr int kCloseMargin = 5;           // from the corner to the close button's ring
// The least a finger can hit on a car's touchscreen, in points, around whatever is drawn.
inline constexpr int kTapTarget = 40;

// The red ring with an xmark; toolTip says where it leads ("Back", "Close").
platform::CircleButton* makeCloseButton(const QString& toolTip, QWidget* parent);

} // namespace kavio::carplay::style
