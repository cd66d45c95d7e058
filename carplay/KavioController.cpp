#include "KavioController.h"

#include "carplay/CarStyle.h"
#include "carplay/FailureView.h"
#include "carplay/KavioCollectionViewCell.h"
#include "carplay/PlaybackMemory.h"
#include "carplay/PlayerOpening.h"
#include "carplay/PlayerTracks.h"
#include "library/Avatar.h"
#include "library/PlainText.h"
#include "library/Settings.h"
#include "library/Utf8.h"
#include "platform/base/NotificationCenter.h"
#include "platform/media/AudioSession.h"
#include "platform/media/PlayerView.h"
#include "platform/views/BlurView.h"
#include "platform/views/CircleButton.h"

#include <QEvent>

#include <algorithm>
#include <utility>

namespace kavio::carplay {

using platform::CommandStatus;

namespace {

// The close button is a finger-sized target in the corner; its 30-point ring is drawn in
// the middle, 5 points from the edges, where the eye looks for it.
constexpr int kCloseSize = style::kTapTarget;
constexpr int kCloseMargin = 0;
constexpr int kStripGap = 0;
constexpr int kStripSpacing = 10;
constexpr int kStripHeightInset = 50; // close button, its margin and the gaps

} // namespace

KavioController::KavioController() : queue_(std::make_unique<PlayQueue>(PlayQueue::Opening{})) {}

KavioController::~KavioController()
{
    withdrawRegistrations();
    if (!closed_ && player_) {
        // Torn down with its window (the car unplugged, Kavio quit): where it stood is kept,
        // and so is the session, still playing, for the car's next start. The system
        // controls forget it, unless a newer screen publishes by now.
        leaveEntry();
        platform::NowPlayingInfoCenter::shared().release(this);
    }
}

void KavioController::setOpening(PlayQueue::Opening opening)
{
    opening_ = std::move(opening);
    queue_ = std::make_unique<PlayQueue>(opening_);
    thumbnails_.assign(queue_->count(), std::nullopt);
}

void KavioController::loadView()
{
    auto* root = new QWidget;
    root->setAutoFillBackground(true);
    QPalette palette = root->palette();
    palette.setColor(QPalette::Window, style::playerBackground);
    root->setPalette(palette);
    root->installEventFilter(this);
    setView(root);
}

void KavioController::viewDidLoad()
{
    readSettings();
    CreateButtons();
    MovieController();
    registerObservers();
    setupKeys();
}

void KavioController::readSettings()
{
    // Read once per player screen: a change in the settings shows at the next one.
    const std::filesystem::path documents = Avatar::shared().documentsDirectory().value_or(defaultDocumentsDirectory());
    dock_style_ = readRightHandDrive(settingsFilePath(documents));
}

void KavioController::CreateButtons()
{
    blur_ = new platform::BlurView(view());

    closeButton_ = style::makeCloseButton(tr("Close"), blur_);
    // Space must pause, never close: the keyboard reaches the close button as Escape.
    closeButton_->setFocusPolicy(Qt::NoFocus);
    connect(closeButton_, &QAbstractButton::clicked, this, &KavioController::CloseTap);

    platform::CollectionViewFlowLayout layout;
    layout.setScrollDirection(platform::CollectionViewScrollDirection::Vertical);
    layout.setItemSize({KavioCollectionViewCell::kSide, KavioCollectionViewCell::kSide});
    layout.setMinimumLineSpacing(kStripSpacing);
    collectionItem_ = new platform::CollectionView(layout, blur_);
    collectionItem_->setShowsVerticalScrollIndicator(false);
    collectionItem_->setPagingEnabled(true);
    collectionItem_->setBackgroundColor(Qt::transparent);
    collectionItem_->registerCellClass<KavioCollectionViewCell>(KavioCollectionViewCell::kReuseIdentifier);
    collectionItem_->setDataSource(this);
    collectionItem_->setDelegate(this);
}

void KavioController::MovieController()
{
    player_ = platform::makePlayer();
    platform::NowPlayingInfoCenter::shared().claim(this);
    controller_ = new platform::PlayerView(view());
    controller_->setNowPlayingPublisher(this);
    controller_->setPlayer(player_.get());
    controller_->setShowsPlaybackControls(true);
    controller_->setUpdatesNowPlayingInfoCenter(platform::NowPlayingUpdates::On);
    controller_->raise(); // above the column's background
    tracks_ = std::make_unique<PlayerTracks>(player_.get(), controller_);
    setupFailureView();
    layoutScreen();

    movie_ = queue_->isEmpty() ? nullptr : &queue_->entry(queue_->currentIndex());
    const bool loaded = !queue_->isEmpty() && loadEntry(queue_->currentIndex(), queue_->firstSource());

    platform::AudioSession::shared().setCategory(platform::AudioSessionCategory::Playback);
    registerRemoteCommands();
    if (loaded)
        player_->play();
    else if (!queue_->isEmpty())
        entryFailed({});
}

void KavioController::registerRemoteCommands()
{
    auto& center = platform::RemoteCommandCenter::shared();
    const std::pair<platform::RemoteCommand*, CommandStatus (KavioController::*)()> handlers[] = {
        {&center.playCommand(), &KavioController::doPlay},
        {&center.pauseCommand(), &KavioController::doPause},
        {&center.nextTrackCommand(), &KavioController::nextTrack},
        {&center.previousTrackCommand(), &KavioController::previousTrack},
        {&center.togglePlayPauseCommand(), &KavioController::togglePlayPause},
    };
    for (const auto& [command, handler] : handlers) {
        command->setEnabled(true);
        command->addTarget(this, [this, handler = handler] { return (this->*handler)(); });
    }
    center.changePlaybackPositionCommand().setEnabled(true);
    center.changePlaybackPositionCommand().addTarget(this, [this](double seconds) { return changePlaybackPosition(seconds); });
}

void KavioController::registerObservers()
{
    // Only this player's own item advances the queue; another player's end never does.
    platform::NotificationCenter::defaultCenter().addObserver(
        this, platform::NotificationName::PlayerItemDidPlayToEnd, [this](const platform::Notification& n) {
            if (player_ && player_->currentItem() && n.object == player_->currentItem().get())
                playerItemDidReachEnd();
        });
    timeObserverToken_ = player_->addPeriodicTimeObserver(kTimeObserverInterval, this,
                                                          [this](double seconds) { upArtowaork(seconds); });
    // A stream or a file still opening takes the resume point once it can seek.
    connect(player_.get(), &platform::Player::statusChanged, this, [this](platform::PlayerStatus status) {
        if (status == platform::PlayerStatus::ReadyToPlay)
            applyResume();
    });
    connect(player_.get(), &platform::Player::rateChanged, this, [this](double rate) {
        if (rate == 0 && !closed_)
            rememberPosition();
        if (rate != 0 && !closed_)
            recordSession(PlayerSession::State::Playing);
    });
    // Only the person (or the desktop's controls on their behalf) pauses: an end, a
    // failure or the window going away never counts as a pause.
    connect(player_.get(), &platform::Player::pauseRequested, this, [this] {
        if (!closed_)
            recordSession(PlayerSession::State::Paused);
    });
    connect(player_.get(), &platform::Player::failed, this, &KavioController::entryFailed);
}

void KavioController::layoutScreen()
{
    if (!blur_)
        return;
    const QRect bounds = view()->rect();
    blur_->setGeometry(bounds);
    const int closeX = dock_style_ ? bounds.width() - kCloseMargin - kCloseSize : kCloseMargin;
    closeButton_->setGeometry(closeX, kCloseMargin, kCloseSize, kCloseSize);
    const int stripX = closeX + kCloseSize / 2 - kColumnWidth / 2;
    collectionItem_->setGeometry(stripX, kCloseMargin + kCloseSize + kStripGap, kColumnWidth,
                                 std::max(0, bounds.height() - kStripHeightInset));
    // The thumbnails are smaller than a finger: each one's target is a column-wide square.
    collectionItem_->setTapTargetSize({kColumnWidth, style::kTapTarget});
    if (controller_) {
        const int videoX = dock_style_ ? 0 : kColumnWidth;
        controller_->setGeometry(videoX, 0, std::max(0, bounds.width() - kColumnWidth), bounds.height());
        if (failureView_)
            failureView_->setGeometry(controller_->geometry());
    }
}

void KavioController::audioPlay()
{
    platform::AudioSession::shared().setActive(true);
    if (player_)
        player_->play();
}

void KavioController::audioPause()
{
    platform::AudioSession::shared().setActive(false);
    if (player_)
        player_->pause();
}

CommandStatus KavioController::doPlay()
{
    audioPlay();
    return CommandStatus::Success;
}

CommandStatus KavioController::doPause()
{
    audioPause();
    return CommandStatus::Success;
}

CommandStatus KavioController::togglePlayPause()
{
    if (!player_)
        return CommandStatus::NoActionableNowPlayingItem;
    if (player_->rate() == 0)
        player_->play();
    else
        player_->pause();
    return CommandStatus::Success;
}

CommandStatus KavioController::nextTrack()
{
    if (!player_ || queue_->isEmpty())
        return CommandStatus::NoSuchContent;
    playEntry(queue_->advance());
    return CommandStatus::Success;
}

CommandStatus KavioController::previousTrack()
{
    if (!player_ || queue_->isEmpty())
        return CommandStatus::NoSuchContent;
    if (queue_->previous(player_->currentTime()) == PreviousStep::RestartedCurrent) {
        player_->seek(0);
        player_->play();
        return CommandStatus::Success;
    }
    playEntry(queue_->currentIndex());
    return CommandStatus::Success;
}

void KavioController::upArtowaork(double seconds)
{
    if (closed_ || queue_->isEmpty())
        return;
    const NowPlayingContent content = queue_->nowPlaying(seconds);
    platform::NowPlayingInfo info;
    info.trackId = content.trackId;
    info.title = content.title;
    info.artist = content.artist;
    info.elapsedPlaybackTime = content.elapsed;
    // The length is for the desktop's progress bar and seeking, beside the content.
    info.playbackDuration = player_ ? player_->duration() : std::nullopt;
    // Artwork appears once it is ready; a thumbnail that does not decode is left out.
    if (artwork_.index == queue_->currentIndex() && !artwork_.image.isNull()) {
        info.artwork = artwork_.image;
        info.artworkPng = artwork_.png;
    }
    platform::NowPlayingInfoCenter::shared().setNowPlayingInfo(std::move(info), this);
    if (player_ && player_->rate() != 0 && !playing_.id.empty())
        PlaybackMemory::shared().playing(playing_, seconds, player_->duration());
    if (player_ && player_->rate() != 0 && seconds > 0)
        failures_.reset(); // something plays: the next failure starts a new run
}

void KavioController::playerItemDidReachEnd()
{
    if (closed_ || queue_->isEmpty())
        return;
    PlaybackMemory::shared().ended(playing_);
    playing_ = {}; // nothing left to remember of it
    playEntry(queue_->advance());
}

void KavioController::playEntry(std::size_t index)
{
    leaveEntry();
    queue_->select(index);
    movie_ = &queue_->entry(index);
    if (loadEntry(index, queue_->sourceOf(index)))
        player_->play();
    else
        entryFailed({});
    reloadStrip();
}

bool KavioController::loadEntry(std::size_t index, const PlaySource& source)
{
    skipTimer_.stop();
    hideFailure();
    // A new item every time: its played-to-end is told apart from the one before.
    const bool playable = canBeGivenToPlayer(source);
    player_->replaceCurrentItem(playable ? platform::PlayerItem::create(source.url) : nullptr);
    beginEntry(index, source);
    return playable;
}

void KavioController::beginEntry(std::size_t index, const PlaySource& source)
{
    playingSource_ = source;
    playing_ = source.kind == PlaySource::Kind::Stream ? PlaybackItem::stream(source.url.toString().toStdString())
                                                       : PlaybackItem::file(source.file);
    if (!isValidUtf8(playing_.id))
        playing_.id = toUtf8(fromUtf8(playing_.id)); // the positions file keeps text
    pendingResume_ = PlaybackMemory::shared().resumeAt(playing_);
    if (player_->status() == platform::PlayerStatus::ReadyToPlay)
        applyResume();
    prepareArtwork(index);
    if (tracks_)
        tracks_->begin(playing_, source.kind == PlaySource::Kind::File ? source.file : std::filesystem::path());
    session_ = playingSession(opening_, queue_->entry(index), source);
    recordSession(PlayerSession::State::Playing);
}

void KavioController::recordSession(PlayerSession::State state)
{
    if (queue_->isEmpty())
        return;
    session_.state = state;
    PlaybackMemory::shared().updateSession(session_);
}

void KavioController::applyResume()
{
    if (pendingResume_ && player_)
        player_->seek(*std::exchange(pendingResume_, std::nullopt));
}

void KavioController::rememberPosition()
{
    // A file that failed (a stick pulled out) keeps where it stood before.
    if (player_ && player_->currentItem() && !playing_.id.empty() && player_->status() != platform::PlayerStatus::Failed)
        PlaybackMemory::shared().stopped(playing_, player_->currentTime(), player_->duration());
}

void KavioController::leaveEntry()
{
    rememberPosition();
    // Until the next item begins, times the player reports are not this item's.
    playing_ = {};
}

void KavioController::withdrawRegistrations()
{
    platform::RemoteCommandCenter::shared().removeTargets(this);
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    if (player_ && timeObserverToken_.isValid())
        player_->removeTimeObserver(timeObserverToken_);
    timeObserverToken_ = {};
}

void KavioController::CloseTap()
{
    if (closed_)
        return;
    leaveEntry();
    // The person closed it: the car's next start shows the folders.
    recordSession(PlayerSession::State::Closed);
    closed_ = true;
    skipTimer_.stop();
    if (player_)
        player_->pause();
    withdrawRegistrations();
    if (controller_)
        controller_->setPlayer(nullptr);
    player_.reset(); // lets the screen saver go and stops decoding
    platform::NowPlayingInfoCenter::shared().release(this);
    dismiss(platform::Animated::No);
}

} // namespace kavio::carplay
