// The now-playing record and the commands as MPRIS reads them, without a bus; remote commands
// reach no target once removed or once its owner died.

#include "platform/nowplaying/MprisArtworkStore.h"
#include "platform/nowplaying/MprisMetadata.h"
#include "platform/nowplaying/MprisService.h"
#include "platform/nowplaying/RemoteCommandCenter.h"

#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace kavio::platform {
namespace {

NowPlayingInfo entry(const QString& trackId, double elapsed = 0.0)
{
    NowPlayingInfo info;
    info.trackId = trackId;
    info.title = QStringLiteral("Beach day");
    info.artist = QStringLiteral("Ana");
    info.elapsedPlaybackTime = elapsed;
    return info;
}

TEST(MprisMetadataTest, MetadataCarriesWhatIsKnownAndLeavesOutTheRest)
{
    NowPlayingInfo info = entry("7");
    info.playbackDuration = 83.5;
    const QVariantMap full = mprisMetadata(info, "file:///run/user/1000/kavio-1/art-1.png");
    EXPECT_EQ(full.value("xesam:title").toString(), "Beach day");
    EXPECT_EQ(full.value("xesam:artist").toStringList(), QStringList{"Ana"});
    EXPECT_EQ(full.value("mpris:trackid").value<QDBusObjectPath>().path(), "/org/kavio/track/7");
    EXPECT_EQ(full.value("mpris:artUrl").toString(), "file:///run/user/1000/kavio-1/art-1.png");
    EXPECT_EQ(full.value("mpris:length").toLongLong(), 83'500'000);
    NowPlayingInfo bare;
    bare.trackId = "3";
    EXPECT_EQ(mprisMetadata(bare, {}).keys(), QStringList{"mpris:trackid"});
    EXPECT_EQ(mprisMetadata(std::nullopt, {}).value("mpris:trackid").value<QDBusObjectPath>().path(),
              QString(kMprisNoTrack));
    EXPECT_EQ(mprisPlaybackStatus(PlaybackState::Unknown, true), "Paused");
    EXPECT_EQ(mprisPlaybackStatus(PlaybackState::Playing, false), "Stopped") << "nothing to play";
    EXPECT_EQ(mprisPosition(entry("1", 12.25)), 12'250'000);
    EXPECT_EQ(mprisPosition(entry("1", -1.0)), 0);
}

TEST(MprisMetadataTest, TrackPathsAreValidAndDistinct)
{
    const std::pair<QString, QString> rows[] = {
        {"12", "/org/kavio/track/12"},
        {"/org/kavio/track/q3_1", "/org/kavio/track/q3_1"}, // already ours
        {"", "/org/kavio/track/_"},
        {"a_20b", "/org/kavio/track/a_5f20b"}, // must not collide with "a b"
        {"/Videos/été.mp4", "/org/kavio/track/_2fVideos_2f_c3_a9t_c3_a9_2emp4"},
    };
    for (const auto& [id, path] : rows)
        EXPECT_EQ(mprisTrackPath(id).path(), path) << id.toStdString();
}

class MprisPropertiesTest : public ::testing::Test {
protected:
    MprisPlayerProperties properties(const std::optional<NowPlayingInfo>& info, PlaybackState state)
    {
        return mprisPlayerProperties(info, state, {}, mprisCommandAvailability(commands));
    }
    QStringList changed(const NowPlayingInfo& before, PlaybackState was, const NowPlayingInfo& after, PlaybackState is)
    {
        return mprisChangedProperties(properties(before, was), properties(after, is)).keys();
    }

    RemoteCommandCenter commands;
    QObject queue;
};

TEST_F(MprisPropertiesTest, ChangesCarryMetadataWithStatusAndNeverTheElapsedTime)
{
    constexpr auto Playing = PlaybackState::Playing;
    EXPECT_EQ(changed(entry("1", 40.0), Playing, entry("2"), Playing), (QStringList{"Metadata", "PlaybackStatus"}));
    EXPECT_EQ(changed(entry("1", 1.0), Playing, entry("1", 1.5), Playing), QStringList());
    EXPECT_EQ(changed(entry("1"), Playing, entry("1"), PlaybackState::Paused), QStringList{"PlaybackStatus"});
}

TEST_F(MprisPropertiesTest, ControlsAreOfferedWhileTheQueueHasEnabledTargets)
{
    const auto closed = properties(std::nullopt, PlaybackState::Stopped);
    EXPECT_FALSE(closed.canGoNext || closed.canGoPrevious || closed.canPlay || closed.canPause);
    for (RemoteCommand* command :
         {&commands.nextTrackCommand(), &commands.previousTrackCommand(), &commands.togglePlayPauseCommand()})
        command->addTarget(&queue, [] { return CommandStatus::Success; });
    const auto open = properties(entry("1"), PlaybackState::Playing);
    EXPECT_TRUE(open.canGoNext && open.canGoPrevious && open.canPlay && open.canPause);
    EXPECT_TRUE(mprisChangedProperties(closed, open).value("CanGoNext").toBool());
    commands.nextTrackCommand().setEnabled(false);
    EXPECT_FALSE(properties(entry("1"), PlaybackState::Playing).canGoNext);
}

TEST(MprisArtworkStoreTest, WritesOncePerEntryAndPictureAndLeavesNoStaleFiles)
{
    QTemporaryDir runtime;
    const QString directory = QDir(runtime.path()).filePath("kavio-test");
    const auto thumbnail = [](QColor colour) {
        QImage image(32, 24, QImage::Format_RGB32);
        image.fill(colour);
        return image;
    };
    const auto exists = [](const QString& url) { return QFileInfo::exists(QUrl(url).toLocalFile()); };
    NowPlayingInfo info = entry("1");
    {
        MprisArtworkStore store(directory);
        info.artwork = thumbnail(Qt::red);
        const QString first = store.artUrl(info);
        info.elapsedPlaybackTime = 0.5;
        info.artwork = thumbnail(Qt::red); // decoded again: same pixels, new image
        EXPECT_EQ(store.artUrl(info), first);
        EXPECT_EQ(store.writeCount(), 1);
        EXPECT_EQ(QImage(QUrl(first).toLocalFile()).pixelColor(0, 0), QColor(Qt::red));
        info.artwork = thumbnail(Qt::blue);
        const QString second = store.artUrl(info);
        info.trackId = "2";
        const QString third = store.artUrl(info);
        EXPECT_TRUE(first != second && second != third);
        EXPECT_FALSE(exists(first) || exists(second));
        EXPECT_TRUE(exists(third));
        info.artwork.reset();
        EXPECT_TRUE(store.artUrl(info).isEmpty()) << "no picture, no file";
        EXPECT_FALSE(exists(third));
        info.artwork = thumbnail(Qt::green);
        EXPECT_FALSE(store.artUrl(info).isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(directory)) << "the store takes its folder along";
}

// Desktops without a session bus are common in cars: no service, and not a word on stderr.
TEST(MprisServiceTest, WithoutASessionBusNothingStartsAndNothingIsPrinted)
{
    if (QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "a session bus is reachable";
    static int messages = 0;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) { ++messages; });
    EXPECT_EQ(MprisService::start(), nullptr);
    qInstallMessageHandler(previous);
    EXPECT_EQ(messages, 0);
}

class RemoteCommandTest : public ::testing::Test {
protected:
    std::function<CommandStatus()> counting(CommandStatus status = CommandStatus::Success)
    {
        return [this, status] {
            ++calls;
            return status;
        };
    }

    RemoteCommandCenter center; // a private centre: the shared one belongs to MPRIS
    QObject owner;
    int calls = 0;
};

TEST_F(RemoteCommandTest, TheNewestTargetAnswersUnlessThereIsNoneOrTheCommandIsOff)
{
    EXPECT_EQ(center.dispatch(RemoteCommandKind::Play), CommandStatus::NoHandler);
    EXPECT_FALSE(center.playCommand().isAvailable());
    center.playCommand().addTarget(&owner, counting(CommandStatus::CommandFailed));
    {
        QObject newer;
        center.playCommand().addTarget(&newer, [] { return CommandStatus::NoSuchContent; });
        EXPECT_EQ(center.dispatch(RemoteCommandKind::Play), CommandStatus::NoSuchContent);
    }
    EXPECT_EQ(center.dispatch(RemoteCommandKind::Play), CommandStatus::CommandFailed);
    const int before = calls;
    center.playCommand().setEnabled(false);
    EXPECT_EQ(center.dispatch(RemoteCommandKind::Play), CommandStatus::Disabled);
    EXPECT_EQ(calls, before);
}

TEST_F(RemoteCommandTest, RemovedTargetsAndThoseOfADeadOwnerAreNeverCalled)
{
    QObject other;
    const CommandTargetToken token = center.playCommand().addTarget(&other, counting());
    center.nextTrackCommand().removeTarget(token); // another command's token: no effect
    EXPECT_TRUE(center.playCommand().hasTargets());
    center.playCommand().removeTarget(token);
    center.pauseCommand().addTarget(&owner, counting());
    center.pauseCommand().addTarget(&other, [] { return CommandStatus::NoSuchContent; });
    center.nextTrackCommand().addTarget(&owner, counting());
    center.removeTargets(&owner);
    EXPECT_EQ(center.dispatch(RemoteCommandKind::Play), CommandStatus::NoHandler);
    EXPECT_EQ(center.dispatch(RemoteCommandKind::NextTrack), CommandStatus::NoHandler);
    EXPECT_EQ(center.dispatch(RemoteCommandKind::Pause), CommandStatus::NoSuchContent) << "others keep theirs";

    int announcements = 0;
    QObject::connect(&center, &RemoteCommandCenter::availabilityChanged, &owner, [&] { ++announcements; });
    auto screen = std::make_unique<QObject>();
    center.nextTrackCommand().addTarget(screen.get(), counting());
    center.previousTrackCommand().addTarget(screen.get(), counting());
    announcements = 0;
    screen.reset();
    EXPECT_EQ(center.dispatch(RemoteCommandKind::NextTrack), CommandStatus::NoHandler);
    EXPECT_EQ(center.dispatch(RemoteCommandKind::PreviousTrack), CommandStatus::NoHandler);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(announcements, 2) << "each command the owner's death emptied says so";
}

TEST_F(RemoteCommandTest, HandlerMayCloseItsOwnScreen)
{
    auto screen = std::make_unique<QObject>();
    center.pauseCommand().addTarget(screen.get(), [&] {
        screen.reset(); // closing the player from its own command
        return CommandStatus::Success;
    });
    EXPECT_EQ(center.dispatch(RemoteCommandKind::Pause), CommandStatus::Success);
    EXPECT_EQ(center.dispatch(RemoteCommandKind::Pause), CommandStatus::NoHandler);
}

} // namespace
} // namespace kavio::platform
