#pragma once
// The project's symbol set (resources/symbols/*.svg, single-colour on a 24x24 grid) and
// named bundle images. Symbols are drawn at the requested size in points and tinted, so
// one SVG serves every colour and screen density.

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

namespace kavio::platform {

// name as in the symbol set ("xmark", "play.fill"); unknown names give a null image.
// The image has sizePoints * devicePixelRatio pixels and carries that ratio.
QImage symbolImage(const QString& name, QSize sizePoints, const QColor& tint,
                   qreal devicePixelRatio = 1.0);
QPixmap symbolPixmap(const QString& name, QSize sizePoints, const QColor& tint,
                     qreal devicePixelRatio = 1.0);
// An icon that renders the symbol sharply at whatever size and ratio it is asked for;
// null when the name is unknown.
QIcon symbolIcon(const QString& name, const QColor& tint);
bool hasSymbol(const QString& name);

// Images from the application's resources by their bundle name ("icons/folder.png",
// "AppIcon76x76.png"); a missing name gives a null image.
QImage resourceImage(const QString& name);
QPixmap resourcePixmap(const QString& name);

} // namespace kavio::platform
