#include "library/LastSession.h"

#include "library/StateFiles.h"
#include "library/plist/Value.h"

#include <algorithm>
#include <iterator>

namespace kavio {

namespace fs = std::filesystem;
using plist::Value;

namespace {

constexpr const char* kStates[] = {"playing", "paused", "closed"};

std::optional<std::string> text(const plist::Dictionary& dict, const char* name)
{
    const auto it = dict.find(name);
    if (it == dict.end() || !it->second->string()) return std::nullopt;
    return *it->second->string();
}

std::optional<PlayerSession> decode(const plist::Dictionary& dict)
{
    PlayerSession s;
    const auto state = text(dict, "state");
    const auto* known = state ? std::find(std::begin(kStates), std::end(kStates), *state) : std::end(kStates);
    if (known == std::end(kStates)) return std::nullopt;
    s.state = static_cast<PlayerSession::State>(known - std::begin(kStates));
    if (const auto url = text(dict, "url")) {
        s.queue = PlayerSession::Queue::Stream;
        s.url = *url;
        return s.url.empty() ? std::nullopt : std::optional(s);
    }
    const auto folder = text(dict, "folder"), entry = text(dict, "entry");
    if (!folder || !entry || folder->empty() || entry->empty()) return std::nullopt;
    s.folder = *folder;
    s.entry = *entry;
    s.key = text(dict, "key").value_or("");
    return s;
}

bool fits(const PlayerSession& s)
{
    return fitsStateFile(s.folder.string()) && fitsStateFile(s.entry) && fitsStateFile(s.key) && fitsStateFile(s.url);
}

// Whether path is base or inside it, by whole components of their normal forms.
bool isWithin(const fs::path& path, const fs::path& base)
{
    const fs::path p = path.lexically_normal(), b = base.lexically_normal();
    auto pi = p.begin(), bi = b.begin();
    for (; bi != b.end(); ++bi, ++pi) {
        if (bi->empty() && std::next(bi) == b.end()) break; // base's trailing '/'
        if (pi == p.end() || *pi != *bi) return false;
    }
    return true;
}

} // namespace

fs::path LastSession::defaultFile()
{
    return stateDirectory() / "playing.plist";
}

LastSession::LastSession(fs::path file) : file_(std::move(file))
{
    if (const auto dict = readStateFile(file_, setAside_)) session_ = decode(*dict);
}

void LastSession::update(const PlayerSession& session)
{
    const std::optional<PlayerSession> next = fits(session) ? std::optional(session) : std::nullopt;
    if (next == session_) return;
    session_ = next;
    dirty_ = true;
}

std::string LastSession::serialise(const std::optional<PlayerSession>& session)
{
    plist::Dictionary dict;
    if (session) {
        dict["state"] = Value::makeString(kStates[static_cast<int>(session->state)]);
        if (session->queue == PlayerSession::Queue::Stream) {
            dict["url"] = Value::makeString(session->url);
        } else {
            dict["folder"] = Value::makeString(session->folder.string());
            dict["entry"] = Value::makeString(session->entry);
            if (!session->key.empty()) dict["key"] = Value::makeString(session->key);
        }
    }
    return serialiseState(std::move(dict));
}

Status LastSession::save()
{
    dirty_ = false;
    return writeStateFile(file_, serialise(session_));
}

void LastSession::saveInBackground()
{
    dirty_ = false;
    writeStateInBackground(file_, [session = session_] { return serialise(session); });
}

std::optional<PlayerSession> sessionToContinue(const std::optional<PlayerSession>& last, const fs::path& documents,
                                               ContinueOnStart setting)
{
    if (setting == ContinueOnStart::Off || !last || last->state != PlayerSession::State::Playing) return std::nullopt;
    if (last->queue == PlayerSession::Queue::Stream) return last;
    if (documents.empty() || !last->folder.is_absolute() || !isWithin(last->folder, documents)) return std::nullopt;
    // The entry is a plain name in the folder, never a way out of it.
    if (last->entry.find('/') != std::string::npos || last->entry == "." || last->entry == "..") return std::nullopt;
    std::error_code ec;
    if (!fs::is_regular_file(last->folder / last->entry, ec)) return std::nullopt;
    return last;
}

} // namespace kavio
