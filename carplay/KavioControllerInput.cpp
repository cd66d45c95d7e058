// The player's keys and jumps: Space, arrows, pages, media keys, Escape, F, A and S (the
// sound and subtitle tracks), and the strip's keyboard selection; seeking by position from
// anywhere.

#include "carplay/KavioController.h"

#include "carplay/PlayerTracks.h"
#include "platform/lists/CollectionView.h"
#include "platform/media/Player.h"

#include <QEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <utility>

namespace kavio::carplay {

using platform::CommandStatus;

void KavioController::setupKeys()
{
    // Shortcuts on the screen, so they work whichever control has the focus.
    const std::vector<std::pair<QKeySequence, std::function<void()>>> keys = {
        {Qt::Key_Space, [this] { togglePlayPause(); }},
        {Qt::Key_MediaTogglePlayPause, [this] { togglePlayPause(); }},
        {Qt::Key_MediaPlay, [this] { doPlay(); }},
        {Qt::Key_MediaPause, [this] { doPause(); }},
        {Qt::Key_MediaStop, [this] { doPause(); }},
        {Qt::Key_Left, [this] { seekBy(-10); }},
        {Qt::Key_Right, [this] { seekBy(10); }},
        {Qt::Key_PageUp, [this] { previousTrack(); }},
        {Qt::Key_MediaPrevious, [this] { previousTrack(); }},
        {Qt::Key_PageDown, [this] { nextTrack(); }},
        {Qt::Key_MediaNext, [this] { nextTrack(); }},
        {Qt::Key_Escape, [this] { CloseTap(); }},
        {Qt::Key_F, [this] { toggleFullScreen(); }},
        {Qt::Key_A, [this] { if (tracks_) tracks_->cycleAudio(); }},
        {Qt::Key_S, [this] { if (tracks_) tracks_->cycleSubtitles(); }},
        {Qt::Key_Up, [this] { moveStripSelection(-1); }},
        {Qt::Key_Down, [this] { moveStripSelection(1); }},
        {Qt::Key_Return, [this] { playStripSelection(); }},
        {Qt::Key_Enter, [this] { playStripSelection(); }},
    };
    for (const auto& [sequence, action] : keys) {
        auto* shortcut = new QShortcut(sequence, view(), nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    }
    view()->setFocusPolicy(Qt::StrongFocus);
    view()->setFocus(Qt::OtherFocusReason);
}

bool KavioController::eventFilter(QObject* watched, QEvent* event)
{
    // The car display may be resized or moved to another screen: the column follows.
    if (watched == view() && event->type() == QEvent::Resize)
        layoutScreen();
    return platform::ViewController::eventFilter(watched, event);
}

CommandStatus KavioController::changePlaybackPosition(double seconds)
{
    if (!player_ || queue_->isEmpty() || !player_->duration())
        return CommandStatus::NoActionableNowPlayingItem;
    player_->seek(seconds); // the player tells the desktop it jumped
    upArtowaork(player_->currentTime());
    return CommandStatus::Success;
}

void KavioController::seekBy(double seconds)
{
    if (player_)
        changePlaybackPosition(std::max(0.0, player_->currentTime() + seconds));
}

void KavioController::moveStripSelection(int step)
{
    if (!collectionItem_ || queue_->isEmpty())
        return;
    const int count = static_cast<int>(queue_->count());
    const int from = stripSelection_ < 0 ? static_cast<int>(queue_->currentIndex()) : stripSelection_;
    stripSelection_ = std::clamp(from + step, 0, count - 1);
    const auto path = platform::IndexPath::forItem(stripSelection_);
    collectionItem_->selectItem(path);
    collectionItem_->scrollToItem(path, platform::Animated::Yes);
}

void KavioController::playStripSelection()
{
    if (stripSelection_ < 0 || static_cast<std::size_t>(stripSelection_) >= queue_->count())
        return;
    playEntry(static_cast<std::size_t>(std::exchange(stripSelection_, -1)));
}

void KavioController::toggleFullScreen()
{
    if (QWidget* window = view()->window())
        window->setWindowState(window->windowState() ^ Qt::WindowFullScreen);
}

} // namespace kavio::carplay
