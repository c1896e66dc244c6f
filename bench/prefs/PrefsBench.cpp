// Cost of the settings store's operations on a file with every value set,
// on the disk the temporary directory lives on (TMPDIR).
#include "CSettingsStore.h"
#include "SettingsFileCheck.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct FilledStore {
    QTemporaryDir dir;
    CSettingsStore store{dir.path() + "/Stretch.conf"};

    FilledStore()
    {
        for (const SettingValue* value : Settings::All()) {
            if (value->type == SettingType::Int)
                store.WriteInt(*value, value->IntDefault(SettingReader::Controller));
            else
                store.WriteString(*value, value->TextDefault(SettingReader::Controller));
        }
    }
};

// A read when no other process wrote since the last one.
void BM_ReadIntUnchanged(benchmark::State& state)
{
    FilledStore filled;
    for (auto _ : state)
        benchmark::DoNotOptimize(filled.store.ReadInt(Settings::kActivationInterval, SettingReader::Controller));
}
BENCHMARK(BM_ReadIntUnchanged);

void BM_ReadStringUnchanged(benchmark::State& state)
{
    FilledStore filled;
    for (auto _ : state)
        benchmark::DoNotOptimize(filled.store.ReadString(Settings::kSequence, SettingReader::Page));
}
BENCHMARK(BM_ReadStringUnchanged);

// A write right after another: includes the damage check, the atomic
// replace with its sync to disk, and any wait for a later file time.
void BM_WriteIntBackToBack(benchmark::State& state)
{
    FilledStore filled;
    int value = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(filled.store.WriteInt(Settings::kLastStretchTopic, 200 + (value++ % 100)));
}
BENCHMARK(BM_WriteIntBackToBack)->Unit(benchmark::kMillisecond);

// A write onto a file dated an hour ahead of the clock (copied in, or the
// clock was set back): no time-order retries can help, so one write.
void BM_WriteIntFileDatedAhead(benchmark::State& state)
{
    FilledStore filled;
    int value = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            QFile file(filled.store.FilePath());
            file.open(QIODevice::ReadWrite);
            file.setFileTime(QDateTime::currentDateTime().addSecs(3600), QFileDevice::FileModificationTime);
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(filled.store.WriteInt(Settings::kLastStretchTopic, 200 + (value++ % 100)));
    }
}
BENCHMARK(BM_WriteIntFileDatedAhead)->Unit(benchmark::kMillisecond);

// A page applying the activation group: eleven writes in a row.
void BM_ApplyActivationGroup(benchmark::State& state)
{
    FilledStore filled;
    int value = 0;
    for (auto _ : state) {
        ++value;
        for (const SettingValue* setting : Settings::Group(SettingGroup::Activation))
            filled.store.WriteInt(*setting, value % 5);
    }
}
BENCHMARK(BM_ApplyActivationGroup)->Unit(benchmark::kMillisecond);

void BM_DamageCheckFullFile(benchmark::State& state)
{
    FilledStore filled;
    QFile file(filled.store.FilePath());
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    for (auto _ : state)
        benchmark::DoNotOptimize(FindSettingsFileDamage(bytes));
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}
BENCHMARK(BM_DamageCheckFullFile);

} // namespace

BENCHMARK_MAIN();
