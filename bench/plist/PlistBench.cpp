// Codec speed on the large store (1,000 records, about 40 MB of XML). The XML file is left
// at storePath() so plistlib_compare.py can time Python's plistlib on the same bytes.

#include "support/LargeStore.h"

#include "library/plist/Base64.h"
#include "library/plist/Codec.h"

#include <QByteArray>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>

namespace kavio::plist::bench {
namespace {

const char* storePath()
{
    return "/tmp/kavio-bench-store.plist";
}

struct Store {
    ValuePtr value = Value::makeDictionary(kavio::bench::largeStore());
    std::string xml = writeXml(*value);
    std::string binary = writeBinary(*value);
    Store()
    {
        std::ofstream(storePath(), std::ios::binary).write(xml.data(), static_cast<std::streamsize>(xml.size()));
        std::fprintf(stderr, "store: %s, %zu bytes of XML, %zu bytes binary\n", storePath(), xml.size(), binary.size());
    }
};

const Store& store()
{
    static const Store s;
    return s;
}

void setBytes(benchmark::State& state, std::size_t bytes)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_ReadFileXml(benchmark::State& state)
{
    const auto& s = store();
    for (auto _ : state) {
        auto r = readFile(storePath(), Limits::store());
        if (!r) state.SkipWithError(r.status().toString().c_str());
        benchmark::DoNotOptimize(r);
    }
    setBytes(state, s.xml.size());
}

void BM_ReadXml(benchmark::State& state)
{
    const auto& s = store();
    for (auto _ : state) benchmark::DoNotOptimize(readXml(s.xml, Limits::store()));
    setBytes(state, s.xml.size());
}

void BM_ReadBinary(benchmark::State& state)
{
    const auto& s = store();
    for (auto _ : state) benchmark::DoNotOptimize(readBinary(s.binary, Limits::store()));
    setBytes(state, s.binary.size());
}

void BM_WriteXml(benchmark::State& state)
{
    const auto& s = store();
    for (auto _ : state) benchmark::DoNotOptimize(writeXml(*s.value));
    setBytes(state, s.xml.size());
}

void BM_WriteBinary(benchmark::State& state)
{
    const auto& s = store();
    for (auto _ : state) benchmark::DoNotOptimize(writeBinary(*s.value));
    setBytes(state, s.binary.size());
}

// 30 MB of base64 laid out as the store lays out its <data> (depth 2: 60 characters a
// line, two tabs of indent).
const std::string& allBase64()
{
    static const std::string text = [] {
        std::mt19937 rng(7);
        const auto nested = Value::makeArray({Value::makeArray({Value::makeData(Bytes(kavio::bench::noisePng(rng, 30u << 20)))})});
        const auto xml = writeXml(*nested);
        const auto start = xml.find("<data>\n") + 7;
        return xml.substr(start, xml.find("</data>", start) - start);
    }();
    return text;
}

void BM_Base64DecodeOurs(benchmark::State& state)
{
    const auto& text = allBase64();
    std::string out;
    for (auto _ : state) {
        out.clear();
        if (!base64Decode(text, out)) state.SkipWithError("bad base64");
        benchmark::DoNotOptimize(out.data());
    }
    setBytes(state, text.size());
}

void BM_Base64DecodeQt(benchmark::State& state)
{
    const auto& text = allBase64();
    const auto bytes = QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size()));
    for (auto _ : state) benchmark::DoNotOptimize(QByteArray::fromBase64(bytes));
    setBytes(state, text.size());
}

void BM_Base64EncodeOurs(benchmark::State& state)
{
    std::string bytes;
    base64Decode(allBase64(), bytes);
    std::string out;
    for (auto _ : state) {
        out.clear();
        base64Encode(bytes, out);
        benchmark::DoNotOptimize(out.data());
    }
    setBytes(state, bytes.size());
}

BENCHMARK(BM_ReadFileXml)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ReadXml)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_ReadBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteXml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Base64DecodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Base64DecodeQt)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Base64EncodeOurs)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kavio::plist::bench

BENCHMARK_MAIN();
