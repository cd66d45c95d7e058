#pragma once
// The car's player screen on a fake player, over an offscreen car window with a scratch
// library of three videos and positions, picks and session files of its own.

#include "support/CarplayTestSupport.h"

#include "carplay/KavioController.h"
#include "carplay/PlaybackMemory.h"
#include "library/PlaybackPositions.h"
#include "library/StateFiles.h"
#include "platform/nowplaying/RemoteCommandCenter.h"
#include "platform/testing/FakePlayer.h"

#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

namespace kavio::carplay {

using platform::CommandStatus;
using platform::RemoteCommandKind;
using test::record;

class PlayerScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlaybackMemory::useFile(positionsFile);
        for (const char* name : {"a.mp4", "b.mp4", "c.mp4"})
            kavio::test::writeFile(library.documents() / name, std::string("video ") + name);
    }
    void TearDown() override
    {
        waitForBackgroundSaves();
        waitForStateWrites();
    }

    KavioController* open(RecordList records, std::size_t start, const std::string& urlLink = "")
    {
        return test::presentPlayer(car, library, std::move(records), start, urlLink);
    }

    platform::FakePlayer& player() { return *factory.last(); }

    QString fileUrl(const std::string& name) const
    {
        return QUrl::fromLocalFile(QString::fromStdString((library.documents() / name).string())).toString();
    }

    // The URLs the player was asked to play, in order, and the seeks.
    QStringList played() { return player().calls().filter(QRegularExpression("^replace ")).replaceInStrings("replace ", ""); }
    QStringList seeks() { return player().calls().filter(QRegularExpression("^seek ")); }
    void press(KavioController* screen, Qt::Key key)
    {
        QTest::keyClick(screen->view(), key);
        test::CarWindow::settle();
    }
    void playFor(double seconds)
    {
        player().setDuration(600);
        player().advanceTime(seconds);
    }

    static CommandStatus command(RemoteCommandKind kind) { return platform::RemoteCommandCenter::shared().dispatch(kind); }

    static void close(KavioController* screen)
    {
        screen->CloseTap();
        test::CarWindow::settle();
    }

    static RecordList abc() { return {record("a"), record("b"), record("c")}; }

    test::Library library;
    test::CarWindow car;
    platform::FakePlayerFactory factory;
    kavio::test::ScratchFolder state;
    const std::filesystem::path positionsFile = state / "positions.plist";
};

} // namespace kavio::carplay
