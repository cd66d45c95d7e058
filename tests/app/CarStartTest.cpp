// The car PC loses power while a video plays: the program is killed outright, started
// again with --car-only, and goes on with that video where it stood. Watched as the desktop
// sees it, through playerctl on a private session bus (run under dbus-run-session). Which
// sessions go on (not a paused one, not with the Support switch off) is the library's rule.

#include "support/TestSupport.h"

#include "library/LastSession.h"
#include "library/PlaybackPositions.h"
#include "library/Samples.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace kavio::app {
namespace {

namespace fs = std::filesystem;

constexpr int kSlowStartMs = 30000; // the first start of a loaded machine's media stack

class CarStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus: run under dbus-run-session";
        for (const char* tool : {"playerctl", "ffmpeg"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                GTEST_SKIP() << tool << " is not installed";
        }
        clip = scratch.documents() / "Trips" / "drive.mp4";
        fs::create_directories(clip.parent_path());
        int code = -1;
        kavio::test::run("ffmpeg -y -loglevel error -f lavfi -i color=c=green:s=160x120:r=10:d=90 -f lavfi -i sine=d=90 "
                         "-shortest -c:v libx264 -pix_fmt yuv420p -c:a aac '" + clip.string() + "' 2>&1", &code);
        ASSERT_EQ(code, 0);
    }

    void TearDown() override { killHard(); }

    void start(const QStringList& arguments)
    {
        // Offscreen, as the test itself runs.
        kavio.start(QStringLiteral(KAVIO_APP), QStringList{QStringLiteral("--car-only")} + arguments);
        ASSERT_TRUE(kavio.waitForStarted());
    }
    // SIGKILL: the power goes, nothing is flushed on the way out.
    void killHard()
    {
        if (kavio.state() == QProcess::NotRunning)
            return;
        kavio.kill();
        kavio.waitForFinished();
    }

    static QString playerctl(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral("playerctl"), QStringList{QStringLiteral("-p"), QStringLiteral("kavio")} + arguments);
        process.waitForFinished(10000);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }
    static bool playing() { return playerctl({QStringLiteral("status")}) == QLatin1String("Playing"); }
    static double position() { return playerctl({QStringLiteral("position")}).toDouble(); }
    static bool waitFor(const std::function<bool()>& done, int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms)
                return false;
            QTest::qWait(100);
        }
        return true;
    }

    kavio::test::ScratchHome scratch;
    fs::path clip;
    QProcess kavio;
};

// How soon is bench/media/subtitles_and_continue.py's to measure; here only that it does,
// and where: positions are written every five seconds while playing, and resume three
// seconds back.
TEST_F(CarStart, AVideoKilledWhilePlayingPlaysOnAtItsResumePosition)
{
    start({QString::fromStdString(clip.string())});
    ASSERT_TRUE(waitFor([] { return playing() && position() >= 12.0; }, kSlowStartMs + 12'000))
        << kavio.readAllStandardError().toStdString();
    const double stoppedAt = position();
    killHard();
    const auto killedAt = fs::file_time_type::clock::now();
    const fs::path positions = scratch.stateHome() / "Kavio" / "positions.plist";
    ASSERT_TRUE(fs::exists(positions));
    EXPECT_FALSE(PlaybackPositions(positions).setAside()) << "what was last written loads";
    // A second's grace for a busy machine.
    EXPECT_LE(killedAt - fs::last_write_time(positions), std::chrono::seconds(6));
    const std::optional<PlayerSession> session = LastSession(scratch.stateHome() / "Kavio" / "playing.plist").session();
    ASSERT_TRUE(session);
    EXPECT_EQ(session->state, PlayerSession::State::Playing);
    EXPECT_TRUE(fs::exists(defaultSamplesMarker())) << "asked on the first run";
    EXPECT_FALSE(fs::exists(scratch.documents() / kSamplesFolderName)) << "never on top of a library";

    start({});
    ASSERT_TRUE(waitFor([] { return playing() && position() > 0.5; }, kSlowStartMs)) << kavio.readAllStandardError().toStdString();
    EXPECT_EQ(playerctl({QStringLiteral("metadata"), QStringLiteral("title")}), "drive");
    const double at = position();
    EXPECT_GE(at, stoppedAt - 5.0 - 3.0 - 1.0);
    EXPECT_LE(at, stoppedAt + 3.0);
}

} // namespace
} // namespace kavio::app
