// CPU cost of showing a 1080p clip: a 10-second 1920x1080 30 fps H.264/AAC clip made with
// ffmpeg plays once per mode, each mode in a fresh process, and the process CPU time over
// the playback is printed as a share of one core.
//
//   kavio_player_view_bench            all modes on the current QPA platform, 3 runs each
//   kavio_player_view_bench --modes no-video,view-960x540 [--runs N]
//
// Modes: no-video (decode with no picture attached), sink-only (frames delivered, never
// converted), view-WxH (PlayerView painting frames with QPainter), videowidget-WxH
// (QVideoWidget, for comparison on a real display).

#include "platform/media/PlayerVideoSurface.h"
#include "platform/media/PlayerView.h"
#include "platform/media/QtPlayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QVideoSink>
#include <QVideoWidget>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

using namespace kavio::platform;

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

QSize sizeFromMode(const QString& mode)
{
    const QStringList wh = mode.section('-', 1).split('x');
    return wh.size() == 2 ? QSize(wh[0].toInt(), wh[1].toInt()) : QSize(960, 540);
}

// One playback in this process; prints "mode wall cpu pct frames".
int runMode(const QString& mode, const QString& clip)
{
    QtPlayer player;
    std::unique_ptr<QWidget> window;
    int frames = 0;
    PlayerView* view = nullptr;
    QVideoSink sink;
    if (mode == "sink-only") {
        QObject::connect(&sink, &QVideoSink::videoFrameChanged, [&] { ++frames; });
        player.setVideoSink(&sink);
    } else if (mode.startsWith("view-")) {
        auto* v = new PlayerView;
        view = v;
        window.reset(v);
        v->setPlayer(&player);
    } else if (mode.startsWith("videowidget-")) {
        auto* w = new QVideoWidget;
        window.reset(w);
        QObject::connect(w->videoSink(), &QVideoSink::videoFrameChanged, [&] { ++frames; });
        player.setVideoSink(w->videoSink());
    }
    if (window) {
        window->resize(sizeFromMode(mode));
        window->show();
    }
    bool ended = false;
    QObject::connect(&player, &Player::rateChanged, [&](double rate) {
        if (rate == 0.0 && player.currentTime() > 1.0)
            ended = true;
    });
    player.replaceCurrentItem(PlayerItem::create(QUrl::fromLocalFile(clip)));
    QElapsedTimer wall;
    const double cpu0 = cpuSeconds();
    wall.start();
    player.play();
    while (!ended && wall.elapsed() < 60000 && player.status() != PlayerStatus::Failed)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
    const double cpu = cpuSeconds() - cpu0;
    if (view)
        frames = view->videoSurface()->convertedFrameCount();
    std::printf("%-22s %6.2f %6.2f %6.1f%% %6d\n", qPrintable(mode), seconds, cpu, 100.0 * cpu / seconds, frames);
    return player.status() == PlayerStatus::Failed ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    prepareMediaBackend();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == "--run")
        return runMode(args[2], args[3]);

    QStringList modes = {"no-video", "sink-only", "view-960x540", "view-1920x1080"};
    if (QGuiApplication::platformName() == "xcb")
        modes << "videowidget-960x540" << "videowidget-1920x1080";
    int runs = 3;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--modes")
            modes = args[i + 1].split(',');
        else if (args[i] == "--runs")
            runs = std::max(1, args[i + 1].toInt());
    }

    QTemporaryDir dir;
    const QString clip = dir.filePath("1080p.mp4");
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=30", "-f",
                            "lavfi", "-i", "sine", "-t", "10", "-c:v", "libx264", "-preset", "veryfast",
                            "-pix_fmt", "yuv420p", "-c:a", "aac", clip});
    if (!ffmpeg.waitForFinished(300000) || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg could not make the clip\n");
        return 1;
    }
    std::printf("platform %s, clip 1920x1080 30 fps 10 s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("%-22s %6s %6s %7s %6s\n", "mode", "wall s", "cpu s", "core", "frames");
    std::fflush(stdout);
    // Runs alternate between modes so a burst of load elsewhere spreads over all of them.
    for (int run = 0; run < runs; ++run) {
        for (const QString& mode : modes) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedOutputChannel);
            child.start(QCoreApplication::applicationFilePath(), {"--run", mode, clip});
            child.waitForFinished(120000);
        }
    }
    return 0;
}
