#include "carplay/PlayQueue.h"

#include <gtest/gtest.h>

namespace kavio::carplay {
namespace {

class PlayQueueTest : public ::testing::Test {
protected:
    static RecordPtr record(const std::string& title, const std::string& ext = "mp4", const std::string& url = "")
    {
        auto r = std::make_shared<MovieInfo>();
        r->FILENAME = title;
        r->ARTIST = "by " + title;
        r->EXTENSION = ext;
        r->urlLink = url;
        r->KEY = "kKV" + title;
        return r;
    }

    static PlayQueue queueOf(RecordList records, std::size_t start)
    {
        PlayQueue::Opening opening;
        opening.DOC_PATH = "/docs/Trips";
        const MovieInfo& chosen = *records[start];
        opening.videoPath = opening.DOC_PATH / (*chosen.FILENAME + "." + *chosen.EXTENSION);
        opening.urlLink = chosen.urlLink.value_or("");
        opening.infos = std::make_shared<const RecordList>(std::move(records));
        opening.currentIndex = start;
        return PlayQueue(std::move(opening));
    }

    static std::vector<std::size_t> advances(PlayQueue& q, int n)
    {
        std::vector<std::size_t> seen{q.currentIndex()};
        for (int i = 0; i < n; ++i)
            seen.push_back(q.advance());
        return seen;
    }
};

TEST_F(PlayQueueTest, AdvanceWrapsFromLastToFirst)
{
    PlayQueue three = queueOf({record("a"), record("b"), record("c")}, 2);
    EXPECT_EQ(advances(three, 4), (std::vector<std::size_t>{2, 0, 1, 2, 0}));

    PlayQueue one = queueOf({record("solo")}, 0);
    EXPECT_EQ(advances(one, 2), (std::vector<std::size_t>{0, 0, 0}));
}

TEST_F(PlayQueueTest, SourcesOfFilesAndStreams)
{
    PlayQueue q = queueOf({record("clip", "MOV"), record("Live", "mp4", "https://example.com/live.m3u8"), record("empty", "mp4", "")}, 0);
    EXPECT_EQ(q.firstSource().url, QUrl::fromLocalFile("/docs/Trips/clip.MOV"));
    EXPECT_EQ(q.sourceOf(0).url, QUrl::fromLocalFile("/docs/Trips/clip.MOV"));
    // The stream plays although its placeholder file exists.
    EXPECT_EQ(q.sourceOf(1).kind, PlaySource::Kind::Stream);
    EXPECT_EQ(q.sourceOf(1).url, QUrl("https://example.com/live.m3u8"));
    EXPECT_EQ(q.sourceOf(2).kind, PlaySource::Kind::File);

    PlayQueue startOnStream = queueOf({record("clip"), record("Live", "mp4", "https://example.com/live.m3u8")}, 1);
    EXPECT_EQ(startOnStream.firstSource().kind, PlaySource::Kind::Stream);
}

TEST_F(PlayQueueTest, StripSelectionRestartsOrMoves)
{
    PlayQueue q = queueOf({record("a"), record("b"), record("c")}, 0);
    q.select(2);
    EXPECT_EQ(q.currentIndex(), 2u);
    q.select(2); // the playing entry: stays, the controller restarts it
    EXPECT_EQ(q.currentIndex(), 2u);
    q.select(7); // outside: ignored
    EXPECT_EQ(q.currentIndex(), 2u);
}

struct PreviousRow {
    std::size_t start;
    double elapsed;
    PreviousStep step;
    std::size_t index;
};

TEST_F(PlayQueueTest, PreviousFollowsTheThreeSecondRule)
{
    const PreviousRow rows[] = {
        {1, 0.5, PreviousStep::MovedBack, 0},
        {0, 0.5, PreviousStep::MovedBack, 2}, // from the first to the last
        {1, 3.0, PreviousStep::MovedBack, 0}, // three seconds exactly still moves back
        {1, 3.1, PreviousStep::RestartedCurrent, 1},
        {0, 40, PreviousStep::RestartedCurrent, 0},
    };
    for (const PreviousRow& row : rows) {
        PlayQueue q = queueOf({record("a"), record("b"), record("c")}, row.start);
        EXPECT_EQ(q.previous(row.elapsed), row.step) << row.start << " " << row.elapsed;
        EXPECT_EQ(q.currentIndex(), row.index) << row.start << " " << row.elapsed;
    }
    PlayQueue q = queueOf({record("a"), record("b"), record("c")}, 2);
    EXPECT_EQ(q.advance(), 0u); // next after the last is the first
}

TEST_F(PlayQueueTest, NowPlayingLeavesOutWhatTheRecordLacks)
{
    RecordPtr bare = record("bare");
    bare->ARTIST.reset();
    RecordPtr full = record("full");
    full->imgData = plist::Bytes(std::string("png"));
    PlayQueue q = queueOf({bare, full}, 0);

    NowPlayingContent first = q.nowPlaying(12.5);
    EXPECT_EQ(first.title, QString("bare"));
    EXPECT_FALSE(first.artist);
    EXPECT_TRUE(first.thumbnail.empty());
    EXPECT_DOUBLE_EQ(first.elapsed, 12.5);

    q.advance();
    NowPlayingContent second = q.nowPlaying(0);
    EXPECT_EQ(second.artist, QString("by full"));
    EXPECT_EQ(second.thumbnail.view(), "png");
    EXPECT_NE(second.trackId, first.trackId);
    EXPECT_NE(queueOf({bare}, 0).trackId(0), q.trackId(0)); // unique across players too
}

TEST_F(PlayQueueTest, PositionOutsideTheQueueIsClamped)
{
    PlayQueue::Opening opening;
    opening.infos = std::make_shared<const RecordList>(RecordList{record("a")});
    opening.currentIndex = 5;
    EXPECT_EQ(PlayQueue(opening).currentIndex(), 0u);
}

} // namespace
} // namespace kavio::carplay
