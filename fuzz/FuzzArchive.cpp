// Keyed archives through both decoders on the same bytes: the generic object graph and
// the MovieInfo record. Any input is decoded or rejected; a record that decodes survives
// our encoder unchanged, and where both decoders accept, they agree on its fields.

#include "FuzzSupport.h"

#include "library/archive/KeyedArchive.h"
#include "library/archive/MovieInfo.h"

namespace {

using namespace kavio;

// The graph's view of one record field: a set field must be the same string or bytes.
void checkField(const archive::ArchivedValue& root, std::string_view key, const std::optional<std::string>& field)
{
    if (!field) return;
    const archive::ArchivedValue* m = root.member(key);
    const plist::Value* s = m ? m->scalar() : nullptr;
    if (!s || !s->string() || *s->string() != *field) fuzz::invariantBroken("graph and record disagree on a string");
}

void checkData(const archive::ArchivedValue& root, const std::optional<plist::Bytes>& field)
{
    if (!field) return;
    const archive::ArchivedValue* m = root.member("imgData");
    const plist::Value* s = m ? m->scalar() : nullptr;
    if (!s || !s->data() || !(*s->data() == *field)) fuzz::invariantBroken("graph and record disagree on imgData");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = fuzz::asText(data, size);
    const Result<archive::KeyedArchive> frame = archive::KeyedArchive::read(bytes);
    const Result<MovieInfo> record = decodeMovieInfo(bytes);
    if (!frame && frame.status().isOk()) fuzz::invariantBroken("frame failure without a status");
    if (!record && record.status().isOk()) fuzz::invariantBroken("record failure without a status");
    if (!frame && record) fuzz::invariantBroken("record decoded from an archive whose frame is rejected");

    Result<archive::ArchivedPtr> graph = Status::corrupt("no frame");
    if (frame) {
        graph = archive::decodeGraph(*frame);
        if (!graph && graph.status().isOk()) fuzz::invariantBroken("graph failure without a status");
        if (graph && !*graph) fuzz::invariantBroken("graph decoded to nothing");
    }
    if (!record) return 0;

    const Result<MovieInfo> again = decodeMovieInfo(encodeMovieInfo(*record));
    if (!again) fuzz::invariantBroken(("re-encoded record unreadable: " + again.status().toString()).c_str());
    if (!(*again == *record)) fuzz::invariantBroken("re-encoded record differs");

    if (!graph) return 0;
    const archive::ArchivedObject* object = (*graph)->object();
    if (!object || object->className != kMovieInfoClassName) fuzz::invariantBroken("record root is not a MovieInfo object in the graph");
    const archive::ArchivedValue& root = **graph;
    checkField(root, "FILENAME", record->FILENAME);
    checkField(root, "ARTIST", record->ARTIST);
    checkField(root, "EXTENSION", record->EXTENSION);
    checkField(root, "KEY", record->KEY);
    checkField(root, "urlLink", record->urlLink);
    checkData(root, record->imgData);
    return 0;
}
