#pragma once
// The car's player: the chosen video beside a 40-point column with a close button and a
// strip of the queue's thumbnails. Plays on through the folder, wrapping round, answers
// the system's media controls and tells them what plays, offers the video's sound and
// subtitle tracks, and keeps what plays for the car's next start (a close by the person
// ends that; the window going away with the car does not). The rules live in PlayQueue,
// TrackSelection and PlaybackMemory; this class wires them to the player, the screen and
// the system.

#include "carplay/PlaybackFailure.h"
#include "carplay/PlayQueue.h"
#include "library/LastSession.h"
#include "library/PlaybackPositions.h"
#include "platform/lists/CollectionView.h"
#include "platform/media/Player.h"
#include "platform/nowplaying/NowPlayingInfoCenter.h"
#include "platform/nowplaying/RemoteCommandCenter.h"
#include "platform/screens/ViewController.h"

#include <QImage>
#include <QPointer>
#include <QTimer>

#include <chrono>

#include <memory>
#include <optional>
#include <vector>

namespace kavio::platform {
class BlurView;
class CircleButton;
class PlayerView;
} // namespace kavio::platform

namespace kavio::carplay {

class PlayerTracks;
class FailureView;

class KavioController : public platform::ViewController,
                        public platform::CollectionViewDataSource,
                        public platform::CollectionViewDelegate {
    Q_OBJECT
public:
    static constexpr int kColumnWidth = 40;
    static constexpr double kTimeObserverInterval = 0.5;

    KavioController();
    ~KavioController() override;

    // What the opener sets before the screen loads: folder, first file and URL, the
    // records as the queue and the chosen position.
    void setOpening(PlayQueue::Opening opening);

    bool dock_style() const { return dock_style_; }
    const PlayQueue& queue() const { return *queue_; }
    std::size_t currentIndex() const { return queue_->currentIndex(); }
    const MovieInfo* movie() const { return movie_; }
    platform::Player* player() const { return player_.get(); }
    platform::PlayerView* controller() const { return controller_; }
    platform::CollectionView* collectionItem() const { return collectionItem_; }
    platform::CircleButton* closeButton() const { return closeButton_; }
    PlayerTracks* tracks() const { return tracks_.get(); }
    bool isClosed() const { return closed_; }
    // Over the video while an entry cannot play: why, and what happens next.
    FailureView* failureView() const { return failureView_; }
    // Its three lines while it shows, empty otherwise.
    QString failureText() const;
    // How long a failed entry's reason shows before the next entry starts (tests).
    void setSkipFailedEntryDelay(std::chrono::milliseconds delay) { skipTimer_.setInterval(delay); }

    void audioPlay();
    void audioPause();
    platform::CommandStatus doPlay();
    platform::CommandStatus doPause();
    platform::CommandStatus togglePlayPause();
    platform::CommandStatus nextTrack();
    platform::CommandStatus previousTrack();
    // A jump to seconds (the desktop's controls); seekBy moves from where it plays.
    platform::CommandStatus changePlaybackPosition(double seconds);
    void seekBy(double seconds);
    // The strip's keyboard selection: up or down one entry, and play it.
    void moveStripSelection(int step);
    void playStripSelection();
    void toggleFullScreen();
    void upArtowaork(double seconds);
    void playerItemDidReachEnd();
    void CloseTap();

    // Strip.
    int numberOfItemsInSection(platform::CollectionView&, int section) override;
    platform::CollectionViewCell* cellForItem(platform::CollectionView&, const platform::IndexPath& path) override;
    void willDisplayCell(platform::CollectionView&, platform::CollectionViewCell& cell,
                         const platform::IndexPath& path) override;
    void didSelectItem(platform::CollectionView&, const platform::IndexPath& path) override;

protected:
    void loadView() override;
    void viewDidLoad() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void readSettings();
    void CreateButtons();
    void MovieController();
    void registerRemoteCommands();
    void registerObservers();
    void setupKeys();
    void setupFailureView();
    void layoutScreen();
    void playEntry(std::size_t index);
    // The player loaded source: where it starts (resume) and its artwork.
    void beginEntry(std::size_t index, const PlaySource& source);
    void applyResume();
    // Hands the entry's source to the player; false when it could not even be given one.
    bool loadEntry(std::size_t index, const PlaySource& source);
    // An entry that cannot play: its reason over the video, then the next entry, unless
    // every entry of the queue has failed in a row.
    void entryFailed(const QString& backendMessage);
    void skipFailedEntry();
    void hideFailure();
    void rememberPosition(); // where the entry now playing stands, saved at once
    void leaveEntry();       // remembers it, then forgets which entry plays
    void recordSession(PlayerSession::State state);
    void reloadStrip();
    // Decoded at the size they are drawn: the strip's cell, the artwork at most 512 square.
    QImage thumbnail(std::size_t index);
    void prepareArtwork(std::size_t index);
    void withdrawRegistrations();

    PlayQueue::Opening opening_;
    std::unique_ptr<PlayQueue> queue_;
    std::unique_ptr<platform::Player> player_;
    std::unique_ptr<PlayerTracks> tracks_;
    platform::TimeObserverToken timeObserverToken_;
    const MovieInfo* movie_ = nullptr;
    std::vector<std::optional<QImage>> thumbnails_; // decoded when first shown, at strip size
    struct Artwork {
        std::size_t index = static_cast<std::size_t>(-1);
        QImage image;
        QByteArray png;
    };
    Artwork artwork_;            // the playing entry's, made off the main thread
    PlaybackItem playing_;       // what plays, as positions know it
    PlayerSession session_;      // what plays, as the car's next start knows it
    PlaySource playingSource_;   // where it comes from
    FailureRun failures_;
    QTimer skipTimer_;           // from a failed entry to the next
    std::optional<double> pendingResume_;
    int stripSelection_ = -1;
    bool dock_style_ = false;
    bool closed_ = false;

    platform::BlurView* blur_ = nullptr;              // child of the view
    platform::CircleButton* closeButton_ = nullptr;   // child of the blur
    platform::CollectionView* collectionItem_ = nullptr; // child of the blur
    platform::PlayerView* controller_ = nullptr;      // child of the view
    FailureView* failureView_ = nullptr;              // child of the view, over the video
};

} // namespace kavio::carplay
