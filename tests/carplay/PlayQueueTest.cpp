// The player's rules without a screen: the order a queue plays in, the previous-track rule,
// what each entry plays, what the system controls are told, how a chosen file opens, and
// how what plays is kept for the car's next start and found again.

#include "support/TestSupport.h"

#include "carplay/PlayQueue.h"
#include "carplay/PlayerOpening.h"

#include <gtest/gtest.h>

namespace kavio::carplay {
namespace {

namespace fs = std::filesystem;
using kavio::test::record;

const fs::path kFolder = "/videos/Trips";

PlayQueue queueOf(std::size_t start, RecordList records = {record("a"), record("b"), record("c")})
{
    PlayQueue::Opening opening;
    opening.DOC_PATH = kFolder;
    opening.videoPath = kFolder / "first.mp4";
    opening.infos = std::make_shared<const RecordList>(std::move(records));
    opening.currentIndex = start;
    return PlayQueue(std::move(opening));
}

TEST(PlayQueue, AdvanceWrapsRoundAndSelectIgnoresPositionsOutsideTheQueue)
{
    struct Row {
        std::size_t count, start;
        std::vector<std::size_t> advances; // currentIndex after each advance
    };
    const Row rows[] = {
        {3, 2, {0, 1, 2}},
        {1, 0, {0, 0}},    // one entry replays
        {1, 5, {0}},       // a start outside the queue is clamped
        {0, 0, {0}},       // an empty queue stays put
    };
    for (const Row& row : rows) {
        RecordList records;
        for (std::size_t i = 0; i < row.count; ++i)
            records.push_back(record(std::string(1, char('a' + i))));
        PlayQueue q = queueOf(row.start, records);
        for (std::size_t expected : row.advances)
            EXPECT_EQ(q.advance(), expected) << row.count << " from " << row.start;
    }
    PlayQueue q = queueOf(1);
    q.select(7);
    EXPECT_EQ(q.currentIndex(), 1u);
    q.select(2);
    EXPECT_EQ(q.currentIndex(), 2u);
}

TEST(PlayQueue, PreviousRestartsAfterThreeSecondsAndElseMovesBackRound)
{
    struct Row {
        std::size_t start;
        double elapsed;
        PreviousStep step;
        std::size_t index;
    };
    const Row rows[] = {
        {0, 1.0, PreviousStep::MovedBack, 2}, // from the first back to the last
        {2, 3.0, PreviousStep::MovedBack, 1}, // three seconds exactly still moves back
        {2, 3.1, PreviousStep::RestartedCurrent, 2},
        {1, 40, PreviousStep::RestartedCurrent, 1},
    };
    for (const Row& row : rows) {
        PlayQueue q = queueOf(row.start);
        EXPECT_EQ(q.previous(row.elapsed), row.step) << row.elapsed;
        EXPECT_EQ(q.currentIndex(), row.index) << row.elapsed;
    }
    EXPECT_EQ(queueOf(0, {}).previous(0), PreviousStep::RestartedCurrent);
}

TEST(PlayQueue, TheFirstEntryPlaysWhatTheOpenerBuiltAndTheOthersTheirRecords)
{
    PlayQueue q = queueOf(0, {record("a", "MOV"), record("Live", "mp4", "https://example.com/live.m3u8")});
    EXPECT_EQ(q.firstSource().url, QUrl::fromLocalFile("/videos/Trips/first.mp4"));
    EXPECT_EQ(q.sourceOf(0).kind, PlaySource::Kind::File);
    EXPECT_EQ(q.sourceOf(0).url, QUrl::fromLocalFile("/videos/Trips/a.MOV"));
    EXPECT_EQ(q.sourceOf(1).kind, PlaySource::Kind::Stream);
    EXPECT_EQ(q.sourceOf(1).url, QUrl("https://example.com/live.m3u8"));
}

// The system's now-playing list keys on the track id: a repeat would merge entries.
TEST(PlayQueue, NowPlayingLeavesOutWhatTheRecordLacksAndTrackIdsNeverRepeat)
{
    RecordPtr bare = record("bare");
    bare->ARTIST.reset();
    bare->imgData.reset();
    PlayQueue q = queueOf(0, {record("full"), bare});
    const NowPlayingContent full = q.nowPlaying(1.5);
    EXPECT_EQ(full.title, QString("full"));
    EXPECT_EQ(full.artist, QString("by full"));
    EXPECT_FALSE(full.thumbnail.view().empty());
    EXPECT_EQ(full.elapsed, 1.5);
    q.advance();
    const NowPlayingContent second = q.nowPlaying(0);
    EXPECT_EQ(second.title, QString("bare"));
    EXPECT_FALSE(second.artist);
    EXPECT_TRUE(second.thumbnail.view().empty());
    EXPECT_NE(second.trackId, full.trackId);
    EXPECT_NE(queueOf(0).trackId(0), queueOf(0).trackId(0)) << "another player's entries";
}

// The queue is the folder as its list reads (natural order, files without a record titled
// by their name), not the store's order; a listed file plays its record's own file, one the
// list does not show plays alone.
TEST(PlayerOpening, AChosenFilePlaysWithItsFolderInListOrderOrAloneWhenNotListed)
{
    kavio::test::ScratchFolder folder;
    for (const char* name : {"b.MOV", "a.mp4", "dashcam.m4v", ".hidden.mp4"})
        kavio::test::writeFile(folder / name, "x");
    RecordPtr a = record("a"), b = record("b");
    const auto records = std::make_shared<const RecordList>(RecordList{b, a});
    const PlayQueue::Opening found = openingForFile(folder.path(), records, "b.MOV");
    std::vector<std::string> titles;
    for (const RecordPtr& r : *found.infos)
        titles.push_back(r->FILENAME.value_or(""));
    EXPECT_EQ(titles, (std::vector<std::string>{"a", "b", "dashcam"}));
    EXPECT_EQ(found.currentIndex, 1u);
    EXPECT_EQ((*found.infos)[1], b) << "a listed file plays as its record";
    EXPECT_EQ(found.videoPath, folder / "b.mp4") << "the record's own file";

    const PlayQueue::Opening alone = openingForFile(folder.path(), records, ".hidden.mp4");
    ASSERT_EQ(alone.infos->size(), 1u);
    EXPECT_EQ(alone.videoPath, folder / ".hidden.mp4");
    EXPECT_EQ(alone.infos->front()->EXTENSION, "mp4");

    const PlayQueue::Opening stream = openingForStream(QUrl("https://example.com/live/stream.m3u8"));
    EXPECT_EQ(PlayQueue(stream).firstSource().url, QUrl("https://example.com/live/stream.m3u8"));
    EXPECT_EQ(stream.infos->front()->FILENAME, "stream.m3u8");
}

TEST(PlayerOpening, WhatPlaysIsKeptByFolderFileNameAndKeyOrByTheStreamsAddress)
{
    PlayQueue queue = queueOf(1);
    PlayQueue::Opening opening;
    opening.DOC_PATH = kFolder;
    const PlayerSession file = playingSession(opening, queue.entry(1), queue.sourceOf(1));
    EXPECT_EQ(file.queue, PlayerSession::Queue::Folder);
    EXPECT_EQ(file.state, PlayerSession::State::Playing);
    EXPECT_EQ(file.folder, kFolder);
    EXPECT_EQ(file.entry, "b.mp4");
    EXPECT_EQ(file.key, "kKVb");

    // A stream listed in a folder is its record's placeholder file there.
    RecordPtr live = record("Live", "mp4", "https://example.com/live.m3u8");
    const PlayQueue listed = queueOf(0, {live});
    EXPECT_EQ(playingSession(opening, *live, listed.sourceOf(0)).entry, "Live.mp4");

    const PlayQueue::Opening alone = openingForStream(QUrl("https://example.com/a b.m3u8"));
    const PlayerSession stream = playingSession(alone, *alone.infos->front(), PlayQueue(alone).firstSource());
    EXPECT_EQ(stream.queue, PlayerSession::Queue::Stream);
    EXPECT_EQ(stream.url, "https://example.com/a%20b.m3u8");
    EXPECT_EQ(PlayQueue(openingToContinue(stream, nullptr)).firstSource().url, QUrl("https://example.com/a%20b.m3u8"));
}

TEST(PlayerOpening, ASessionGoesOnAtItsEntryAndTheKeyTellsRecordsOfOneTitleApart)
{
    kavio::test::ScratchFolder folder;
    for (const char* name : {"a.mp4", "trip.mp4", "trip.mov"})
        kavio::test::writeFile(folder / name, "x");
    RecordPtr a = record("a"), first = record("trip"), second = record("trip", "mov");
    second->KEY = "kKVsecond";
    const auto records = std::make_shared<const RecordList>(RecordList{a, first, second});
    PlayerSession session;
    session.folder = folder.path();
    session.entry = "trip.mov";
    session.key = "kKVsecond";
    const PlayQueue::Opening keyed = openingToContinue(session, records);
    ASSERT_EQ(keyed.infos->size(), 3u) << "the whole folder is the queue";
    EXPECT_EQ(keyed.currentIndex, 1u) << "trip.mov before trip.mp4";
    EXPECT_EQ((*keyed.infos)[1], second);
    EXPECT_EQ(keyed.videoPath, folder / "trip.mov");

    session.key = "kKVgone"; // the record was edited since: the first of its title, as a tap would
    const PlayQueue::Opening untold = openingToContinue(session, records);
    EXPECT_EQ(untold.currentIndex, 1u);
    EXPECT_EQ((*untold.infos)[1], first);
}

} // namespace
} // namespace kavio::carplay
