// Remote commands: nothing reaches a target once removed or once its owner died.

#include "platform/nowplaying/RemoteCommandCenter.h"

#include <gtest/gtest.h>

#include <memory>

namespace kavio::platform {
namespace {

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

TEST_F(RemoteCommandTest, RemovedTargetsAreNeverCalled)
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
    EXPECT_EQ(calls, 0);
}

TEST_F(RemoteCommandTest, OwnerDeathWithdrawsItsTargetsAndAnnouncesIt)
{
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
    EXPECT_EQ(announcements, 2);
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
