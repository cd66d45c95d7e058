// Kavio: plays a person's own videos on a car display.
//   kavio                      the phone window and the car display on the Documents library
//   kavio FILE | URL           ... and plays that video (or stream) at once
// When Kavio already runs, a second start hands the video to it, or brings its windows
// forward, and ends.
//   kavio --no-car             starts without connecting the car display
//   kavio --no-phone           starts without the phone window
//   kavio --car-only           a car PC: the car display alone, full screen (--car-screen NAME)
//   kavio --list-screens       names the screens --car-screen knows
//   kavio --check-update       says whether a newer release is out, without a window
//   kavio --screenshots DIR    renders the car and phone screens offscreen into DIR and exits
//         [--size WxH]         the car screens at another panel's size
// --help, --version and --check-update never open a display.

#include "app/BundledSamples.h"
#include "app/CarOnly.h"
#include "app/CarPlaySceneDelegate.h"
#include "app/KVAppDelegate.h"
#include "app/Opener.h"
#include "app/RunningInstance.h"
#include "app/Screenshots.h"
#include "library/Avatar.h"
#include "library/PlainText.h"
#include "library/Samples.h"
#include "platform/base/Http.h"
#include "platform/nowplaying/MprisService.h"
#include "platform/screens/Application.h"
#include "platform/screens/Scene.h"
#include "platform/screens/Window.h"
#include "shell/Links.h"
#include "shell/UpdateCheck.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

using namespace kavio;

constexpr int kExitUsage = 2;

void fail(const std::string& message)
{
    std::fprintf(stderr, "kavio: %s\n", kavio::escapedForTerminal(message).c_str()); // names and URLs from anywhere
}

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Plays your own videos on a car display. A phone-style window manages the library\n"
        "(folders of videos with titles, artists and thumbnails, in $KAVIO_DOCUMENTS or\n"
        "~/.local/share/Kavio/Documents); the car window lists it and plays, and the desktop's\n"
        "media controls (MPRIS) follow."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("no-car"), QStringLiteral("Start without connecting the car display.")});
    parser.addOption({QStringLiteral("no-phone"), QStringLiteral("Start without the phone window.")});
    parser.addOption({QStringLiteral("car-only"),
                      QStringLiteral("A car PC: the car display alone, full screen without a frame, the pointer "
                                     "hidden while unused.")});
    parser.addOption({QStringLiteral("car-screen"),
                      QStringLiteral("The screen for --car-only (a name from --list-screens; the primary screen "
                                     "by default)."),
                      QStringLiteral("NAME")});
    parser.addOption({QStringLiteral("list-screens"),
                      QStringLiteral("Print each screen as NAME WIDTHxHEIGHT+X+Y and exit.")});
    parser.addOption({QStringLiteral("check-update"),
                      QStringLiteral("Say whether a newer release is out (\"update: TAG\", \"up to date\" or "
                                     "\"no answer\") and exit, without a window.")});
    parser.addOption({QStringLiteral("screenshots"),
                      QStringLiteral("Render the car and phone screens offscreen into DIR and exit."), QStringLiteral("DIR")});
    parser.addOption({QStringLiteral("size"),
                      QStringLiteral("With --screenshots: the car screens at WIDTHxHEIGHT (800x480 by default)."),
                      QStringLiteral("WxH")});
    parser.addPositionalArgument(QStringLiteral("video"), QStringLiteral("A video file or an http(s) stream to play."),
                                 QStringLiteral("[FILE|URL]"));
}

// $KAVIO_DOCUMENTS may name a folder on a USB stick not plugged in yet: the lists wait for
// it to appear. Making it would put it, and the samples, on the bare mount point.
std::filesystem::path documentsFolder()
{
    const QByteArray named = qgetenv("KAVIO_DOCUMENTS");
    std::error_code ec;
    if (!named.isEmpty() && !std::filesystem::exists(named.constData(), ec))
        return named.constData();
    return defaultDocumentsDirectory();
}

bool has(int argc, char** argv, std::initializer_list<const char*> options)
{
    for (int i = 1; i < argc; ++i) {
        for (const char* option : options) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// The answers that need no display: help, version and the update check. Nothing when the
// command line asks for the windows.
std::optional<int> answerWithoutDisplay(int argc, char** argv)
{
    if (!has(argc, argv, {"--help", "-h", "--help-all", "--version", "-v", "--check-update"}))
        return std::nullopt;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kavio"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KAVIO_VERSION));
    QCommandLineParser parser;
    describe(parser);
    parser.process(app); // --help and --version print and exit here
    if (!parser.isSet(QStringLiteral("check-update")))
        return std::nullopt;
    shell::UpdateVerdict verdict;
    if (shell::links::kUpdateCheck) {
        platform::httpGet(shell::latestReleaseApiUrl(), {}, nullptr,
                          [&](std::optional<QByteArray> body) {
                              verdict = shell::updateVerdict(body, shell::runningVersion());
                              QCoreApplication::quit();
                          },
                          QStringLiteral("Kavio/") + shell::runningVersion());
        app.exec();
    }
    std::printf("%s\n", shell::verdictLine(verdict).toUtf8().constData());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (std::optional<int> answered = answerWithoutDisplay(argc, argv))
        return *answered;
    if (has(argc, argv, {"--screenshots"}))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // no display needed
    platform::Application app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Kavio"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KAVIO_VERSION));
    // A thumbnail that does not decode is shown empty; the decoder need not say so.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio=false"));

    QCommandLineParser parser;
    describe(parser);
    parser.process(app);

    if (parser.isSet(QStringLiteral("list-screens"))) {
        std::printf("%s", app::screenList(QGuiApplication::screens()).toUtf8().constData());
        return 0;
    }

    if (parser.isSet(QStringLiteral("screenshots"))) {
        QSize carSize = platform::Window::kCarWindowSize;
        if (parser.isSet(QStringLiteral("size"))) {
            const std::optional<QSize> size = app::screenSizeFromText(parser.value(QStringLiteral("size")));
            if (!size) {
                fail("--size takes WIDTHxHEIGHT, such as 1024x600");
                return kExitUsage;
            }
            carSize = *size;
        }
        Result<std::vector<std::filesystem::path>> files =
            app::renderScreenshots(parser.value(QStringLiteral("screenshots")).toStdString(), carSize);
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
    }

    // A car PC's screen, checked before anything shows.
    const bool carOnly = parser.isSet(QStringLiteral("car-only"));
    // A car PC is a Kavio of its own; anywhere else one per session: the running one plays
    // the video, or comes forward.
    if (!carOnly && !parser.isSet(QStringLiteral("car-screen")) && app::handOverToRunningInstance(target))
        return 0;
    QScreen* carScreen = nullptr;
    if (carOnly || parser.isSet(QStringLiteral("car-screen"))) {
        Result<QScreen*> screen = app::carScreenNamed(parser.value(QStringLiteral("car-screen")));
        if (!screen) {
            fail(screen.status().message());
            return kExitUsage;
        }
        carScreen = *screen;
    }

    const std::filesystem::path documents = documentsFolder();
    // Samples only go into a library that is there (and empty); a missing one is waited for.
    if (std::error_code ec; std::filesystem::is_directory(documents, ec)) {
        if (Result<SamplesOutcome> samples = installSamplesOnFirstRun(documents, defaultSamplesMarker(), app::bundledSamples());
            !samples)
            fail("could not add the sample videos: " + samples.status().toString());
    }

    platform::SceneManager* manager = nullptr;
    platform::SceneManager scenes([documents, &manager](platform::SceneRole role) -> std::unique_ptr<platform::SceneDelegate> {
        if (role == platform::SceneRole::Phone)
            return std::make_unique<app::KVAppDelegate>(documents, manager ? manager->connectCarDisplayAction() : nullptr);
        return std::make_unique<app::CarPlaySceneDelegate>(documents);
    });
    manager = &scenes;

    if (platform::MprisService* mpris = platform::MprisService::start())
        app::serveRequests(*mpris, scenes, carOnly ? app::RunMode::CarOnly : app::RunMode::Desktop);

    if (carOnly)
        app::connectCarOnly(scenes, carScreen);
    if (!carOnly && !parser.isSet(QStringLiteral("no-phone")))
        scenes.connectScene(platform::SceneRole::Phone);
    if (!carOnly && (!parser.isSet(QStringLiteral("no-car")) || target))
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
