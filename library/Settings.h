#pragma once
// The settings file "KavioSettings.plist" in Documents: one user setting, "kHand"
// (right-hand drive). Other keys found in the file are kept when it is written.

#include "library/Status.h"
#include "library/plist/Value.h"

#include <filesystem>
#include <optional>

namespace kavio {

inline constexpr char kSettingsFileName[] = "KavioSettings.plist";
inline constexpr char kHandKey[] = "kHand";

std::filesystem::path settingsFilePath(const std::filesystem::path& documentsDirectory);

// The file's dictionary; nothing when it is missing or not a readable dictionary.
std::optional<plist::Dictionary> readSettings(const std::filesystem::path& settingsFile);

// "kHand" read as a boolean the way Foundation's boolValue reads it; false when the
// file, the key or a sensible value is missing.
bool readRightHandDrive(const std::filesystem::path& settingsFile);
bool boolValue(const plist::Value& value);

// Sets "kHand" in held (started empty when nothing is held) and replaces the file
// atomically with the whole dictionary. On failure the file is unchanged and held keeps
// the new value.
Status writeRightHandDrive(const std::filesystem::path& settingsFile, std::optional<plist::Dictionary>& held,
                           bool rightHandDrive);

} // namespace kavio
