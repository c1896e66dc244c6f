#include "SchedulerSimulation.h"

#include "CReminderScheduler.h"
#include "CSettingsStore.h"
#include "CContentCatalog.h"
#include "SettingsTable.h"
#include "Windows1252.h"

#include <deque>
#include <optional>

namespace {

// ---- Parsing -------------------------------------------------------------

// Words as a POSIX shell splits them: blanks separate, quotes group, a
// backslash takes the next character as it is (in double quotes only before
// $ ` " \ and a newline), '#' at the start of a word begins a comment.
bool SplitWords(const std::string& line, std::vector<std::string>* words, std::string* error)
{
    std::string word;
    bool inWord = false;
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord)
                words->push_back(word);
            word.clear();
            inWord = false;
            ++i;
        } else if (c == '#' && !inWord) {
            break;
        } else if (c == '\'') {
            const size_t end = line.find('\'', i + 1);
            if (end == std::string::npos) {
                *error = "unterminated single quote";
                return false;
            }
            word += line.substr(i + 1, end - i - 1);
            inWord = true;
            i = end + 1;
        } else if (c == '"') {
            ++i;
            for (;;) {
                if (i >= line.size()) {
                    *error = "unterminated double quote";
                    return false;
                }
                if (line[i] == '"')
                    break;
                if (line[i] == '\\' && i + 1 < line.size()
                    && std::string_view("$`\"\\").find(line[i + 1]) != std::string_view::npos)
                    ++i;
                word += line[i++];
            }
            inWord = true;
            ++i;
        } else if (c == '\\') {
            if (i + 1 < line.size())
                word += line[i + 1];
            inWord = true;
            i += 2;
        } else {
            word += c;
            inWord = true;
            ++i;
        }
    }
    if (inWord)
        words->push_back(word);
    return true;
}

std::optional<int64_t> ParseNumber(const std::string& text)
{
    if (text.empty() || text.size() > 18) // fits int64 without overflow
        return std::nullopt;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size())
        return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return text[0] == '-' ? -value : value;
}

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::optional<int64_t> ParseLocalTime(const std::string& text)
{
    int y, mo, d, h, mi, s;
    char tail;
    if (text.size() != 19 || std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
        return std::nullopt;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0)
        return std::nullopt;
    return DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
}

std::optional<QByteArray> ParseValue(const std::string& text)
{
    if (text.rfind("hex:", 0) != 0) {
        const std::string bytes = ToWindows1252(QString::fromUtf8(text.data(), qsizetype(text.size())));
        return QByteArray(bytes.data(), qsizetype(bytes.size()));
    }
    const QByteArray hex = QByteArray::fromStdString(text.substr(4));
    if (hex.size() % 2 != 0)
        return std::nullopt;
    for (char c : hex) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
    }
    return QByteArray::fromHex(hex);
}

struct EventRule {
    const char* name;
    size_t minArgs;
    size_t maxArgs;
};
constexpr EventRule kEventRules[] = {
    {"start", 0, 0}, {"key", 1, 1}, {"click", 1, 1}, {"move", 0, 0},  {"viewer", 1, 1},
    {"saver", 1, 1}, {"answer", 1, 1}, {"clock", 1, 1}, {"set", 2, 2}, {"msg", 1, 2},
    {"cmd", 1, 1},   {"dblclick", 0, 0}, {"end", 0, 0},
};

bool CheckEvent(const TimelineEvent& event, std::string* error)
{
    const EventRule* rule = nullptr;
    for (const EventRule& r : kEventRules) {
        if (event.name == r.name)
            rule = &r;
    }
    if (!rule) {
        *error = "unknown event '" + event.name + "'";
        return false;
    }
    if (event.args.size() < rule->minArgs || event.args.size() > rule->maxArgs) {
        *error = "wrong number of arguments for '" + event.name + "'";
        return false;
    }
    auto isNumber = [](const std::string& s) { return ParseNumber(s).has_value(); };
    const std::string& a = event.args.empty() ? std::string() : event.args[0];
    if (event.name == "key" || event.name == "click") {
        const auto n = ParseNumber(a);
        if (!n || *n < 0 || *n > INT32_MAX) {
            *error = "'" + event.name + "' takes a count 0-2147483647";
            return false;
        }
    } else if (event.name == "viewer" && a != "none" && a != "back" && a != "front") {
        *error = "'viewer' takes none, back or front";
        return false;
    } else if (event.name == "saver" && a != "on" && a != "off") {
        *error = "'saver' takes on or off";
        return false;
    } else if ((event.name == "answer" || event.name == "clock" || event.name == "cmd") && !isNumber(a)) {
        *error = "'" + event.name + "' takes a number";
        return false;
    } else if (event.name == "msg") {
        for (const std::string& arg : event.args) {
            const auto n = ParseNumber(arg);
            if (!n || *n < INT32_MIN || *n > UINT32_MAX) {
                *error = "'msg' takes 32-bit numbers";
                return false;
            }
        }
    }
    return true;
}

// ---- Simulation ----------------------------------------------------------

class SimulatedHost final : public ISchedulerHost {
public:
    std::vector<std::string>* out = nullptr;
    int64_t second = 0;
    int64_t localStart = 0;
    int64_t clockShift = 0;
    int keyCount = 0;
    int mouseCount = 0;
    int64_t lastKey = 0;
    int64_t lastMouse = 0;
    bool viewerExists = false;
    bool viewerFront = false;
    bool saverOn = false;
    std::deque<int> answers;

    void Print(const std::string& action) { out->push_back(std::to_string(second) + " " + action); }

    int64_t Now() override { return second; }
    int64_t LocalTime() override { return localStart + second + clockShift; }
    int GetKeyClicks() override { return keyCount; }
    int GetMouseClicks() override { return mouseCount; }
    void SetKeyCount(int count) override { keyCount = count; }
    void SetMouseCount(int count) override { mouseCount = count; }
    int64_t GetLastKeystrokeTime() override { return lastKey; }
    int64_t GetLastMouseTime() override { return lastMouse; }
    bool ViewerExists() override { return viewerExists; }
    bool ViewerInFront() override { return viewerFront; }
    bool ScreenSaverActive() override { return saverOn; }
    void PlayNotificationSound() override { Print("sound"); }
    void FlashingChanged(bool on) override { Print(on ? "flash on" : "flash off"); }
    void ShowNormalIcon() override {}
    void Beep() override { Print("beep"); }
    int ShowReminderDialog() override
    {
        int answer = 2;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        Print("dialog " + std::to_string(answer));
        return answer;
    }
    void RequestDialogClose() override {}
    void ShowPreferences() override {}
    bool StartViewer(int topic) override
    {
        Print("launch " + std::to_string(topic));
        return true;
    }
    void HotKeyLoaded(const HotKeySettings&) override {}
    bool CanBuildTrayMenu() override
    {
        std::vector<CContentCatalog::MenuItem> items;
        CContentCatalog catalog;
        catalog.ScanStretches();
        return catalog.StretchMenuItems(&items);
    }
};

int AddCount(int count, int64_t n) { return static_cast<int>(static_cast<uint32_t>(count) + static_cast<uint32_t>(n)); }

} // namespace

bool ParseTimeline(const QByteArray& text, Timeline* timeline, std::string* error)
{
    *timeline = Timeline{};
    timeline->localStart = *ParseLocalTime("2026-01-05T08:00:00");
    const QList<QByteArray> lines = text.split('\n');
    int64_t last = 0;
    bool sawAt = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const int lineNumber = int(n + 1);
        auto fail = [&](const std::string& why) {
            *error = "line " + std::to_string(lineNumber) + ": " + why;
            return false;
        };
        std::vector<std::string> words;
        std::string why;
        if (!SplitWords(lines[n].toStdString(), &words, &why))
            return fail(why);
        if (words.empty())
            continue;
        TimelineEvent event;
        event.line = lineNumber;
        if (words[0] == "local") {
            const auto local = words.size() == 2 ? ParseLocalTime(words[1]) : std::nullopt;
            if (!local)
                return fail("'local' takes YYYY-MM-DDTHH:MM:SS");
            timeline->localStart = *local;
            continue;
        }
        if (words[0] == "set") {
            event.name = "set";
            event.args.assign(words.begin() + 1, words.end());
        } else if (words[0] == "at") {
            const auto time = words.size() >= 3 ? ParseNumber(words[1]) : std::nullopt;
            if (!time || *time < 0)
                return fail("'at' takes a second and an event");
            if (*time < last)
                return fail("times must not decrease");
            event.time = last = *time;
            sawAt = true;
            event.name = words[2];
            event.args.assign(words.begin() + 3, words.end());
        } else {
            return fail("unknown item '" + words[0] + "'");
        }
        if (!CheckEvent(event, &why))
            return fail(why);
        if (event.name == "set") {
            const auto value = ParseValue(event.args[1]);
            if (!value)
                return fail("bad hex: value");
            event.value = *value;
            if (event.time < 0 && sawAt)
                return fail("a 'set' without 'at' comes before the first 'at'");
        }
        timeline->events.push_back(std::move(event));
    }
    timeline->lastSecond = last;
    return true;
}

std::vector<std::string> RunTimeline(const Timeline& timeline, const QString& settingsFile, bool sleeping)
{
    std::vector<std::string> out;
    CSettingsStore store(settingsFile);
    SimulatedHost host;
    host.out = &out;
    host.localStart = timeline.localStart;
    CReminderScheduler scheduler(host, store);

    auto storeValue = [&](const TimelineEvent& event) {
        store.WriteString(QString::fromLatin1(Settings::kPreferences), QString::fromStdString(event.args[0]), event.value);
    };

    size_t next = 0;
    while (next < timeline.events.size() && timeline.events[next].time < 0)
        storeValue(timeline.events[next++]);

    bool started = false;
    int64_t wake = 0;
    for (int64_t t = 0; t <= timeline.lastSecond; ++t) {
        host.second = t;
        bool woken = false;
        for (; next < timeline.events.size() && timeline.events[next].time == t; ++next) {
            const TimelineEvent& e = timeline.events[next];
            const std::string& a = e.args.empty() ? std::string() : e.args[0];
            const int64_t n = e.args.empty() ? 0 : ParseNumber(a).value_or(0);
            if (e.name == "start") {
                host.keyCount = host.mouseCount = 0;
                host.lastKey = t;
                scheduler.Construct();
                scheduler.LoadSettings();
                started = woken = true;
            } else if (e.name == "key") {
                host.keyCount = AddCount(host.keyCount, n);
                if (n > 0)
                    host.lastKey = t;
            } else if (e.name == "click") {
                host.mouseCount = AddCount(host.mouseCount, n);
                if (n > 0)
                    host.lastMouse = t;
            } else if (e.name == "move") {
                host.lastMouse = t;
            } else if (e.name == "viewer") {
                host.viewerExists = a != "none";
                host.viewerFront = a == "front";
            } else if (e.name == "saver") {
                host.saverOn = a == "on";
            } else if (e.name == "answer") {
                host.answers.push_back(int(n));
            } else if (e.name == "clock") {
                host.clockShift += n;
                woken = true;
            } else if (e.name == "set") {
                storeValue(e);
            } else if (!started) {
                continue; // no controller yet for msg, cmd, dblclick
            } else if (e.name == "msg") {
                const int64_t lParam = e.args.size() > 1 ? ParseNumber(e.args[1]).value_or(0) : 0;
                scheduler.OnCtrlMessage(uint32_t(n), int32_t(uint32_t(lParam)));
                woken = true;
            } else if (e.name == "cmd") {
                if (n >= INT32_MIN && n <= INT32_MAX)
                    scheduler.OnCommand(int(n));
                woken = true;
            } else if (e.name == "dblclick") {
                scheduler.OnTrayDoubleClick();
                woken = true;
            }
            if (started && woken)
                wake = scheduler.NextWakeTime();
        }
        if (!started)
            continue;
        if (!sleeping || woken || t >= wake) {
            scheduler.Step();
            wake = scheduler.NextWakeTime();
        }
    }
    return out;
}
