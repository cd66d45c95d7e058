#include "carplay/TrackSelection.h"

namespace kavio::carplay {

void TrackSelection::reset()
{
    *this = TrackSelection();
}

void TrackSelection::setPlayerAudio(std::vector<MediaTrack> audio, int active)
{
    playerAudio_ = std::move(audio);
    playerActive_ = active;
    merge();
}

void TrackSelection::setFileTracks(std::vector<MediaTrack> fileAudio, std::vector<MediaTrack> embedded,
                                   std::vector<MediaTrack> files)
{
    fileAudio_ = std::move(fileAudio);
    embedded_ = std::move(embedded);
    files_ = std::move(files);
    merge();
}

void TrackSelection::merge()
{
    audio_ = playerAudio_;
    // The file's list names the player's only when both list the same streams.
    if (fileAudio_.size() == audio_.size()) {
        for (std::size_t i = 0; i < audio_.size(); ++i) {
            if (!audio_[i].language.known())
                audio_[i].language = fileAudio_[i].language;
            if (audio_[i].title.empty())
                audio_[i].title = fileAudio_[i].title;
        }
    }
    subtitles_ = files_;
    subtitles_.insert(subtitles_.end(), embedded_.begin(), embedded_.end());
    if (audioIndex_ && *audioIndex_ >= audio_.size())
        audioIndex_.reset();
    if (subtitleIndex_ && *subtitleIndex_ >= subtitles_.size())
        subtitleIndex_.reset();
}

void TrackSelection::decide(const Language& person, const TrackChoice& remembered)
{
    const ChosenTracks chosen = chooseTracks(audio_, subtitles_, person, remembered);
    if (!audioPicked_)
        audioIndex_ = chosen.audio;
    if (!subtitlesPicked_)
        subtitleIndex_ = chosen.subtitles;
}

std::optional<int> TrackSelection::audioStream() const
{
    if (!audioIndex_)
        return std::nullopt;
    return audio_[*audioIndex_].stream;
}

const MediaTrack* TrackSelection::subtitleTrack() const
{
    return subtitleIndex_ ? &subtitles_[*subtitleIndex_] : nullptr;
}

std::optional<std::size_t> TrackSelection::playingAudio() const
{
    if (audioIndex_)
        return audioIndex_;
    for (std::size_t i = 0; i < audio_.size(); ++i) {
        if (audio_[i].stream == playerActive_)
            return i;
    }
    return std::nullopt;
}

TrackChoice TrackSelection::pickAudio(std::size_t index, const TrackChoice& remembered)
{
    TrackChoice choice = remembered;
    if (index >= audio_.size())
        return choice;
    audioIndex_ = index;
    audioPicked_ = true;
    choice.audio = audioChoice(audio_, index);
    return choice;
}

TrackChoice TrackSelection::pickSubtitles(std::optional<std::size_t> index, const TrackChoice& remembered)
{
    TrackChoice choice = remembered;
    if (index && *index >= subtitles_.size())
        return choice;
    subtitleIndex_ = index;
    subtitlesPicked_ = true;
    choice.subtitles = subtitleChoice(subtitles_, index);
    return choice;
}

std::optional<TrackChoice> TrackSelection::cycleAudio(const TrackChoice& remembered)
{
    if (audio_.size() < 2)
        return std::nullopt;
    return pickAudio(nextAudioTrack(playingAudio().value_or(0), audio_.size()), remembered);
}

std::optional<TrackChoice> TrackSelection::cycleSubtitles(const TrackChoice& remembered)
{
    if (subtitles_.empty())
        return std::nullopt;
    return pickSubtitles(nextSubtitleTrack(subtitleIndex_, subtitles_.size()), remembered);
}

QStringList TrackSelection::audioRows() const
{
    return audio_.size() < 2 ? QStringList() : trackNames(audio_);
}

int TrackSelection::audioRow() const
{
    const std::optional<std::size_t> playing = playingAudio();
    return playing && audio_.size() >= 2 ? static_cast<int>(*playing) : -1;
}

QStringList TrackSelection::subtitleRows() const
{
    if (subtitles_.empty())
        return {};
    return QStringList{QStringLiteral("Off")} + trackNames(subtitles_);
}

int TrackSelection::subtitleRow() const
{
    if (subtitles_.empty())
        return -1;
    return subtitleIndex_ ? static_cast<int>(*subtitleIndex_) + 1 : 0;
}

} // namespace kavio::carplay
