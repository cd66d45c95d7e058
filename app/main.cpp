// Kavio: plays a person's own videos on a car display.
//   kavio                      the phone window and the car display on the Documents library
//   kavio FILE | URL           ... and plays that video (or stream) at once
//   kavio --no-car             starts without connecting the car display
//   kavio --no-phone           starts without the phone window
//   kavio --screenshots DIR    renders the car screens offscreen into DIR and exits

#include "app/BundledSamples.h"
#include "app/CarPlaySceneDelegate.h"
#include "app/Opener.h"
#include "app/PhoneSceneDelegate.h"
#include "app/Screenshots.h"
#include "library/Avatar.h"
#include "library/Samples.h"
#include "platform/nowplaying/MprisService.h"
#include "platform/screens/Application.h"
#include "platform/screens/Scene.h"
#include "platform/screens/Window.h"

#include <QCommandLineParser>
#include <QLoggingCategory>

#include <cstdio>
#include <cstring>

namespace {

using namespace kavio;

constexpr int kExitUsage = 2;

bool wantsScreenshots(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshots") == 0)
            return true;
    }
    return false;
}

void fail(const std::string& message)
{
    std::fprintf(stderr, "kavio: %s\n", message.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    if (wantsScreenshots(argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // no display needed
    platform::Application app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kavio"));
    // A thumbnail that does not decode is shown empty; the decoder need not say so.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio=false"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Plays your own videos on a car display."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("no-car"), QStringLiteral("Start without connecting the car display.")});
    parser.addOption({QStringLiteral("no-phone"), QStringLiteral("Start without the phone window.")});
    parser.addOption({QStringLiteral("screenshots"), QStringLiteral("Render the car screens into DIR and exit."),
                      QStringLiteral("DIR")});
    parser.addPositionalArgument(QStringLiteral("video"), QStringLiteral("A video file or an http(s) stream to play."),
                                 QStringLiteral("[FILE|URL]"));
    parser.process(app);

    if (parser.isSet(QStringLiteral("screenshots"))) {
        Result<std::vector<std::filesystem::path>> files =
            app::renderScreenshots(parser.value(QStringLiteral("screenshots")).toStdString());
        if (!files) {
            fail(files.status().toString());
            return 1;
        }
        for (const auto& file : *files)
            std::printf("%s\n", file.c_str());
        return 0;
    }

    std::optional<QUrl> target;
    if (const QStringList args = parser.positionalArguments(); !args.isEmpty()) {
        if (args.size() > 1) {
            fail("one video at a time");
            return kExitUsage;
        }
        Result<QUrl> url = app::targetFromArgument(args.first());
        if (!url) {
            fail(url.status().message());
            return kExitUsage;
        }
        target = *url;
        if (app::forwardToRunningInstance(*target))
            return 0; // the running Kavio plays it
    }

    const std::filesystem::path documents = defaultDocumentsDirectory();
    if (Result<SamplesOutcome> samples = installSamplesOnFirstRun(documents, defaultSamplesMarker(), app::bundledSamples());
        !samples)
        fail("could not add the sample videos: " + samples.status().toString());

    platform::SceneManager scenes([documents](platform::SceneRole role) -> std::unique_ptr<platform::SceneDelegate> {
        if (role == platform::SceneRole::Phone)
            return std::make_unique<app::PhoneSceneDelegate>(documents);
        return std::make_unique<app::CarPlaySceneDelegate>(documents);
    });

    if (platform::MprisService* mpris = platform::MprisService::start()) {
        mpris->setRaiseHandler([&scenes] {
            if (platform::Scene* scene = scenes.connectScene(platform::SceneRole::Car))
                scene->window().makeKeyAndVisible();
        });
        mpris->setQuitHandler([] { QCoreApplication::quit(); });
        mpris->setOpenUriHandler([&scenes](const QUrl& url) { return app::openInCar(scenes, url); });
    }

    if (!parser.isSet(QStringLiteral("no-phone")))
        scenes.connectScene(platform::SceneRole::Phone);
    if (!parser.isSet(QStringLiteral("no-car")) || target)
        scenes.connectScene(platform::SceneRole::Car);
    scenes.arrangeSideBySide();
    // The keyboard goes to the library, unless a video was asked for on the car.
    if (platform::Scene* phone = scenes.scene(platform::SceneRole::Phone); phone && !target)
        phone->window().makeKeyAndVisible();
    if (target) {
        if (Status s = app::openInCar(scenes, *target); !s)
            fail(s.message());
    }
    const int status = app.exec();
    platform::MprisService::stop();
    return status;
}
