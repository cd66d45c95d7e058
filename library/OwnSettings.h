#pragma once
// Settings of Kavio's own on this machine, in a property list under $XDG_CONFIG_HOME/Kavio
// (~/.config/Kavio when unset). They stay out of KavioSettings.plist in Documents, which
// peers rewrite with the keys they know and nothing else, so a setting there would be lost
// at their next save.

#include "library/LastSession.h"
#include "library/Status.h"

#include <filesystem>

namespace kavio {

// $XDG_CONFIG_HOME/Kavio/settings.plist.
std::filesystem::path ownSettingsFile();

// "Continue playing when the car starts": on unless the file says off. A file that does
// not read is set aside (see readStateFile) and counts as on.
ContinueOnStart readContinueOnStart(const std::filesystem::path& file);
// Written atomically, with the file's other keys kept.
Status writeContinueOnStart(const std::filesystem::path& file, ContinueOnStart setting);

} // namespace kavio
