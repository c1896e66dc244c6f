// The viewer `stretch` on a private Xvfb with a window manager and a
// session bus (the controller's name owned, so start-up asks nothing):
// time from launch to the routine's first frame on screen, CPU while the
// routine animates, and memory (PSS) of the running viewer.
#include "BusNames.h"
#include "CSettingsStore.h"
#include "CommandListener.h"
#include "DesktopSession.h"
#include "TestHome.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kAnimateSeconds = 60;
// A pixel of the first routine's title banner (view coordinates) and its
// colour: it is there once the first frame has been drawn.
constexpr int kProbeX = 300, kProbeY = 20;

struct Desktop {
    TestHome home;
    DesktopSession session;
    std::unique_ptr<CommandListener> controller;
    Display* display = nullptr;

    bool Start()
    {
        DesktopSession::Options options;
        options.windowManager = true;
        if (!session.Start(options))
            return false;
        controller = std::make_unique<CommandListener>(session.BusAddress(), "controller");
        if (!controller->Own(QString("org.halvornpress.") + BusNames::kControllerClass))
            return false;
        CSettingsStore().WriteInt("Ovantis", "LastStretchTopic", 200);
        // Windows of a viewer that just ended vanish while we look at them:
        // such errors are expected, not fatal.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        display = XOpenDisplay(session.Display().toLocal8Bit().constData());
        return display != nullptr;
    }
    ~Desktop()
    {
        if (display)
            XCloseDisplay(display);
    }

    std::unique_ptr<QProcess> Launch()
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("DISPLAY", session.Display());
        p->setProcessEnvironment(env);
        p->start(QString(OVANTIS_BINARY_DIR) + "/bin/stretch", {});
        return p;
    }

    // The viewer's top-level window (a child of the window manager's frame).
    Window Find(Window parent, int depth)
    {
        Window root, up, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, parent, &root, &up, &children, &count))
            return 0;
        Window found = 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            if (XFetchName(display, children[i], &name) && name) {
                if (strncmp(name, "Ovantis - ", 10) == 0)
                    found = children[i];
                XFree(name);
            }
            if (!found && depth > 0)
                found = Find(children[i], depth - 1);
        }
        if (children)
            XFree(children);
        return found;
    }

    // Starts the viewer and waits until the routine's banner shows in its
    // window; null after 20 s. *ms: from the start to the first frame.
    std::unique_ptr<QProcess> LaunchToFirstFrame(qint64* ms)
    {
        QElapsedTimer clock;
        clock.start();
        auto viewer = Launch();
        if (WaitForFirstFrame(clock, ms))
            return viewer;
        std::fprintf(stderr, "no first frame: last pixel %06lx\n", m_lastPixel);
        return nullptr;
    }

    bool WaitForFirstFrame(const QElapsedTimer& clock, qint64* ms)
    {
        m_lastPixel = 0xFFFFFFFF;
        while (clock.elapsed() < 20000) {
            if (Window w = Find(DefaultRootWindow(display), 2)) {
                XWindowAttributes a;
                if (XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable) {
                    const int menuBar = a.height - 436;
                    XImage* image = XGetImage(display, w, kProbeX, menuBar + kProbeY, 1, 1, AllPlanes, ZPixmap);
                    if (image) {
                        const unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
                        XDestroyImage(image);
                        m_lastPixel = pixel;
                        if (pixel != 0xFFFFFF && pixel != 0) {
                            *ms = clock.elapsed();
                            return true;
                        }
                    }
                }
            }
            XSync(display, False);
            usleep(2000);
        }
        return false;
    }

    unsigned long m_lastPixel = 0;
};

double ProcessCpuSeconds(qint64 pid)
{
    QFile file(QString("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    // utime and stime are fields 14 and 15 of the whole line.
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

double PssKb(qint64 pid)
{
    QFile file(QString("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').value(0).toDouble();
    }
    return -1;
}

void Stop(Desktop* desktop, QProcess* p)
{
    p->terminate();
    if (!p->waitForFinished(5000))
        p->kill();
    p->waitForFinished(2000);
    // The next launch must not find this one's window.
    QElapsedTimer clock;
    clock.start();
    while (desktop->Find(DefaultRootWindow(desktop->display), 2) && clock.elapsed() < 5000)
        usleep(10000);
}

void BM_LaunchToFirstFrame(benchmark::State& state)
{
    Desktop desktop;
    if (!desktop.Start()) {
        state.SkipWithError(qPrintable(desktop.session.Error()));
        return;
    }
    for (auto _ : state) {
        qint64 ms = 0;
        auto viewer = desktop.LaunchToFirstFrame(&ms);
        if (!viewer) {
            state.SkipWithError("no first frame");
            return;
        }
        state.SetIterationTime(double(ms) / 1000.0);
        Stop(&desktop, viewer.get());
    }
}
BENCHMARK(BM_LaunchToFirstFrame)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_AnimatingCpuAndMemory(benchmark::State& state)
{
    Desktop desktop;
    if (!desktop.Start()) {
        state.SkipWithError(qPrintable(desktop.session.Error()));
        return;
    }
    for (auto _ : state) {
        qint64 ms = 0;
        auto viewer = desktop.LaunchToFirstFrame(&ms);
        if (!viewer) {
            state.SkipWithError("no first frame");
            return;
        }
        std::this_thread::sleep_for(std::chrono::seconds(2)); // past start-up
        const double cpu0 = ProcessCpuSeconds(viewer->processId());
        std::this_thread::sleep_for(std::chrono::seconds(kAnimateSeconds));
        const double cpu1 = ProcessCpuSeconds(viewer->processId());
        state.counters["cpu_percent_of_one_core"] = 100.0 * (cpu1 - cpu0) / kAnimateSeconds;
        state.counters["pss_mb"] = PssKb(viewer->processId()) / 1024.0;
        Stop(&desktop, viewer.get());
    }
}
BENCHMARK(BM_AnimatingCpuAndMemory)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
