// Cost of one call of the hook procedures, with the real boot-time clock
// and the real shared block, and the number of allocations per call.
#include "HookTesting.h"
#include "OvantisHook.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <new>
#include <string>
#include <unistd.h>

namespace {
std::atomic<uint64_t> s_allocations{0};
}

void* operator new(std::size_t size)
{
    s_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

constexpr long kKeycodeA = 38L << 16;
constexpr long kRelease = (1L << 30) | (1L << 31);

// Allocations seen while the loop ran, in total (the benchmark library's
// own bookkeeping included): millions of calls must not show in it.
void ReportAllocations(benchmark::State& state, uint64_t before, uint64_t calls)
{
    state.counters["allocations"] = double(s_allocations.load() - before);
    state.counters["calls"] = double(calls);
}

// One press and one release of a key: two calls, one count.
void BM_KeyboardProc_PressRelease(benchmark::State& state)
{
    const uint64_t before = s_allocations.load();
    uint64_t calls = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(KeyboardProc(0, 0x41, kKeycodeA | 1));
        benchmark::DoNotOptimize(KeyboardProc(0, 0x41, kKeycodeA | 1 | kRelease));
        calls += 2;
    }
    state.SetItemsProcessed(int64_t(calls));
    ReportAllocations(state, before, calls);
}
BENCHMARK(BM_KeyboardProc_PressRelease);

// A release that is tested against an armed hot key that does not match.
void BM_KeyboardProc_ReleaseWithHotKeyTest(benchmark::State& state)
{
    SetHotKey(1, 1, 0, 0x41);
    EnableHotKey(1);
    const uint64_t before = s_allocations.load();
    uint64_t calls = 0;
    for (auto _ : state) {
        KeyboardProc(0, 0x41, kKeycodeA | 1);
        benchmark::DoNotOptimize(KeyboardProc(0, 0x41, kKeycodeA | 1 | kRelease));
        calls += 2;
    }
    EnableHotKey(0);
    state.SetItemsProcessed(int64_t(calls));
    ReportAllocations(state, before, calls);
}
BENCHMARK(BM_KeyboardProc_ReleaseWithHotKeyTest);

// Auto-repeat: a press of a key already held.
void BM_KeyboardProc_Repeat(benchmark::State& state)
{
    KeyboardProc(0, 0x41, kKeycodeA | 1);
    const uint64_t before = s_allocations.load();
    uint64_t calls = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(KeyboardProc(0, 0x41, kKeycodeA | 1 | (1L << 30)));
        ++calls;
    }
    KeyboardProc(0, 0x41, kKeycodeA | 1 | kRelease);
    state.SetItemsProcessed(int64_t(calls));
    ReportAllocations(state, before, calls);
}
BENCHMARK(BM_KeyboardProc_Repeat);

void BM_MouseProc(benchmark::State& state)
{
    const unsigned message = unsigned(state.range(0));
    const uint64_t before = s_allocations.load();
    uint64_t calls = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(MouseProc(0, message, 0));
        ++calls;
    }
    state.SetItemsProcessed(int64_t(calls));
    ReportAllocations(state, before, calls);
}
BENCHMARK(BM_MouseProc)->Arg(0x0200)->Arg(0x0201); // move, left button down

} // namespace

int main(int argc, char** argv)
{
    // A runtime directory of our own, so the session's real counters stay untouched.
    char dir[] = "/tmp/hookbench.XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    setenv("XDG_RUNTIME_DIR", dir, 1);
    HookTesting::Attach();
    KeyboardProc(0, 0x41, kKeycodeA | 1); // map the block before measuring
    KeyboardProc(0, 0x41, kKeycodeA | 1 | kRelease);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    unlink((std::string(dir) + "/OvantisHook-v1.shm").c_str());
    unlink((std::string(dir) + "/OvantisHook-v1.lock").c_str());
    rmdir(dir);
    return 0;
}
