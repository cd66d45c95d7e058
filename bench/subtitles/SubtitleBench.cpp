// Reading subtitle files and finding what shows: a feature film's SRT (1,500 cues, UTF-8
// and Latin-1), its WebVTT, the hostile files the tests bound (100,000 cues, a 1 MB cue
// and a 10 MB file), and the player's lookups on 100,000 cues with one spanning them
// all. "heap_MB" is the memory the parsed result holds.

#include "library/subtitles/CueTimeline.h"
#include "library/subtitles/Parser.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstdio>
#include <random>

namespace {

using namespace kavio::subtitles;

std::string stamp(std::size_t ms, char separator)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02zu:%02zu:%02zu%c%03zu", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, separator,
                  ms % 1000);
    return buffer;
}

// Cues of two lines of about 40 characters, some styled, every 3 seconds.
std::string film(std::size_t cues, Format format, bool latin1 = false)
{
    const char separator = format == Format::Srt ? ',' : '.';
    std::string file = format == Format::WebVtt ? "WEBVTT\n\n" : "";
    const std::string accent = latin1 ? "\xE9" : "\xC3\xA9";
    for (std::size_t i = 0; i < cues; ++i) {
        if (format == Format::Srt) file += std::to_string(i + 1) + "\r\n";
        file += stamp(i * 3000, separator) + " --> " + stamp(i * 3000 + 2500, separator) + "\r\n";
        file += (i % 5 == 0 ? "<i>Where are we going, caf" + accent + "?</i>" : "- Where are we going, caf" + accent + "?") + "\r\n";
        file += "- To the coast, before it gets dark.\r\n\r\n";
    }
    return file;
}

std::size_t heapInUse() { return mallinfo2().uordblks; }

void parseCase(benchmark::State& state, const std::string& bytes, Format format)
{
    std::size_t cues = 0, heap = 0;
    for (auto _ : state) {
        const std::size_t before = heapInUse();
        ParsedSubtitles parsed = parse(bytes, format);
        heap = heapInUse() - before;
        cues = parsed.cues.size();
        benchmark::DoNotOptimize(parsed);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
    state.counters["cues"] = static_cast<double>(cues);
    state.counters["file_MB"] = static_cast<double>(bytes.size()) / (1 << 20);
    state.counters["heap_MB"] = static_cast<double>(heap) / (1 << 20);
}

void BM_FilmSrt(benchmark::State& state) { parseCase(state, film(1500, Format::Srt), Format::Srt); }
void BM_FilmSrtLatin1(benchmark::State& state) { parseCase(state, film(1500, Format::Srt, true), Format::Srt); }
void BM_FilmWebVtt(benchmark::State& state) { parseCase(state, film(1500, Format::WebVtt), Format::WebVtt); }
// One short line a cue, so that all 100,000 fit the 8 MB read.
void BM_HundredThousandCues(benchmark::State& state)
{
    std::string file;
    for (std::size_t i = 0; i < 100'000; ++i)
        file += std::to_string(i + 1) + "\n" + stamp(i * 1000, ',') + " --> " + stamp(i * 1000 + 900, ',') + "\ncue " +
                std::to_string(i) + "\n\n";
    parseCase(state, file, Format::Srt);
}

// Past the 8 MB read: what is read is parsed, the rest is not.
void BM_TenMegabyteFile(benchmark::State& state) { parseCase(state, film(100'000, Format::Srt), Format::Srt); }

void BM_OneMegabyteCue(benchmark::State& state)
{
    const std::string file = "1\n00:00:01,000 --> 00:00:02,000\n<i>" + std::string(1u << 20, 'x') + "\n";
    parseCase(state, file, Format::Srt);
}

void BM_MillionBrackets(benchmark::State& state)
{
    const std::string file = "1\n00:00:01,000 --> 00:00:02,000\n" + std::string(1u << 20, '<') + "\n";
    parseCase(state, file, Format::Srt);
}

void BM_ActiveAt(benchmark::State& state)
{
    ParsedSubtitles parsed = parse(film(100'000, Format::Srt), Format::Srt);
    parsed.cues.push_back({Milliseconds(0), Milliseconds(300'000'000), {{TextRun{"all along"}}}});
    const CueTimeline timeline(std::move(parsed.cues));
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int64_t> time(0, 300'000'000);
    for (auto _ : state) {
        const auto shown = timeline.activeAt(Milliseconds(time(random)));
        benchmark::DoNotOptimize(shown);
    }
}

void BM_BuildTimeline(benchmark::State& state)
{
    const ParsedSubtitles parsed = parse(film(100'000, Format::Srt), Format::Srt);
    for (auto _ : state) {
        CueTimeline timeline(parsed.cues);
        benchmark::DoNotOptimize(timeline);
    }
}

} // namespace

BENCHMARK(BM_FilmSrt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilmSrtLatin1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilmWebVtt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HundredThousandCues)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenMegabyteFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneMegabyteCue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MillionBrackets)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildTimeline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ActiveAt);
BENCHMARK_MAIN();
