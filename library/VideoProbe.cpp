#include "library/VideoProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <memory>
#include <mutex>
#include <string_view>

namespace kavio {

namespace fs = std::filesystem;

namespace {

// Enough of the file to find its streams, and no more: a broken or endless file is not
// read to its end.
constexpr const char* kProbeSize = "5000000";       // bytes
constexpr const char* kAnalyzeDuration = "5000000"; // microseconds of media

struct InputCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};

std::string quoted(const fs::path& file)
{
    return "\"" + file.filename().string() + "\"";
}

} // namespace

Status probeVideo(const fs::path& file)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); }); // the refusal speaks for it

    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return Status::notFound(quoted(file) + " could not be opened.");
    AVDictionary* options = nullptr;
    av_dict_set(&options, "probesize", kProbeSize, 0);
    av_dict_set(&options, "analyzeduration", kAnalyzeDuration, 0);
    AVFormatContext* opened = nullptr;
    const int openCode = avformat_open_input(&opened, file.c_str(), nullptr, &options);
    av_dict_free(&options);
    const std::string noVideo = quoted(file) + " holds no video Kavio can play.";
    if (openCode < 0) {
        if (openCode == AVERROR(EACCES) || openCode == AVERROR(ENOENT))
            return Status::notFound(quoted(file) + " could not be opened.");
        return Status::unsupported(noVideo);
    }
    const std::unique_ptr<AVFormatContext, InputCloser> input(opened);
    // A still picture (PNG, JPEG, ...) reads as one frame of "video": it is no video.
    const std::string_view demuxer = input->iformat->name;
    if (demuxer == "image2" || demuxer.ends_with("_pipe"))
        return Status::unsupported(noVideo);
    if (avformat_find_stream_info(input.get(), nullptr) < 0)
        return Status::unsupported(noVideo);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* codec = input->streams[i]->codecpar;
        if (codec->codec_type != AVMEDIA_TYPE_VIDEO || (input->streams[i]->disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue; // a cover picture is no video
        if (codec->width > 0 && codec->height > 0 && avcodec_find_decoder(codec->codec_id))
            return Status::ok();
    }
    return Status::unsupported(noVideo);
}

} // namespace kavio
