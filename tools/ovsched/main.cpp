// ovsched [--module PATH] [--compare] TIMELINE
//
// Runs the controller's scheduler on a simulated clock, hook counters,
// windows and dialog over a timeline and prints every observable action,
// one per line. With --compare the timeline is also run by a controller
// that sleeps until the scheduler's next moment; any difference between the
// two runs is reported on stderr and makes the exit status 3.
#include "ContentModule.h"
#include "SchedulerSimulation.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

enum ExitCode { kOk = 0, kUsage = 2, kDiffers = 3 };

int Usage()
{
    std::fputs("usage: ovsched [--module PATH] [--compare] TIMELINE\n", stderr);
    return kUsage;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString modulePath, timelinePath;
    bool compare = false;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "--module" && i + 1 < args.size())
            modulePath = args[++i];
        else if (args[i] == "--compare")
            compare = true;
        else if (args[i].startsWith("--") || !timelinePath.isEmpty())
            return Usage();
        else
            timelinePath = args[i];
    }
    if (timelinePath.isEmpty())
        return Usage();

    QFile file(timelinePath);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "ovsched: cannot read %s\n", qPrintable(timelinePath));
        return kUsage;
    }
    Timeline timeline;
    std::string error;
    if (!ParseTimeline(file.readAll(), &timeline, &error)) {
        std::fprintf(stderr, "ovsched: %s: %s\n", qPrintable(timelinePath), error.c_str());
        return kUsage;
    }

    // Only the module named here is loaded: without one, the simulation has
    // no content library at all.
    std::unique_ptr<ScopedContentLibrary> library;
    if (!modulePath.isEmpty()) {
        auto module = ContentModule::FromFile(modulePath.toStdString(), &error);
        if (!module) {
            std::fprintf(stderr, "ovsched: %s\n", error.c_str());
            return kUsage;
        }
        library = std::make_unique<ScopedContentLibrary>(std::move(module));
    }

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fputs("ovsched: cannot make a temporary directory\n", stderr);
        return kUsage;
    }
    const std::vector<std::string> lines = RunTimeline(timeline, dir.filePath("plain.conf"), false);
    for (const std::string& line : lines)
        std::printf("%s\n", line.c_str());

    if (compare) {
        const std::vector<std::string> slept = RunTimeline(timeline, dir.filePath("sleeping.conf"), true);
        if (slept != lines) {
            size_t i = 0;
            while (i < lines.size() && i < slept.size() && lines[i] == slept[i])
                ++i;
            std::fprintf(stderr, "ovsched: the sleeping controller differs at action %zu: '%s' instead of '%s'\n",
                         i + 1, i < slept.size() ? slept[i].c_str() : "(nothing)",
                         i < lines.size() ? lines[i].c_str() : "(nothing)");
            return kDiffers;
        }
    }
    return kOk;
}
