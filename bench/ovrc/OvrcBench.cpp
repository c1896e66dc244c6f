// Speed of the content compiler: building the shipped content, laying out
// modules of many resources, dumping a module back to sources, decoding
// scripts through the record tables, and reading a crafted module whose
// resource directories overlap (the work must stay linear in its size).
#include "ContentDumper.h"
#include "ContentModule.h"
#include "ModuleBuilder.h"
#include "PeResourceWriter.h"
#include "formats/ScriptFormat.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const std::string kContent = std::string(OVANTIS_SOURCE_DIR) + "/contentsrc";

void BuildShippedContent(benchmark::State& state)
{
    size_t bytes = 0;
    for (auto _ : state) {
        std::vector<uint8_t> image;
        std::vector<std::string> errors;
        if (!BuildModuleImage(kContent, &image, &errors))
            state.SkipWithError("build failed");
        bytes = image.size();
        benchmark::DoNotOptimize(image.data());
    }
    state.counters["module_bytes"] = double(bytes);
}
BENCHMARK(BuildShippedContent)->Unit(benchmark::kMillisecond);

void WriteModule(benchmark::State& state)
{
    PeResourceWriter writer;
    for (int i = 0; i < state.range(0); ++i) {
        writer.Add({ResName("SCRP"), ResName(uint16_t(i)), 1033, std::vector<uint8_t>(64, uint8_t(i))});
        if (i % 4 == 0)
            writer.Add({ResName("WAVE"), ResName("SOUND" + std::to_string(i)), 1033, std::vector<uint8_t>(64, 1)});
    }
    for (auto _ : state) {
        std::vector<uint8_t> image;
        writer.Write(&image);
        benchmark::DoNotOptimize(image.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(WriteModule)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void DumpShippedContent(benchmark::State& state)
{
    std::vector<uint8_t> image;
    std::vector<std::string> errors;
    if (!BuildModuleImage(kContent, &image, &errors)) {
        state.SkipWithError("build failed");
        return;
    }
    auto module = ContentModule::FromBytes(image);
    for (auto _ : state) {
        QTemporaryDir dir;
        ContentDumper dumper;
        std::string error;
        if (!dumper.Dump(*module, dir.filePath("dump").toStdString(), &error))
            state.SkipWithError(error.c_str());
    }
}
BENCHMARK(DumpShippedContent)->Unit(benchmark::kMillisecond);

void DecodeScript(benchmark::State& state)
{
    // 1000 statements of mixed sizes.
    std::vector<uint8_t> bytes = {0, 0, 0xE8, 0x03};
    for (int i = 0; i < 1000; ++i) {
        const auto& op = Formats::Script::kOpcodes[i % 12];
        auto record = Formats::Script::NewRecord(op);
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    for (auto _ : state) {
        auto view = Formats::Script::DecodeScript(bytes);
        benchmark::DoNotOptimize(view->records.data());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(DecodeScript);

void ReadOverlappingDirectories(benchmark::State& state)
{
    QFile file(QString(OVANTIS_SOURCE_DIR) + "/fuzz/pe_resources/regressions/overlapping-directories.dll");
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("no crafted module");
        return;
    }
    const QByteArray bytes = file.readAll();
    size_t entries = 0;
    for (auto _ : state) {
        PeResources pe;
        pe.Parse({reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())});
        entries = pe.Entries().size() + pe.Warnings().size();
    }
    state.counters["module_bytes"] = double(bytes.size());
    state.counters["entries_and_warnings"] = double(entries);
}
BENCHMARK(ReadOverlappingDirectories)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
