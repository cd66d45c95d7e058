#include "platform/media/MediaProbe.h"

#include "library/subtitles/CueText.h"
#include "library/subtitles/TextDecoding.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <memory>
#include <mutex>

namespace kavio::platform {

namespace fs = std::filesystem;
using subtitles::Milliseconds;

namespace {

// The containers the library's videos come in (mp4, mov, m4v, by content). No other
// demuxer is tried, and no protocol but plain files: a playlist named .mp4 opens nothing.
constexpr const char* kFormats = "mov,mp4,m4a,3gp,3g2,mj2";
// A cue without a length shows until the next one, at most this long.
constexpr Milliseconds kOpenEndedCue{5000};

struct FormatCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using Format = std::unique_ptr<AVFormatContext, FormatCloser>;

struct CodecFreer {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

bool isTextSubtitle(const AVCodecParameters& codec)
{
    switch (codec.codec_id) {
    case AV_CODEC_ID_MOV_TEXT:
    case AV_CODEC_ID_SUBRIP:
    case AV_CODEC_ID_SRT:
    case AV_CODEC_ID_ASS:
    case AV_CODEC_ID_SSA:
    case AV_CODEC_ID_WEBVTT:
    case AV_CODEC_ID_TEXT:
        return true;
    default:
        return false;
    }
}

Result<Format> open(const fs::path& file)
{
    // The demuxers' warnings about odd files are not the person's concern: errors only.
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        if (av_log_get_level() > AV_LOG_ERROR)
            av_log_set_level(AV_LOG_ERROR);
    });
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return Status::notFound("not a video file: " + file.string());
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", kFormats, 0);
    AVFormatContext* context = nullptr;
    // "file:" first: a name with a colon in it is never taken for another protocol.
    const std::string url = "file:" + file.string();
    const int error = avformat_open_input(&context, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (error < 0)
        return Status::unsupported("cannot read the streams of " + file.string());
    return Format(context);
}

std::string tag(const AVStream& stream, const char* key)
{
    const AVDictionaryEntry* entry = av_dict_get(stream.metadata, key, nullptr, 0);
    if (!entry || !entry->value)
        return {};
    const std::string value = entry->value;
    // Tags are meant to be UTF-8; anything else is read as the subtitle files are.
    return subtitles::decodeText(value).utf8;
}

MediaTrack trackOf(const AVStream& stream, int place)
{
    MediaTrack track;
    track.language = Language::fromCode(tag(stream, "language"));
    track.title = tag(stream, "title");
    track.stream = place;
    return track;
}

// The text of one decoded subtitle: ASS dialogue lines carry eight fields before it.
std::string dialogueText(const char* ass)
{
    std::string_view line(ass);
    for (int field = 0; field < 8; ++field) {
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos)
            return {};
        line.remove_prefix(comma + 1);
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return std::string(line);
}

} // namespace

std::vector<std::string> assTextToLines(std::string_view text)
{
    static constexpr std::pair<std::string_view, std::string_view> kOverrides[] = {
        {"{\\i1}", "<i>"}, {"{\\i0}", "</i>"}, {"{\\i}", "</i>"},
        {"{\\b1}", "<b>"}, {"{\\b0}", "</b>"}, {"{\\b}", "</b>"},
    };
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size();) {
        const std::string_view rest = text.substr(i);
        if (rest.starts_with("\\N") || rest.starts_with("\\n")) {
            lines.emplace_back();
            i += 2;
            continue;
        }
        if (rest.starts_with("\\h")) {
            lines.back() += ' ';
            i += 2;
            continue;
        }
        const auto* override = std::find_if(std::begin(kOverrides), std::end(kOverrides),
                                            [&](const auto& o) { return rest.starts_with(o.first); });
        if (override != std::end(kOverrides)) {
            lines.back() += override->second;
            i += override->first.size();
            continue;
        }
        switch (text[i]) {
        case '&': lines.back() += "&amp;"; break;
        case '<': lines.back() += "&lt;"; break;
        case '>': lines.back() += "&gt;"; break;
        case '\n': lines.emplace_back(); break;
        case '\r': break;
        default: lines.back() += text[i];
        }
        ++i;
    }
    return lines;
}

Result<ProbedTracks> probeTracks(const fs::path& file)
{
    Result<Format> format = open(file);
    if (!format)
        return format.status();
    ProbedTracks tracks;
    for (unsigned i = 0; i < (*format)->nb_streams; ++i) {
        const AVStream& stream = *(*format)->streams[i];
        if (stream.codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            tracks.audio.push_back(trackOf(stream, static_cast<int>(tracks.audio.size())));
        else if (stream.codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE && isTextSubtitle(*stream.codecpar))
            tracks.subtitles.push_back(trackOf(stream, static_cast<int>(tracks.subtitles.size())));
    }
    return tracks;
}

Result<subtitles::ParsedSubtitles> readEmbeddedSubtitles(const fs::path& file, int track, const subtitles::Limits& limits)
{
    Result<Format> format = open(file);
    if (!format)
        return format.status();
    AVFormatContext* context = format->get();
    // Only the chosen stream is read; the demuxer skips every other stream's samples.
    AVStream* chosen = nullptr;
    int place = 0;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        AVStream* stream = context->streams[i];
        stream->discard = AVDISCARD_ALL;
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE && isTextSubtitle(*stream->codecpar) && place++ == track)
            chosen = stream;
    }
    if (!chosen)
        return Status::notFound("no such subtitle track in " + file.string());
    chosen->discard = AVDISCARD_DEFAULT;

    const AVCodec* codec = avcodec_find_decoder(chosen->codecpar->codec_id);
    std::unique_ptr<AVCodecContext, CodecFreer> decoder(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!decoder || avcodec_parameters_to_context(decoder.get(), chosen->codecpar) < 0)
        return Status::unsupported("cannot decode the subtitles of " + file.string());
    decoder->pkt_timebase = chosen->time_base;
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return Status::unsupported("cannot decode the subtitles of " + file.string());

    subtitles::ParsedSubtitles parsed;
    subtitles::CueTextBuilder builder(subtitles::Markup::WebVtt, limits);
    std::vector<bool> openEnded;
    std::size_t textBytes = 0;
    std::unique_ptr<AVPacket, PacketFreer> packet(av_packet_alloc());
    while (packet && av_read_frame(context, packet.get()) >= 0) {
        const std::unique_ptr<AVPacket, void (*)(AVPacket*)> unref(packet.get(), av_packet_unref);
        if (packet->stream_index != chosen->index || packet->pts == AV_NOPTS_VALUE)
            continue;
        textBytes += static_cast<std::size_t>(packet->size);
        if (parsed.cues.size() >= limits.maxCues || textBytes > limits.maxFileBytes) {
            parsed.report.truncated = true;
            break;
        }
        AVSubtitle subtitle{};
        int got = 0;
        if (avcodec_decode_subtitle2(decoder.get(), &subtitle, &got, packet.get()) < 0 || !got)
            continue;
        for (unsigned r = 0; r < subtitle.num_rects; ++r) {
            const AVSubtitleRect* rect = subtitle.rects[r];
            const std::string text = rect->ass ? dialogueText(rect->ass) : rect->text ? std::string(rect->text) : std::string();
            for (const std::string& line : assTextToLines(subtitles::decodeText(text).utf8))
                builder.addLine(line);
        }
        parsed.report.truncated |= builder.truncated();
        subtitles::Cue cue;
        cue.lines = builder.take();
        const auto at = Milliseconds(av_rescale_q(packet->pts, chosen->time_base, AVRational{1, 1000}));
        cue.start = at + Milliseconds(subtitle.start_display_time);
        const bool known = subtitle.end_display_time > subtitle.start_display_time && subtitle.end_display_time != UINT32_MAX;
        cue.end = known ? at + Milliseconds(subtitle.end_display_time) : cue.start + kOpenEndedCue;
        avsubtitle_free(&subtitle);
        if (cue.lines.empty() || cue.end <= Milliseconds(0)) {
            ++parsed.report.skippedBlocks; // the empty samples between cues
            continue;
        }
        parsed.cues.push_back(std::move(cue));
        openEnded.push_back(!known);
    }
    // A cue without a length ends where the next begins.
    for (std::size_t i = 0; i + 1 < parsed.cues.size(); ++i) {
        if (openEnded[i] && parsed.cues[i + 1].start > parsed.cues[i].start)
            parsed.cues[i].end = std::min(parsed.cues[i].end, parsed.cues[i + 1].start);
    }
    return parsed;
}

} // namespace kavio::platform
