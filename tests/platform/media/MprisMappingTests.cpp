// How the now-playing record and the commands read on MPRIS, without a bus: metadata,
// status, position, the PropertiesChanged contents, and the artwork files.

#include "platform/MprisArtworkStore.h"
#include "platform/MprisMetadata.h"
#include "platform/RemoteCommandCenter.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

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

QImage thumbnail(QColor colour)
{
    QImage image(32, 24, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

TEST(MprisMetadataTest, NothingPlayingIsNoTrackAndStopped)
{
    const QVariantMap metadata = mprisMetadata(std::nullopt, {});
    EXPECT_EQ(metadata.size(), 1);
    EXPECT_EQ(metadata.value("mpris:trackid").value<QDBusObjectPath>().path(), QString(kMprisNoTrack));
    EXPECT_EQ(mprisPlaybackStatus(PlaybackState::Playing, false), "Stopped");
    EXPECT_EQ(mprisPosition(std::nullopt), 0);
}

TEST(MprisMetadataTest, EntryCarriesTitleArtistListTrackArtworkAndLength)
{
    NowPlayingInfo info = entry("7");
    info.playbackDuration = 83.5;
    const QVariantMap metadata = mprisMetadata(info, "file:///run/user/1000/kavio-1/art-1.png");
    EXPECT_EQ(metadata.value("xesam:title").toString(), "Beach day");
    EXPECT_EQ(metadata.value("xesam:artist").toStringList(), QStringList{"Ana"});
    EXPECT_EQ(metadata.value("mpris:trackid").value<QDBusObjectPath>().path(), "/org/kavio/track/7");
    EXPECT_EQ(metadata.value("mpris:artUrl").toString(), "file:///run/user/1000/kavio-1/art-1.png");
    EXPECT_EQ(metadata.value("mpris:length").toLongLong(), 83'500'000);
}

TEST(MprisMetadataTest, AbsentFieldsAreLeftOut)
{
    NowPlayingInfo info;
    info.trackId = "3";
    const QVariantMap metadata = mprisMetadata(info, {});
    EXPECT_EQ(metadata.keys(), QStringList{"mpris:trackid"});
}

TEST(MprisMetadataTest, TrackPathsAreValidAndDistinct)
{
    const struct {
        QString id;
        QString path;
    } rows[] = {
        {"12", "/org/kavio/track/12"},
        {"/org/kavio/track/q3_1", "/org/kavio/track/q3_1"},
        {"/org/mpris/MediaPlayer2/TrackList/NoTrack", "/org/kavio/track/_2forg_2fmpris_2fMediaPlayer2_2fTrackList_2fNoTrack"},
        {"", "/org/kavio/track/_"},
        {"a b", "/org/kavio/track/a_20b"},
        {"a_20b", "/org/kavio/track/a_5f20b"},
        {"/Videos/été.mp4", "/org/kavio/track/_2fVideos_2f_c3_a9t_c3_a9_2emp4"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(mprisTrackPath(row.id).path(), row.path) << row.id.toStdString();
}

TEST(MprisMetadataTest, PlaybackStatusFollowsTheState)
{
    const struct {
        PlaybackState state;
        const char* status;
    } rows[] = {
        {PlaybackState::Playing, "Playing"},
        {PlaybackState::Paused, "Paused"},
        {PlaybackState::Stopped, "Stopped"},
        {PlaybackState::Unknown, "Paused"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(mprisPlaybackStatus(row.state, true), row.status);
}

TEST(MprisMetadataTest, PositionIsTheElapsedTimeInMicroseconds)
{
    EXPECT_EQ(mprisPosition(entry("1", 12.25)), 12'250'000);
    EXPECT_EQ(mprisPosition(entry("1", -1.0)), 0);
}

class MprisPropertiesTest : public ::testing::Test {
protected:
    MprisPlayerProperties properties(const std::optional<NowPlayingInfo>& info, PlaybackState state)
    {
        return mprisPlayerProperties(info, state, {}, mprisCommandAvailability(commands));
    }

    RemoteCommandCenter commands;
    QObject queue;
};

TEST_F(MprisPropertiesTest, TrackChangeCarriesMetadataAndStatusTogether)
{
    const auto before = properties(entry("1", 40.0), PlaybackState::Playing);
    const auto after = properties(entry("2"), PlaybackState::Playing);
    const QVariantMap changed = mprisChangedProperties(before, after);
    EXPECT_EQ(changed.keys(), (QStringList{"Metadata", "PlaybackStatus"}));
    EXPECT_EQ(changed.value("PlaybackStatus").toString(), "Playing");
}

TEST_F(MprisPropertiesTest, ElapsedTimeAloneSignalsNothing)
{
    const auto before = properties(entry("1", 1.0), PlaybackState::Playing);
    const auto after = properties(entry("1", 1.5), PlaybackState::Playing);
    EXPECT_TRUE(mprisChangedProperties(before, after).isEmpty());
}

TEST_F(MprisPropertiesTest, PauseSignalsOnlyTheStatus)
{
    const auto before = properties(entry("1"), PlaybackState::Playing);
    const auto after = properties(entry("1"), PlaybackState::Paused);
    EXPECT_EQ(mprisChangedProperties(before, after).keys(), QStringList{"PlaybackStatus"});
}

TEST_F(MprisPropertiesTest, ControlsAreOfferedWhileTheQueueHasTargets)
{
    const auto closed = properties(std::nullopt, PlaybackState::Stopped);
    EXPECT_FALSE(closed.canGoNext || closed.canGoPrevious || closed.canPlay || closed.canPause);
    commands.nextTrackCommand().addTarget(&queue, [] { return CommandStatus::Success; });
    commands.previousTrackCommand().addTarget(&queue, [] { return CommandStatus::Success; });
    commands.togglePlayPauseCommand().addTarget(&queue, [] { return CommandStatus::Success; });
    const auto open = properties(entry("1"), PlaybackState::Playing);
    EXPECT_TRUE(open.canGoNext && open.canGoPrevious && open.canPlay && open.canPause);
    const QVariantMap changed = mprisChangedProperties(closed, open);
    EXPECT_TRUE(changed.value("CanGoNext").toBool());
    commands.nextTrackCommand().setEnabled(false);
    EXPECT_FALSE(properties(entry("1"), PlaybackState::Playing).canGoNext);
}

class MprisArtworkStoreTest : public ::testing::Test {
protected:
    QString artPath(const QString& url) { return QUrl(url).toLocalFile(); }

    QTemporaryDir runtime;
    QString directory = QDir(runtime.path()).filePath("kavio-test");
};

TEST_F(MprisArtworkStoreTest, WritesOncePerEntryAndPicture)
{
    MprisArtworkStore store(directory);
    NowPlayingInfo info = entry("1");
    info.artwork = thumbnail(Qt::red);
    const QString first = store.artUrl(info);
    info.elapsedPlaybackTime = 0.5;
    info.artwork = thumbnail(Qt::red); // decoded again: same pixels, new image
    EXPECT_EQ(store.artUrl(info), first);
    EXPECT_EQ(store.writeCount(), 1);
    EXPECT_TRUE(QFileInfo(artPath(first)).isFile());
    EXPECT_EQ(QImage(artPath(first)).pixelColor(0, 0), QColor(Qt::red));
}

TEST_F(MprisArtworkStoreTest, NewEntryOrPictureGetsANewFileAndTheOldOneGoes)
{
    MprisArtworkStore store(directory);
    NowPlayingInfo info = entry("1");
    info.artwork = thumbnail(Qt::red);
    const QString first = store.artUrl(info);
    info.artwork = thumbnail(Qt::blue);
    const QString second = store.artUrl(info);
    info.trackId = "2";
    const QString third = store.artUrl(info);
    EXPECT_NE(first, second);
    EXPECT_NE(second, third);
    EXPECT_FALSE(QFileInfo::exists(artPath(first)));
    EXPECT_FALSE(QFileInfo::exists(artPath(second)));
    EXPECT_TRUE(QFileInfo::exists(artPath(third)));
}

TEST_F(MprisArtworkStoreTest, NoPictureMeansNoUrlAndNoFile)
{
    MprisArtworkStore store(directory);
    NowPlayingInfo info = entry("1");
    info.artwork = thumbnail(Qt::red);
    const QString first = store.artUrl(info);
    info.artwork.reset();
    EXPECT_TRUE(store.artUrl(info).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(artPath(first)));
}

TEST_F(MprisArtworkStoreTest, EndingRemovesTheFilesAndTheDirectory)
{
    {
        MprisArtworkStore store(directory);
        NowPlayingInfo info = entry("1");
        info.artwork = thumbnail(Qt::green);
        EXPECT_FALSE(store.artUrl(info).isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(directory));
}

} // namespace
} // namespace kavio::platform
