#include "CarOnly.h"

#include "platform/screens/PointerHider.h"
#include "platform/screens/Scene.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

namespace kavio::app {

QString screenList(const QList<QScreen*>& screens)
{
    QString text;
    for (const QScreen* screen : screens) {
        const QRect g = screen->geometry();
        text += QStringLiteral("%1 %2x%3+%4+%5\n").arg(screen->name()).arg(g.width()).arg(g.height()).arg(g.x()).arg(g.y());
    }
    return text;
}

Result<QScreen*> carScreenNamed(const QString& name)
{
    if (name.isEmpty()) {
        if (QScreen* primary = QGuiApplication::primaryScreen())
            return primary;
        return Status::notFound("no screen to show the car display on");
    }
    QStringList names;
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == name)
            return screen;
        names << screen->name();
    }
    return Status::notFound("no screen named \"" + name.toStdString() + "\"; the screens are: "
                            + names.join(QStringLiteral(", ")).toStdString());
}

platform::Scene* connectCarOnly(platform::SceneManager& scenes, QScreen* screen)
{
    scenes.setKioskScreen(screen);
    new platform::PointerHider(&scenes);
    return scenes.connectScene(platform::SceneRole::Car);
}

} // namespace kavio::app
