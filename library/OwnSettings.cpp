#include "library/OwnSettings.h"

#include "library/StateFiles.h"

#include <cstdlib>

namespace kavio {

namespace fs = std::filesystem;

namespace {

constexpr char kContinueKey[] = "continueOnStart";

} // namespace

fs::path ownSettingsFile()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    fs::path base = config && *config ? fs::path(config) : fs::path();
    if (base.empty()) {
        const char* home = std::getenv("HOME");
        base = fs::path(home ? home : "/tmp") / ".config";
    }
    return base / "Kavio" / "settings.plist";
}

ContinueOnStart readContinueOnStart(const fs::path& file)
{
    std::optional<fs::path> setAside;
    const std::optional<plist::Dictionary> dict = readStateFile(file, setAside);
    if (!dict)
        return ContinueOnStart::On;
    const auto it = dict->find(kContinueKey);
    const std::optional<bool> on = it == dict->end() ? std::nullopt : it->second->boolean();
    return on.value_or(true) ? ContinueOnStart::On : ContinueOnStart::Off;
}

Status writeContinueOnStart(const fs::path& file, ContinueOnStart setting)
{
    std::optional<fs::path> setAside;
    plist::Dictionary dict = readStateFile(file, setAside).value_or(plist::Dictionary());
    dict[kContinueKey] = plist::Value::makeBoolean(setting == ContinueOnStart::On);
    return writeStateFile(file, serialiseState(std::move(dict)));
}

} // namespace kavio
