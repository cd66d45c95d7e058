#pragma once
// Kavio's own state (playback positions, track picks, what was playing) lives in small
// property-list files under $XDG_STATE_HOME/Kavio, never in the Documents tree, whose files
// stay exactly as peers write them. State is a convenience: a file that does not read is
// set aside for whoever wants to look and the state starts empty; playing never fails
// for it.

#include "library/Status.h"
#include "library/plist/Value.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kavio {

// $XDG_STATE_HOME/Kavio (~/.local/state/Kavio when unset or empty).
std::filesystem::path stateDirectory();

// The dictionary in file; nothing when there is no file. A file that does not read as a
// dictionary is renamed to "<name>.damaged-<time>" (setAside receives where) and nothing
// is returned.
std::optional<plist::Dictionary> readStateFile(const std::filesystem::path& file,
                                               std::optional<std::filesystem::path>& setAside);

// bytes written with the library's atomic write, the folder made first.
Status writeStateFile(const std::filesystem::path& file, std::string_view bytes);

// Writes state files one at a time off the main thread, so that playback never waits for
// the disk: produce runs there, and only the newest one waiting for a file is run. A
// write still running when the process ends is waited for; a failed one is tried again
// with the next.
void writeStateInBackground(const std::filesystem::path& file, std::function<std::string()> produce);
// Blocks until the background writes so far are done (tests, shutdown).
void waitForStateWrites();

// Whether text survives a state file unchanged: valid UTF-8 that XML can carry (no control
// characters but tab and newline). A file name can be any bytes; one that does not fit
// is not remembered, so that the file always reads back.
bool fitsStateFile(std::string_view text);

// A dictionary as an XML property list (how every state file is written).
std::string serialiseState(plist::Dictionary dictionary);

} // namespace kavio
