#include "KavioController.h"

#include "carplay/CarStyle.h"
#include "carplay/KavioCollectionViewCell.h"
#include "library/Avatar.h"
#include "library/ImageHelper.h"
#include "library/Settings.h"
#include "library/Utf8.h"
#include "platform/base/NotificationCenter.h"
#include "platform/media/AudioSession.h"
#include "platform/media/PlayerView.h"
#include "platform/views/BlurView.h"
#include "platform/views/CircleButton.h"

#include <QEvent>

namespace kavio::carplay {

using platform::CommandStatus;

namespace {

constexpr int kCloseSize = 30;
constexpr int kCloseMargin = 5;
constexpr int kStripGap = 5;
constexpr int kStripSpacing = 10;
constexpr int kStripHeightInset = 50; // close button, its margin and the gaps

} // namespace

KavioController::KavioController() : queue_(std::make_unique<PlayQueue>(PlayQueue::Opening{})) {}

KavioController::~KavioController()
{
    withdrawRegistrations();
    if (!closed_ && player_) {
        // Torn down with its window (the car unplugged): the system controls forget it too.
        platform::NowPlayingInfoCenter::shared().setNowPlayingInfo(std::nullopt);
        platform::NowPlayingInfoCenter::shared().setPlaybackState(platform::PlaybackState::Stopped);
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
    movie_ = queue_->isEmpty() ? nullptr : &queue_->entry(queue_->currentIndex());
    if (!queue_->isEmpty())
        player_->replaceCurrentItem(platform::PlayerItem::create(queue_->firstSource().url));

    controller_ = new platform::PlayerView(view());
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
}

bool KavioController::eventFilter(QObject* watched, QEvent* event)
{
    // The car display may be resized or moved to another screen: the column follows.
    if (watched == view() && event->type() == QEvent::Resize)
        layoutScreen();
    return platform::ViewController::eventFilter(watched, event);
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
    // A thumbnail that does not decode is left out; the other keys are published.
    if (QImage art = thumbnail(queue_->currentIndex()); !art.isNull())
        info.artwork = art;
    platform::NowPlayingInfoCenter::shared().setNowPlayingInfo(std::move(info));
}

void KavioController::playerItemDidReachEnd()
{
    if (closed_ || queue_->isEmpty())
        return;
    playEntry(queue_->advance());
}

void KavioController::playEntry(std::size_t index)
{
    queue_->select(index);
    movie_ = &queue_->entry(index);
    // A new item every time: its played-to-end is told apart from the one before.
    player_->replaceCurrentItem(platform::PlayerItem::create(queue_->sourceOf(index).url));
    player_->play();
    reloadStrip();
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
        thumbnails_[index] = entry.imgData ? decodeImage(entry.imgData->view()) : QImage();
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
    closed_ = true;
    if (player_)
        player_->pause();
    withdrawRegistrations();
    if (controller_)
        controller_->setPlayer(nullptr);
    player_.reset(); // lets the screen saver go and stops decoding
    platform::NowPlayingInfoCenter::shared().setNowPlayingInfo(std::nullopt);
    platform::NowPlayingInfoCenter::shared().setPlaybackState(platform::PlaybackState::Stopped);
    dismiss(platform::Animated::No);
}

} // namespace kavio::carplay
