#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

/// One item of a timeline: `set` before the start, or `at T EVENT ARGS`.
struct TimelineEvent {
    int line = 0;
    int64_t time = -1; ///< -1 for a `set` before any `at`
    std::string name;  ///< start, key, click, move, viewer, saver, answer, clock, set, msg, cmd, dblclick, end
    std::vector<std::string> args;
    QByteArray value;  ///< `set`: the bytes to store
};

struct Timeline {
    int64_t localStart = 0;      ///< local wall-clock seconds at second 0
    std::vector<TimelineEvent> events;
    int64_t lastSecond = 0;
};

/// Reads a timeline; false with *error ("line N: ...") when it does not parse.
bool ParseTimeline(const QByteArray& text, Timeline* timeline, std::string* error);

/// Runs the real scheduler over the timeline and returns the action lines.
/// With sleeping, the controller steps only when an event reaches it or at
/// the moment the scheduler said it would next have something to do, as a
/// controller that does not wake ten times a second; the lines must be the
/// same as with a step every second.
std::vector<std::string> RunTimeline(const Timeline& timeline, const QString& settingsFile, bool sleeping);
