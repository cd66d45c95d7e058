#include "Opener.h"

#include "carplay/KavioController.h"
#include "carplay/PlayerOpening.h"
#include "library/FolderListing.h"
#include "library/FolderModel.h"
#include "platform/screens/Scene.h"
#include "platform/screens/Window.h"

#include <QFileInfo>

namespace kavio::app {

namespace fs = std::filesystem;

Result<QUrl> targetFromArgument(const QString& argument)
{
    QUrl url = QUrl::fromUserInput(argument, QFileInfo(argument).isRelative() ? QFileInfo(".").absoluteFilePath() : QString(),
                                   QUrl::AssumeLocalFile);
    if (!url.isValid())
        return Status::corrupt("not a file or a URL: " + argument.toStdString());
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return url;
    if (!url.isLocalFile())
        return Status::unsupported("only files and http or https streams can be played: " + argument.toStdString());
    const fs::path path = url.toLocalFile().toStdString();
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return Status::notFound("no video file at " + path.string());
    if (!isVideoFileName(path.filename().string()))
        return Status::unsupported("not an mp4, mov or m4v video: " + path.string());
    return url;
}

Status openInCar(platform::SceneManager& scenes, const QUrl& target)
{
    carplay::PlayQueue::Opening opening;
    if (target.isLocalFile()) {
        Result<QUrl> checked = targetFromArgument(target.toString());
        if (!checked)
            return checked.status();
        const fs::path file = target.toLocalFile().toStdString();
        FolderModel folder(file.parent_path());
        folder.loadMp4Files();
        opening = carplay::openingForFile(folder.currentURL(), folder.save_items(), file.filename().string());
    } else if (target.scheme() == QLatin1String("http") || target.scheme() == QLatin1String("https")) {
        opening = carplay::openingForStream(target);
    } else {
        return Status::unsupported("unsupported URI scheme: " + target.scheme().toStdString());
    }

    platform::Scene* scene = scenes.connectScene(platform::SceneRole::Car);
    if (!scene)
        return Status::ioError("the car display could not be connected");
    platform::ViewController* root = scene->window().rootViewController();
    if (!root)
        return Status::ioError("the car display has no browser");
    auto player = std::make_unique<carplay::KavioController>();
    player->setOpening(std::move(opening));
    // Whatever the car shows goes; closing the player returns to the library's root.
    root->dismiss(platform::Animated::No);
    root->present(std::move(player), platform::Animated::No);
    scene->window().makeKeyAndVisible();
    return Status::ok();
}

} // namespace kavio::app
