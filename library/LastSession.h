#pragma once
// What the car's player was doing when it last changed, so that when the car window comes
// up again (a car PC starting, the display plugged in, "Connect car display") the video
// that was playing as it went away (power cut, unplug, quit) goes on where it stopped,
// with the same queue. Kavio's own state beside the playback positions; the position
// itself is the positions' to keep.

#include "library/Status.h"

#include <filesystem>
#include <optional>
#include <string>

namespace kavio {

struct PlayerSession {
    enum class Queue { Folder, Stream };
    // Playing: keeps being so when the window goes away without a pause or a close.
    enum class State { Playing, Paused, Closed };

    Queue queue = Queue::Folder;
    std::filesystem::path folder; // Folder: the folder whose list is the queue (absolute)
    std::string entry;            // Folder: the video's file name in it (exact bytes)
    std::string key;              // Folder: its record's KEY, when it has a record
    std::string url;              // Stream: a stream opened alone, its queue of one
    State state = State::Closed;

    bool operator==(const PlayerSession&) const = default;
};

class LastSession {
public:
    // $XDG_STATE_HOME/Kavio/playing.plist.
    static std::filesystem::path defaultFile();

    // Reads the file; one that does not read is set aside and nothing was playing.
    explicit LastSession(std::filesystem::path file);
    LastSession(const LastSession&) = delete;
    LastSession& operator=(const LastSession&) = delete;

    const std::optional<PlayerSession>& session() const { return session_; }
    // What plays now. A session whose names a state file cannot hold (not UTF-8, control
    // characters) is not remembered: the file keeps saying nothing was playing.
    void update(const PlayerSession& session);

    bool isDirty() const { return dirty_; }
    // Written with the library's atomic write (a crash leaves the old or the new session).
    Status save();
    // The same off the main thread (see writeStateInBackground).
    void saveInBackground();

    const std::filesystem::path& file() const { return file_; }
    const std::optional<std::filesystem::path>& setAside() const { return setAside_; }

    static std::string serialise(const std::optional<PlayerSession>& session);

private:
    std::filesystem::path file_;
    std::optional<PlayerSession> session_;
    bool dirty_ = false;
    std::optional<std::filesystem::path> setAside_;
};

// The Support screen's "Continue playing when the car starts".
enum class ContinueOnStart { On, Off };

// The session to continue as the car window comes up: the last one, when it was playing,
// the switch is on, and (for a folder) the folder is documents or inside it and still
// holds the entry. Nothing otherwise: the folder list shows as usual.
std::optional<PlayerSession> sessionToContinue(const std::optional<PlayerSession>& last,
                                               const std::filesystem::path& documents, ContinueOnStart setting);

} // namespace kavio
