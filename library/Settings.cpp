#include "Settings.h"

#include "library/AtomicFile.h"
#include "library/plist/Codec.h"

namespace kavio {

namespace fs = std::filesystem;

fs::path settingsFilePath(const fs::path& documentsDirectory)
{
    return documentsDirectory / kSettingsFileName;
}

std::optional<plist::Dictionary> readSettings(const fs::path& settingsFile)
{
    removeLeftoverTemporaries(settingsFile);
    Result<plist::ValuePtr> root = plist::readFile(settingsFile, plist::Limits::store());
    if (!root || !(*root)->dictionary())
        return std::nullopt;
    return *(*root)->dictionary();
}

bool boolValue(const plist::Value& value)
{
    if (std::optional<bool> b = value.boolean())
        return *b;
    if (const plist::Integer* i = value.integer())
        return i->bits != 0;
    if (std::optional<double> r = value.real())
        return *r != 0;
    if (const std::string* s = value.string()) {
        // Foundation: skip white space and an optional sign, then Y, y, T, t or 1-9.
        std::size_t i = 0;
        while (i < s->size() && ((*s)[i] == ' ' || (*s)[i] == '\t' || (*s)[i] == '\n'))
            ++i;
        if (i < s->size() && ((*s)[i] == '+' || (*s)[i] == '-'))
            ++i;
        while (i < s->size() && (*s)[i] == '0')
            ++i;
        if (i < s->size()) {
            const char c = (*s)[i];
            return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
        }
    }
    return false;
}

bool readRightHandDrive(const fs::path& settingsFile)
{
    std::optional<plist::Dictionary> dict = readSettings(settingsFile);
    if (!dict)
        return false;
    auto it = dict->find(kHandKey);
    return it != dict->end() && boolValue(*it->second);
}

Status writeRightHandDrive(const fs::path& settingsFile, std::optional<plist::Dictionary>& held, bool rightHandDrive)
{
    if (!held)
        held.emplace();
    (*held)[kHandKey] = plist::Value::makeBoolean(rightHandDrive);
    return writeFileAtomically(settingsFile, plist::writeXml(*plist::Value::makeDictionary(*held)));
}

} // namespace kavio
