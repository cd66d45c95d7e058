#include "KavioController.h"

#include "carplay/CarStyle.h"
#include "carplay/KavioCollectionViewCell.h"
#include "carplay/PlaybackMemory.h"
#include "library/Avatar.h"
#include "library/ImageHelper.h"
#include "library/PlainText.h"
#include "library/Settings.h"
#include "library/Utf8.h"
#include "platform/base/Dispatch.h"
#include "platform/base/NotificationCenter.h"
#include "platform/media/AudioSession.h"
#include "platform/media/PlayerView.h"
#include "platform/views/BlurView.h"
#include "platform/views/CircleButton.h"

#include <QBuffer>
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
constexpr int kArtworkSide = 512;      // what the desktop's media controls show at most

} // namespace

KavioController::KavioController() : queue_(std::make_unique<PlayQueue>(PlayQueue::Opening{})) {}

KavioController::~KavioController()
{
    withdrawRegistrations();
    if (!closed_ && player_) {
        // Torn down with its window (the car unplugged): where it stood is kept, and the
        // system controls forget it, unless a newer screen publishes by now.
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
    movie_ = queue_->isEmpty() ? nullptr : &queue_->entry(queue_->currentIndex());
    if (!queue_->isEmpty()) {
        const PlaySource first = queue_->firstSource();
        player_->replaceCurrentItem(platform::PlayerItem::create(first.url));
        beginEntry(queue_->currentIndex(), first);
    }

    controller_ = new platform::PlayerView(view());
    controller_->setNowPlayingPublisher(this);
    controller_->setPlayer(player_.get());
    controller_->setShowsPlaybackControls(true);
    controller_->setUpdatesNowPlayingInfoCenter(platform::NowPlayingUpdates::On);
    controller_->raise(); // above the column's background
    layoutScreen();

    platform::AudioSession::shared().setCategory(platform::AudioSessionCategory::Playback);
    registerRemoteCommands();
    player_->play();
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
    });
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
    // A new item every time: its played-to-end is told apart from the one before.
    const PlaySource source = queue_->sourceOf(index);
    player_->replaceCurrentItem(platform::PlayerItem::create(source.url));
    beginEntry(index, source);
    player_->play();
    reloadStrip();
}

void KavioController::beginEntry(std::size_t index, const PlaySource& source)
{
    playing_ = source.kind == PlaySource::Kind::Stream ? PlaybackItem::stream(source.url.toString().toStdString())
                                                       : PlaybackItem::file(source.file);
    if (!isValidUtf8(playing_.id))
        playing_.id = toUtf8(fromUtf8(playing_.id)); // the positions file keeps text
    pendingResume_ = PlaybackMemory::shared().resumeAt(playing_);
    if (player_->status() == platform::PlayerStatus::ReadyToPlay)
        applyResume();
    prepareArtwork(index);
}

void KavioController::applyResume()
{
    if (pendingResume_ && player_)
        player_->seek(*std::exchange(pendingResume_, std::nullopt));
}

void KavioController::rememberPosition()
{
    if (player_ && !playing_.id.empty())
        PlaybackMemory::shared().stopped(playing_, player_->currentTime(), player_->duration());
}

void KavioController::leaveEntry()
{
    rememberPosition();
    // Until the next item begins, times the player reports are not this item's.
    playing_ = {};
}

void KavioController::prepareArtwork(std::size_t index)
{
    const MovieInfo& entry = queue_->entry(index);
    if (!entry.imgData || artwork_.index == index)
        return;
    // Decoding and encoding a camera picture would stall the video: off the main thread.
    const plist::Bytes bytes = *entry.imgData;
    platform::dispatchInBackground(this, [bytes, index] {
        Artwork made{index, decodeImage(bytes.view(), kArtworkSide, Fit::Within), {}};
        QBuffer buffer(&made.png);
        buffer.open(QIODevice::WriteOnly);
        if (!made.image.isNull())
            made.image.save(&buffer, "PNG");
        return made;
    }, [this](Artwork made) {
        if (made.image.isNull())
            return;
        artwork_ = std::move(made);
        if (player_ && !queue_->isEmpty() && queue_->currentIndex() == artwork_.index)
            upArtowaork(player_->currentTime());
    });
}

void KavioController::reloadStrip()
{
    if (!collectionItem_)
        return;
    const auto playing = platform::IndexPath::forItem(static_cast<int>(queue_->currentIndex()));
    collectionItem_->reloadData();
    collectionItem_->scrollToItem(playing, platform::Animated::Yes);
}

int KavioController::numberOfItemsInSection(platform::CollectionView&, int)
{
    return static_cast<int>(queue_->count());
}

platform::CollectionViewCell* KavioController::cellForItem(platform::CollectionView& view,
                                                           const platform::IndexPath& path)
{
    auto* cell = view.dequeueReusableCell<KavioCollectionViewCell>(KavioCollectionViewCell::kReuseIdentifier, path);
    if (!cell)
        return nullptr;
    const auto index = static_cast<std::size_t>(path.row);
    cell->appImageView->setBorderWidth(index == queue_->currentIndex() ? KavioCollectionViewCell::kPlayingBorder : 0);
    cell->appImageView->setImage(thumbnail(index));
    const MovieInfo& entry = queue_->entry(index);
    cell->setToolTip(fromUtf8(entry.FILENAME.value_or("")));
    return cell;
}

void KavioController::willDisplayCell(platform::CollectionView&, platform::CollectionViewCell& cell,
                                      const platform::IndexPath& path)
{
    // The strip applies its own selection state after producing a cell; the playing
    // entry's outline wins over it.
    if (auto* thumb = dynamic_cast<KavioCollectionViewCell*>(&cell); thumb && static_cast<std::size_t>(path.row) == queue_->currentIndex())
        thumb->appImageView->setBorderWidth(KavioCollectionViewCell::kPlayingBorder);
}

void KavioController::didSelectItem(platform::CollectionView& view, const platform::IndexPath& path)
{
    const auto index = static_cast<std::size_t>(path.row);
    if (index >= queue_->count())
        return;
    QPointer<KavioController> self(this);
    view.animateItem(path, 1.2, 200, [self] {
        if (self && self->collectionItem_)
            self->collectionItem_->reloadData();
    });
    // At once, not after the animation; the playing entry starts over.
    playEntry(index);
}

QImage KavioController::thumbnail(std::size_t index)
{
    if (index >= thumbnails_.size())
        thumbnails_.resize(queue_->count());
    if (!thumbnails_[index]) {
        const MovieInfo& entry = queue_->entry(index);
        const qreal ratio = collectionItem_ ? collectionItem_->devicePixelRatioF() : 1.0;
        const int side = static_cast<int>(KavioCollectionViewCell::kSide * ratio);
        thumbnails_[index] = entry.imgData ? decodeImage(entry.imgData->view(), side, Fit::Covering) : QImage();
    }
    return *thumbnails_[index];
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
    closed_ = true;
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
