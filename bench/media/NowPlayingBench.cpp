// The car player's twice-a-second now-playing tick: decode the entry's thumbnail (about
// 30 KB of PNG) into a QImage, build the record, publish it through NowPlayingInfoCenter,
// and map it to MPRIS properties (artwork file check, metadata, changed properties). Each
// benchmark reports its cost per call and, as core_pct_at_2Hz, the share of one core it
// takes at two calls a second.

#include "platform/media/PlayerVideoSurface.h"
#include "platform/nowplaying/MprisArtworkStore.h"
#include "platform/nowplaying/MprisMetadata.h"
#include "platform/nowplaying/MprisService.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"
#include "platform/nowplaying/RemoteCommandCenter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QDBusConnection>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QVideoFrame>
#include <QVideoFrameFormat>

#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>

namespace {

using namespace kavio::platform;

// A photo-like thumbnail: gradients with grain, which PNG cannot squeeze much.
QByteArray thumbnailPng()
{
    static const QByteArray png = [] {
        QImage image(160, 120, QImage::Format_RGB32);
        QRandomGenerator grain(7);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const int noise = static_cast<int>(grain.bounded(24));
                image.setPixel(x, y, qRgb((x * 255 / 160 + noise) & 0xff, (y * 255 / 120 + noise) & 0xff,
                                          (128 + noise) & 0xff));
            }
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        return bytes;
    }();
    return png;
}

NowPlayingInfo buildInfo(const QByteArray& png, double elapsed)
{
    NowPlayingInfo info;
    info.trackId = QStringLiteral("/org/kavio/track/q1_3");
    info.title = QStringLiteral("Beach day");
    info.artist = QStringLiteral("Ana");
    info.elapsedPlaybackTime = elapsed;
    QImage artwork;
    if (artwork.loadFromData(png, "PNG"))
        info.artwork = std::move(artwork);
    return info;
}

// Wall time per call is what Google Benchmark prints; this adds the core share at 2 Hz
// from process CPU time (the work is single-threaded).
class CpuShare {
public:
    CpuShare() { start_ = now(); }
    void report(benchmark::State& state) const
    {
        const double perCall = (now() - start_) / static_cast<double>(state.iterations());
        state.counters["cpu_us_per_call"] = perCall * 1e6;
        state.counters["core_pct_at_2Hz"] = perCall * 2.0 * 100.0;
    }

private:
    static double now()
    {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    }
    double start_ = 0;
};

void BM_BuildNowPlayingInfo(benchmark::State& state)
{
    const QByteArray png = thumbnailPng();
    state.SetLabel(QStringLiteral("PNG %1 bytes").arg(png.size()).toStdString());
    double elapsed = 0;
    CpuShare cpu;
    for (auto _ : state) {
        NowPlayingInfo info = buildInfo(png, elapsed += 0.5);
        benchmark::DoNotOptimize(info);
    }
    cpu.report(state);
}
BENCHMARK(BM_BuildNowPlayingInfo);

// Publishing one record: the centre, then the same mapping MprisService runs per change.
void BM_PublishAndMap(benchmark::State& state)
{
    const QByteArray png = thumbnailPng();
    QTemporaryDir runtime;
    NowPlayingInfoCenter center;
    RemoteCommandCenter commands;
    MprisArtworkStore artwork(runtime.filePath("kavio-bench"));
    MprisPlayerProperties published;
    std::vector<NowPlayingInfo> ticks;
    for (int i = 0; i < 64; ++i)
        ticks.push_back(buildInfo(png, i * 0.5)); // fresh decodes: artwork compared by pixels
    std::size_t tick = 0;
    CpuShare cpu;
    for (auto _ : state) {
        center.setNowPlayingInfo(ticks[tick++ % ticks.size()]);
        const auto& info = center.nowPlayingInfo();
        MprisPlayerProperties next = mprisPlayerProperties(info, PlaybackState::Playing, artwork.artUrl(info),
                                                           mprisCommandAvailability(commands));
        benchmark::DoNotOptimize(mprisChangedProperties(published, next));
        published = std::move(next);
    }
    cpu.report(state);
    state.counters["png_writes"] = artwork.writeCount();
}
BENCHMARK(BM_PublishAndMap);

// The whole tick as the car player runs it: decode, build, publish, map.
void BM_NowPlayingTick(benchmark::State& state)
{
    const QByteArray png = thumbnailPng();
    QTemporaryDir runtime;
    NowPlayingInfoCenter center;
    RemoteCommandCenter commands;
    MprisArtworkStore artwork(runtime.filePath("kavio-bench"));
    MprisPlayerProperties published;
    double elapsed = 0;
    CpuShare cpu;
    for (auto _ : state) {
        center.setNowPlayingInfo(buildInfo(png, elapsed += 0.5));
        const auto& info = center.nowPlayingInfo();
        MprisPlayerProperties next = mprisPlayerProperties(info, PlaybackState::Playing, artwork.artUrl(info),
                                                           mprisCommandAvailability(commands));
        benchmark::DoNotOptimize(mprisChangedProperties(published, next));
        published = std::move(next);
    }
    cpu.report(state);
}
BENCHMARK(BM_NowPlayingTick);

// The same tick through the running service on a session bus (run under dbus-run-session):
// adds the deferred publish and any PropertiesChanged it sends.
void BM_NowPlayingTickThroughService(benchmark::State& state)
{
    if (!QDBusConnection::sessionBus().isConnected() || !MprisService::start()) {
        state.SkipWithError("no session bus (run under dbus-run-session)");
        return;
    }
    const QByteArray png = thumbnailPng();
    double elapsed = 0;
    CpuShare cpu;
    for (auto _ : state) {
        NowPlayingInfoCenter::shared().setNowPlayingInfo(buildInfo(png, elapsed += 0.5));
        QCoreApplication::processEvents(); // the service publishes on the next loop turn
    }
    cpu.report(state);
    MprisService::stop();
}
BENCHMARK(BM_NowPlayingTickThroughService);

// The video surface's per-frame work on a 1080p decoder frame (YUV 4:2:0): convert it to
// RGB and draw it fitted into a target of the given width (16:9), smoothly or not. At
// 30 fps, core_pct_at_30fps is the share of one core the painting path takes.
double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

QVideoFrame decodedFrame(QSize size, int shade)
{
    QVideoFrame frame(QVideoFrameFormat(size, QVideoFrameFormat::Format_YUV420P));
    frame.map(QVideoFrame::WriteOnly);
    for (int plane = 0; plane < frame.planeCount(); ++plane)
        std::memset(frame.bits(plane), shade + 40 * plane, static_cast<size_t>(frame.mappedBytes(plane)));
    frame.unmap();
    return frame;
}

void BM_PaintVideoFrame1080p(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    QImage target(width, width * 9 / 16, QImage::Format_RGB32);
    const bool smooth = state.range(1) != 0;
    state.SetLabel(smooth ? "smooth" : "fast");
    double cpu = 0;
    int shade = 0;
    for (auto _ : state) {
        // A fresh frame each time, as from the decoder: QVideoFrame caches its converted image.
        state.PauseTiming();
        QVideoFrame frame = decodedFrame(QSize(1920, 1080), 60 + (shade++ % 64));
        state.ResumeTiming();
        const double before = processCpuSeconds();
        const QImage rgb = frame.toImage();
        QPainter painter(&target);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        painter.drawImage(kavio::platform::aspectFitRect(rgb.size(), target.rect()), rgb);
        painter.end();
        cpu += processCpuSeconds() - before;
    }
    const double perCall = cpu / static_cast<double>(state.iterations());
    state.counters["cpu_ms_per_frame"] = perCall * 1e3;
    state.counters["core_pct_at_30fps"] = perCall * 30.0 * 100.0;
}
BENCHMARK(BM_PaintVideoFrame1080p)->Args({960, 1})->Args({960, 0})->Args({1920, 1})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
