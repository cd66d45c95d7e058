#pragma once
// The player's rules, without any widget or media stack: the queue a browser hands over,
// what each entry plays, how playback moves on, and what the system controls are told.

#include "library/SavedVideosStore.h"

#include <QString>
#include <QUrl>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace kavio::carplay {

struct PlaySource {
    enum class Kind { File, Stream };
    Kind kind = Kind::File;
    QUrl url;
    std::filesystem::path file; // with File: the file itself, by its bytes
};

class HeldFiles;

// What the now-playing display gets for the current entry. A field the record lacks is
// left out rather than published empty.
struct NowPlayingContent {
    QString trackId; // one object path per queue entry of this player
    std::optional<QString> title;
    std::optional<QString> artist;
    double elapsed = 0;      // seconds
    plist::Bytes thumbnail;  // encoded; empty when the record has none
};

enum class PreviousStep { RestartedCurrent, MovedBack };

class PlayQueue {
public:
    // Everything the opener sets: the folder, the first entry's file and stream URL, the
    // records in load order and the chosen position. The queue never changes afterwards.
    struct Opening {
        std::filesystem::path DOC_PATH;
        std::filesystem::path videoPath;
        std::string urlLink;
        std::shared_ptr<const RecordList> infos;
        std::size_t currentIndex = 0;
    };

    explicit PlayQueue(Opening opening);

    std::size_t count() const { return infos_->size(); }
    bool isEmpty() const { return infos_->empty(); }
    std::size_t currentIndex() const { return currentIndex_; }
    const MovieInfo& entry(std::size_t index) const { return *(*infos_)[index]; }
    const RecordList& infos() const { return *infos_; }

    // The first entry plays what the opener built; every later one is resolved from its
    // record: a non-empty urlLink as a stream, else DOC_PATH/FILENAME.EXTENSION.
    PlaySource firstSource() const;
    PlaySource sourceOf(std::size_t index) const;
    PlaySource currentSource() const { return sourceOf(currentIndex_); }

    // End of an item, and the next-track command: one on, the first after the last.
    std::size_t advance();
    // A strip tap: that entry, from its start (also when it is the playing one).
    void select(std::size_t index);
    // The previous-track command: after more than three seconds the current entry starts
    // over, otherwise the entry before it plays (the last one before the first).
    PreviousStep previous(double elapsedSeconds);

    NowPlayingContent nowPlaying(double elapsedSeconds) const;
    QString trackId(std::size_t index) const;

    static constexpr double kRestartThresholdSeconds = 3.0;

private:
    Opening opening_;
    std::shared_ptr<const RecordList> infos_;
    std::size_t currentIndex_ = 0;
    std::uint64_t serial_; // tells this player's entries from an earlier player's
    std::shared_ptr<HeldFiles> held_;

    PlaySource fileSource(const std::filesystem::path& path) const;
};

} // namespace kavio::carplay
