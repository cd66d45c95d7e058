#include "library/TrackChoices.h"

#include "library/StateFiles.h"

#include <algorithm>
#include <vector>

namespace kavio {

namespace fs = std::filesystem;
using plist::Value;

namespace {

constexpr const char* kSubtitleKinds[] = {"off", "file", "track"};

const Value* field(const plist::Dictionary& fields, const char* name)
{
    const auto it = fields.find(name);
    return it == fields.end() ? nullptr : it->second.get();
}

std::optional<int> streamIndex(const Value* value)
{
    const auto n = value ? value->int64() : std::nullopt;
    if (!n || *n < 0 || *n > 65535) return std::nullopt;
    return static_cast<int>(*n);
}

std::optional<SubtitleChoice> readSubtitles(const plist::Dictionary& fields)
{
    const Value* kind = field(fields, "subtitles");
    if (!kind || !kind->string()) return std::nullopt;
    SubtitleChoice choice;
    if (*kind->string() == "off") return choice;
    if (*kind->string() == "file") {
        const Value* name = field(fields, "subtitleFile");
        if (!name || !name->string() || name->string()->empty()) return std::nullopt;
        choice.kind = SubtitleChoice::Kind::File;
        choice.file = *name->string();
        return choice;
    }
    if (*kind->string() == "track") {
        const auto stream = streamIndex(field(fields, "subtitleTrack"));
        if (!stream) return std::nullopt;
        choice.kind = SubtitleChoice::Kind::Track;
        choice.stream = *stream;
        return choice;
    }
    return std::nullopt; // a kind this version does not know: as if not picked
}

} // namespace

fs::path TrackChoices::defaultFile()
{
    return stateDirectory() / "tracks.plist";
}

TrackChoices::TrackChoices(fs::path file) : file_(std::move(file))
{
    load();
}

void TrackChoices::load()
{
    const std::optional<plist::Dictionary> dict = readStateFile(file_, setAside_);
    if (!dict) return;
    for (const auto& [id, value] : *dict) {
        const plist::Dictionary* fields = value->dictionary();
        if (!fields || id.empty() || id.size() > kMaxIdBytes) continue;
        Entry entry;
        entry.choice.audio = streamIndex(field(*fields, "audio"));
        entry.choice.subtitles = readSubtitles(*fields);
        if (!entry.choice.audio && !entry.choice.subtitles) continue;
        if (const Value* size = field(*fields, "size")) entry.size = size->uint64();
        if (const Value* modified = field(*fields, "modified")) entry.modified = modified->int64();
        if (const Value* order = field(*fields, "order"); order && order->uint64()) entry.order = *order->uint64();
        nextOrder_ = std::max(nextOrder_, entry.order + 1);
        entries_[id] = entry;
    }
    // A file edited by hand may hold more than are kept.
    if (entries_.size() > kCapacity) {
        std::vector<std::uint64_t> orders;
        for (const auto& [id, e] : entries_) orders.push_back(e.order);
        std::nth_element(orders.begin(), orders.end() - kCapacity, orders.end());
        const std::uint64_t keepFrom = *(orders.end() - kCapacity);
        std::erase_if(entries_, [&](const auto& e) { return e.second.order < keepFrom; });
        while (entries_.size() > kCapacity) entries_.erase(entries_.begin()); // equal orders
    }
}

TrackChoice TrackChoices::choiceFor(const PlaybackItem& item) const
{
    const auto it = entries_.find(item.id);
    if (it == entries_.end() || it->second.size != item.size || it->second.modified != item.modified) return {};
    return it->second.choice;
}

void TrackChoices::remember(const PlaybackItem& item, const TrackChoice& picked)
{
    if (item.id.empty() || item.id.size() > kMaxIdBytes || !fitsStateFile(item.id)) return;
    TrackChoice choice = picked;
    if (choice.subtitles && !fitsStateFile(choice.subtitles->file))
        choice.subtitles.reset(); // a file name the state file cannot hold: the default rule next time
    if (!choice.audio && !choice.subtitles) {
        if (entries_.erase(item.id) > 0) dirty_ = true;
        return;
    }
    Entry& e = entries_[item.id];
    if (e.choice == choice && e.size == item.size && e.modified == item.modified && e.order + 1 == nextOrder_) return;
    e = {choice, item.size, item.modified, nextOrder_++};
    dirty_ = true;
    if (entries_.size() > kCapacity) {
        const auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                             [](const auto& a, const auto& b) { return a.second.order < b.second.order; });
        entries_.erase(oldest);
    }
}

std::string TrackChoices::serialise(const Snapshot& snapshot)
{
    plist::Dictionary dict;
    for (const auto& [id, e] : snapshot) {
        plist::Dictionary fields;
        if (e.choice.audio) fields["audio"] = Value::makeInteger(*e.choice.audio);
        if (const auto& s = e.choice.subtitles) {
            fields["subtitles"] = Value::makeString(kSubtitleKinds[static_cast<int>(s->kind)]);
            if (s->kind == SubtitleChoice::Kind::File) fields["subtitleFile"] = Value::makeString(s->file);
            if (s->kind == SubtitleChoice::Kind::Track) fields["subtitleTrack"] = Value::makeInteger(s->stream);
        }
        if (e.size) fields["size"] = Value::makeUnsigned(*e.size);
        if (e.modified) fields["modified"] = Value::makeInteger(*e.modified);
        fields["order"] = Value::makeUnsigned(e.order);
        dict[id] = Value::makeDictionary(std::move(fields));
    }
    return serialiseState(std::move(dict));
}

Status TrackChoices::save()
{
    dirty_ = false;
    return writeStateFile(file_, serialise(entries_));
}

void TrackChoices::saveInBackground()
{
    dirty_ = false;
    writeStateInBackground(file_, [snapshot = entries_] { return serialise(snapshot); });
}

} // namespace kavio
