#include "carplay/PlayerTracks.h"

#include "carplay/PlaybackMemory.h"
#include "library/Utf8.h"
#include "library/subtitles/CueTimeline.h"
#include "platform/base/Dispatch.h"
#include "platform/media/MediaProbe.h"
#include "platform/media/Player.h"
#include "platform/media/PlayerView.h"

#include <memory>

namespace kavio::carplay {

namespace fs = std::filesystem;
using platform::TrackKind;

// What a look at the disk finds for an entry.
struct PlayerTracks::FileTracks {
    std::vector<MediaTrack> audio;
    std::vector<MediaTrack> embedded;
    std::vector<MediaTrack> files;
};

namespace {

struct LoadedSubtitles {
    std::shared_ptr<const subtitles::CueTimeline> timeline;
    bool read = false;
};

// What identifies the subtitles shown: the file, or the track inside the video.
std::string subtitleKey(const MediaTrack& track)
{
    return track.isFile() ? "file:" + track.file.string() : "track:" + std::to_string(track.stream);
}

} // namespace

PlayerTracks::PlayerTracks(platform::Player* player, platform::PlayerView* view) : player_(player), view_(view)
{
    if (player_)
        connect(player_, &platform::Player::tracksChanged, this, &PlayerTracks::playerTracksChanged);
    if (view_)
        connect(view_->controlsBar(), &platform::PlayerControlsBar::trackChosen, this, &PlayerTracks::chooseRow);
}

void PlayerTracks::begin(const PlaybackItem& item, const fs::path& file)
{
    end();
    ++entry_;
    item_ = item;
    file_ = file;
    selection_.reset();
    if (player_)
        selection_.setPlayerAudio(player_->audioTracks(), player_->activeAudioTrack());
    refresh();
    if (!file.empty())
        lookAtFile(file);
}

void PlayerTracks::end()
{
    ++subtitles_;
    shownSubtitles_.reset();
    if (view_)
        view_->setSubtitles(nullptr);
}

void PlayerTracks::lookAtFile(const fs::path& file)
{
    // A listing of the folder and the file's headers: file I/O on a USB stick, off the
    // main thread.
    platform::dispatchInBackground(this, [file] {
        FileTracks found;
        found.files = findSubtitleFiles(file);
        if (Result<platform::ProbedTracks> probed = platform::probeTracks(file)) {
            found.audio = std::move(probed->audio);
            found.embedded = std::move(probed->subtitles);
        }
        // A file the container reader refuses still plays; it just offers no names.
        return found;
    }, [this, entry = entry_](FileTracks found) {
        if (entry != entry_)
            return;
        selection_.setFileTracks(std::move(found.audio), std::move(found.embedded), std::move(found.files));
        refresh();
    });
}

void PlayerTracks::playerTracksChanged()
{
    if (!player_)
        return;
    selection_.setPlayerAudio(player_->audioTracks(), player_->activeAudioTrack());
    refresh();
}

void PlayerTracks::refresh()
{
    if (item_.id.empty())
        return;
    selection_.decide(systemLanguage(), PlaybackMemory::shared().trackChoice(item_));
    apply();
}

void PlayerTracks::apply()
{
    if (player_) {
        if (const std::optional<int> stream = selection_.audioStream(); stream && *stream != player_->activeAudioTrack())
            player_->setActiveAudioTrack(*stream);
    }
    showSubtitles(selection_.subtitleTrack());
    if (view_) {
        platform::PlayerControlsBar* bar = view_->controlsBar();
        bar->setTrackRows(TrackKind::Audio, selection_.audioRows(), selection_.audioRow());
        bar->setTrackRows(TrackKind::Subtitles, selection_.subtitleRows(), selection_.subtitleRow());
    }
}

void PlayerTracks::showSubtitles(const MediaTrack* track)
{
    const std::optional<std::string> key = track ? std::optional(subtitleKey(*track)) : std::nullopt;
    if (key == shownSubtitles_)
        return;
    end();
    if (!track)
        return;
    shownSubtitles_ = key;
    // Read off the main thread: a film's file or track is file I/O and a parse.
    platform::dispatchInBackground(this, [file = file_, track = *track] {
        Result<subtitles::ParsedSubtitles> parsed =
            track.isFile() ? subtitles::readFile(track.file) : platform::readEmbeddedSubtitles(file, track.stream);
        LoadedSubtitles loaded;
        if (parsed) {
            loaded.timeline = std::make_shared<const subtitles::CueTimeline>(std::move(parsed->cues));
            loaded.read = true;
        }
        return loaded;
    }, [this, generation = subtitles_](LoadedSubtitles loaded) {
        if (generation != subtitles_ || !view_)
            return;
        if (!loaded.read) {
            view_->showNote(tr("These subtitles cannot be read"));
            return;
        }
        view_->setSubtitles(std::move(loaded.timeline));
    });
}

void PlayerTracks::cycleAudio()
{
    if (const auto choice = selection_.cycleAudio(PlaybackMemory::shared().trackChoice(item_)))
        picked(*choice, TrackKind::Audio, true);
}

void PlayerTracks::cycleSubtitles()
{
    if (const auto choice = selection_.cycleSubtitles(PlaybackMemory::shared().trackChoice(item_)))
        picked(*choice, TrackKind::Subtitles, true);
}

void PlayerTracks::chooseRow(TrackKind kind, int row)
{
    const TrackChoice remembered = PlaybackMemory::shared().trackChoice(item_);
    if (kind == TrackKind::Audio && row >= 0)
        picked(selection_.pickAudio(static_cast<std::size_t>(row), remembered), kind, false);
    else if (kind == TrackKind::Subtitles && row >= 0) // row 0 is "Off"
        picked(selection_.pickSubtitles(row == 0 ? std::nullopt : std::optional<std::size_t>(row - 1), remembered), kind,
               false);
}

void PlayerTracks::picked(const TrackChoice& choice, TrackKind kind, bool announce)
{
    if (!item_.id.empty())
        PlaybackMemory::shared().rememberTracks(item_, choice);
    apply();
    if (!announce || !view_)
        return;
    // A key gives no menu to look at: say what it chose.
    if (kind == TrackKind::Audio) {
        const int row = selection_.audioRow();
        view_->showNote(tr("Audio: %1").arg(selection_.audioRows().value(row)));
    } else if (const int row = selection_.subtitleRow(); row > 0) {
        view_->showNote(tr("Subtitles: %1").arg(selection_.subtitleRows().value(row)));
    } else {
        view_->showNote(tr("Subtitles off"));
    }
}

} // namespace kavio::carplay
