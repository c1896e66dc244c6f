// One scheduler step in each kind of waiting state, with the number of
// allocations per step (the step must make none), and the sleeping timer's
// look-ahead.
#include "CReminderScheduler.h"
#include "CSettingsStore.h"

#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <new>

namespace {

std::atomic<uint64_t> s_allocations{0};

} // namespace

void* operator new(std::size_t size)
{
    s_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// A host whose clock moves 100 ms per step, as the real timer does.
class BenchHost final : public ISchedulerHost {
public:
    int64_t ms = 1'000'000'000;
    int64_t Now() override { return ms / 1000; }
    int64_t LocalTime() override { return 1'767'600'000 + ms / 1000; }
    int GetKeyClicks() override { return keys; }
    int GetMouseClicks() override { return clicks; }
    void SetKeyCount(int count) override { keys = count; }
    void SetMouseCount(int count) override { clicks = count; }
    int64_t GetLastKeystrokeTime() override { return ms / 1000; }
    int64_t GetLastMouseTime() override { return ms / 1000; }
    bool ViewerExists() override { return false; }
    bool ViewerInFront() override { return false; }
    bool ScreenSaverActive() override { return false; }
    void PlayNotificationSound() override {}
    void FlashingChanged(bool) override {}
    void ShowNormalIcon() override {}
    void Beep() override {}
    int ShowReminderDialog() override { return 2; }
    void RequestDialogClose() override {}
    void ShowPreferences() override {}
    bool StartViewer(int) override { return true; }
    void HotKeyLoaded(const HotKeySettings&) override {}
    bool CanBuildTrayMenu() override { return false; }
    int keys = 0;
    int clicks = 0;
};

void RunSteps(benchmark::State& state, int mode)
{
    QTemporaryDir dir;
    CSettingsStore store(dir.path() + "/Stretch.conf");
    store.WriteInt(Settings::kActivationMode, mode);
    store.WriteInt(Settings::kActivationClock[0], 0x01); // 1:45, far from the benchmark's hours
    BenchHost host;
    CReminderScheduler scheduler(host, store);
    scheduler.Construct();
    scheduler.LoadSettings();
    const uint64_t before = s_allocations.load();
    uint64_t steps = 0;
    for (auto _ : state) {
        host.ms += 100;
        scheduler.Step();
        ++steps;
    }
    state.counters["allocations/step"] = double(s_allocations.load() - before) / double(steps ? steps : 1);
}

void BM_StepInterval(benchmark::State& state) { RunSteps(state, 0); }
void BM_StepClockTimes(benchmark::State& state) { RunSteps(state, 1); }
void BM_StepCounts(benchmark::State& state) { RunSteps(state, 2); }
BENCHMARK(BM_StepInterval);
BENCHMARK(BM_StepClockTimes);
BENCHMARK(BM_StepCounts);

void BM_NextWakeTime(benchmark::State& state)
{
    QTemporaryDir dir;
    CSettingsStore store(dir.path() + "/Stretch.conf");
    BenchHost host;
    CReminderScheduler scheduler(host, store);
    scheduler.Construct();
    scheduler.LoadSettings();
    for (auto _ : state)
        benchmark::DoNotOptimize(scheduler.NextWakeTime());
}
BENCHMARK(BM_NextWakeTime);

} // namespace

BENCHMARK_MAIN();
