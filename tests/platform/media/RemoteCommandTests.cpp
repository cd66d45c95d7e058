// Remote commands: who answers, what they answer, and that nothing reaches a target
// after it was removed or its owner died.

#include "platform/RemoteCommandCenter.h"

#include <gtest/gtest.h>

#include <memory>

namespace kavio::platform {
namespace {

class RemoteCommandTest : public ::testing::Test {
protected:
    RemoteCommandCenter center; // a private centre: the shared one belongs to MPRIS
    QObject owner;
};

TEST_F(RemoteCommandTest, CommandWithoutTargetHasNoHandler)
{
    EXPECT_EQ(center.dispatch(RemoteCommandKind::NextTrack), CommandStatus::NoHandler);
    EXPECT_FALSE(center.nextTrackCommand().isAvailable());
}

TEST_F(RemoteCommandTest, HandlerStatusComesBackToTheCaller)
{
    for (const CommandStatus status : {CommandStatus::Success, CommandStatus::NoSuchContent,
                                       CommandStatus::NoActionableNowPlayingItem, CommandStatus::CommandFailed}) {
        QObject handlerOwner;
        center.playCommand().addTarget(&handlerOwner, [status] { return status; });
        EXPECT_EQ(center.dispatch(RemoteCommandKind::Play), status);
    }
}

TEST_F(RemoteCommandTest, DisabledCommandReachesNoTarget)
{
    int calls = 0;
    center.pauseCommand().addTarget(&owner, [&] { ++calls; return CommandStatus::Success; });
    center.pauseCommand().setEnabled(false);
    EXPECT_EQ(center.dispatch(RemoteCommandKind::Pause), CommandStatus::Disabled);
    EXPECT_FALSE(center.pauseCommand().isAvailable());
    EXPECT_EQ(calls, 0);
}

TEST_F(RemoteCommandTest, NewestTargetAnswers)
{
    QObject newer;
    center.togglePlayPauseCommand().addTarget(&owner, [] { return CommandStatus::CommandFailed; });
    center.togglePlayPauseCommand().addTarget(&newer, [] { return CommandStatus::Success; });
    EXPECT_EQ(center.dispatch(RemoteCommandKind::TogglePlayPause), CommandStatus::Success);
}

TEST_F(RemoteCommandTest, RemovedTargetIsNeverCalled)
{
    int calls = 0;
    const CommandTargetToken token = center.playCommand().addTarget(&owner, [&] { ++calls; return CommandStatus::Success; });
    center.nextTrackCommand().removeTarget(token); // another command's token: no effect
    EXPECT_TRUE(center.playCommand().hasTargets());
    center.playCommand().removeTarget(token);
    EXPECT_EQ(center.dispatch(RemoteCommandKind::Play), CommandStatus::NoHandler);
    EXPECT_EQ(calls, 0);
}

TEST_F(RemoteCommandTest, OwnerDeathWithdrawsItsTargetsAndAnnouncesIt)
{
    int calls = 0;
    int announcements = 0;
    QObject::connect(&center, &RemoteCommandCenter::availabilityChanged, &owner, [&] { ++announcements; });
    auto screen = std::make_unique<QObject>();
    center.nextTrackCommand().addTarget(screen.get(), [&] { ++calls; return CommandStatus::Success; });
    center.previousTrackCommand().addTarget(screen.get(), [&] { ++calls; return CommandStatus::Success; });
    announcements = 0;
    screen.reset();
    EXPECT_EQ(center.dispatch(RemoteCommandKind::NextTrack), CommandStatus::NoHandler);
    EXPECT_EQ(center.dispatch(RemoteCommandKind::PreviousTrack), CommandStatus::NoHandler);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(announcements, 2);
}

TEST_F(RemoteCommandTest, RemoveTargetsOfOwnerClearsEveryCommand)
{
    QObject other;
    center.playCommand().addTarget(&owner, [] { return CommandStatus::Success; });
    center.pauseCommand().addTarget(&owner, [] { return CommandStatus::Success; });
    center.pauseCommand().addTarget(&other, [] { return CommandStatus::NoSuchContent; });
    center.removeTargets(&owner);
    EXPECT_FALSE(center.playCommand().hasTargets());
    EXPECT_EQ(center.dispatch(RemoteCommandKind::Pause), CommandStatus::NoSuchContent);
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
