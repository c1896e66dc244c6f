// The monitor thread against a private Xvfb: its CPU while the user makes
// about 1000 input events a second (driven through XTest), and how often it
// wakes while nothing happens.
#include "DesktopSession.h"
#include "HookTesting.h"
#include "OvantisHook.h"

#include <QCoreApplication>
#include <QFile>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kSeconds = 5;
constexpr int kEventsPerSecond = 1000;

QString TaskFile(const char* name)
{
    return QString("/proc/self/task/%1/%2").arg(HookTesting::MonitorThreadId()).arg(name);
}

// Nanoseconds the monitor thread has spent on a CPU.
double ThreadCpuNs()
{
    QFile file(TaskFile("schedstat"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.readAll().split(' ').value(0).toDouble();
}

// Voluntary plus involuntary context switches of the monitor thread.
double ThreadSwitches()
{
    QFile file(TaskFile("status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    double total = 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("voluntary_ctxt_switches:") || line.startsWith("nonvoluntary_ctxt_switches:"))
            total += line.mid(line.indexOf(':') + 1).trimmed().toDouble();
    }
    return total;
}

double NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1e9 + double(now.tv_nsec);
}

void BM_MonitorAt1000EventsPerSecond(benchmark::State& state)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        state.SkipWithError("no X server");
        return;
    }
    const KeyCode keyA = XKeysymToKeycode(display, XStringToKeysym("a"));
    for (auto _ : state) {
        SetKeyCount(0);
        const double cpuBefore = ThreadCpuNs(), switchesBefore = ThreadSwitches(), wallBefore = NowNs();
        timespec next{};
        clock_gettime(CLOCK_MONOTONIC, &next);
        const int total = kSeconds * kEventsPerSecond;
        for (int i = 0; i < total; ++i) {
            switch (i % 4) { // a keystroke and a small mouse move, over and over
            case 0: XTestFakeKeyEvent(display, keyA, True, CurrentTime); break;
            case 1: XTestFakeKeyEvent(display, keyA, False, CurrentTime); break;
            case 2: XTestFakeRelativeMotionEvent(display, 1, 0, CurrentTime); break;
            default: XTestFakeRelativeMotionEvent(display, -1, 0, CurrentTime); break;
            }
            XFlush(display);
            next.tv_nsec += 1'000'000'000 / kEventsPerSecond;
            if (next.tv_nsec >= 1'000'000'000) {
                next.tv_nsec -= 1'000'000'000;
                ++next.tv_sec;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        }
        XSync(display, False);
        const int expectedKeys = total / 4;
        for (int wait = 0; wait < 200 && GetKeyClicks() < expectedKeys; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const double wall = NowNs() - wallBefore;
        state.SetIterationTime(wall / 1e9);
        state.counters["events_per_s"] = double(total) / (wall / 1e9);
        state.counters["monitor_cpu_percent"] = 100.0 * (ThreadCpuNs() - cpuBefore) / wall;
        state.counters["monitor_ns_per_event"] = (ThreadCpuNs() - cpuBefore) / double(total);
        state.counters["monitor_switches_per_s"] = (ThreadSwitches() - switchesBefore) / (wall / 1e9);
        state.counters["keys_counted"] = GetKeyClicks();
        state.counters["keys_sent"] = expectedKeys;
    }
    XCloseDisplay(display);
}
BENCHMARK(BM_MonitorAt1000EventsPerSecond)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_MonitorIdle(benchmark::State& state)
{
    for (auto _ : state) {
        const double cpuBefore = ThreadCpuNs(), switchesBefore = ThreadSwitches(), wallBefore = NowNs();
        std::this_thread::sleep_for(std::chrono::seconds(kSeconds));
        const double wall = NowNs() - wallBefore;
        state.SetIterationTime(wall / 1e9);
        state.counters["monitor_switches_per_s"] = (ThreadSwitches() - switchesBefore) / (wall / 1e9);
        state.counters["monitor_cpu_ns"] = ThreadCpuNs() - cpuBefore;
    }
}
BENCHMARK(BM_MonitorIdle)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    char dir[] = "/tmp/hookbench.XXXXXX";
    if (!mkdtemp(dir))
        return 1;
    setenv("XDG_RUNTIME_DIR", dir, 1);
    HookTesting::Attach();

    DesktopSession session;
    DesktopSession::Options options;
    options.sessionBus = false;
    if (!session.Start(options)) {
        fprintf(stderr, "no Xvfb: %s\n", qPrintable(session.Error()));
        return 1;
    }
    InstallHooks();
    if (!HookTesting::MonitorConnected()) {
        fprintf(stderr, "the monitor did not connect\n");
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    RemoveHooks();
    session.Stop();
    unlink((std::string(dir) + "/OvantisHook-v1.shm").c_str());
    unlink((std::string(dir) + "/OvantisHook-v1.lock").c_str());
    rmdir(dir);
    return 0;
}
