#include "PlaybackPositions.h"

#include "library/StateFiles.h"

#include <algorithm>
#include <sys/stat.h>

namespace kavio {

namespace fs = std::filesystem;
using plist::Value;
using plist::ValuePtr;

PlaybackItem PlaybackItem::file(const fs::path& path)
{
    PlaybackItem item{fs::absolute(path).lexically_normal().string(), std::nullopt, std::nullopt};
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        item.size = static_cast<std::uint64_t>(st.st_size);
        item.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    }
    return item;
}

PlaybackItem PlaybackItem::stream(std::string url)
{
    return {std::move(url), std::nullopt, std::nullopt};
}

fs::path PlaybackPositions::defaultFile()
{
    return stateDirectory() / "positions.plist";
}

PlaybackPositions::PlaybackPositions(fs::path file) : file_(std::move(file))
{
    load();
}

void PlaybackPositions::load()
{
    const std::optional<plist::Dictionary> dict = readStateFile(file_, setAside_);
    if (!dict)
        return;
    for (const auto& [id, value] : *dict) {
        const plist::Dictionary* fields = value->dictionary();
        if (!fields)
            continue;
        auto field = [&](const char* name) -> const Value* {
            const auto it = fields->find(name);
            return it == fields->end() ? nullptr : it->second.get();
        };
        const Value* position = field("position");
        if (!position || !position->real())
            continue;
        Entry entry;
        entry.position = *position->real();
        if (const Value* size = field("size"))
            entry.size = size->uint64();
        if (const Value* modified = field("modified"))
            entry.modified = modified->int64();
        if (const Value* order = field("order"); order && order->uint64())
            entry.order = *order->uint64();
        nextOrder_ = std::max(nextOrder_, entry.order + 1);
        entries_[id] = entry;
    }
}

std::optional<double> PlaybackPositions::resumeAt(const PlaybackItem& item) const
{
    const auto it = entries_.find(item.id);
    if (it == entries_.end())
        return std::nullopt;
    const Entry& e = it->second;
    if (e.size != item.size || e.modified != item.modified)
        return std::nullopt; // another file under the same name
    return std::max(0.0, e.position - kResumeBack);
}

void PlaybackPositions::record(const PlaybackItem& item, double seconds, std::optional<double> duration)
{
    if (item.id.empty() || !fitsStateFile(item.id))
        return; // a name the file cannot hold would make the whole file unreadable
    if (seconds <= kMinimumPlayed || (duration && *duration > 0 && seconds >= *duration - kEndMargin)) {
        forget(item.id);
        return;
    }
    Entry& e = entries_[item.id];
    if (e.position == seconds && e.size == item.size && e.modified == item.modified && e.order + 1 == nextOrder_)
        return; // nothing new (paused)
    e = {seconds, item.size, item.modified, nextOrder_++};
    dirty_ = true;
    if (entries_.size() > kCapacity) {
        const auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                             [](const auto& a, const auto& b) { return a.second.order < b.second.order; });
        entries_.erase(oldest);
    }
}

void PlaybackPositions::playedToEnd(const PlaybackItem& item)
{
    forget(item.id);
}

void PlaybackPositions::forget(const std::string& id)
{
    if (entries_.erase(id) > 0)
        dirty_ = true;
}

PlaybackPositions::Snapshot PlaybackPositions::snapshot()
{
    dirty_ = false;
    return entries_;
}

std::string PlaybackPositions::serialise(const Snapshot& snapshot)
{
    plist::Dictionary dict;
    for (const auto& [id, e] : snapshot) {
        plist::Dictionary fields;
        fields["position"] = Value::makeReal(e.position);
        if (e.size)
            fields["size"] = Value::makeUnsigned(*e.size);
        if (e.modified)
            fields["modified"] = Value::makeInteger(*e.modified);
        fields["order"] = Value::makeUnsigned(e.order);
        dict[id] = Value::makeDictionary(std::move(fields));
    }
    return serialiseState(std::move(dict));
}

Status PlaybackPositions::save()
{
    return writeStateFile(file_, serialise(snapshot()));
}

void saveInBackground(const fs::path& file, PlaybackPositions::Snapshot snapshot)
{
    writeStateInBackground(file, [snapshot = std::move(snapshot)] { return PlaybackPositions::serialise(snapshot); });
}

void waitForBackgroundSaves()
{
    waitForStateWrites();
}

} // namespace kavio
