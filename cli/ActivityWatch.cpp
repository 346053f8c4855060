#include "cli/ActivityWatch.h"

#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliError.h"
#include "cli/Context.h"
#include "cli/Interruption.h"
#include "cli/MonitorPresence.h"
#include "cli/ProgressBar.h"
#include "front/Enclosure.h"
#include "front/EventHistory.h"
#include "front/MonitorLock.h"
#include "front/StoredEvent.h"

namespace zdctl::ActivityWatch {

namespace {

using zdfront::Activity;
using zdfront::Event;

constexpr auto kPollInterval = std::chrono::milliseconds(200);
// How many polls the controller's event may lag behind the end of the activity.
constexpr int kEndEventPolls = 10;
// While zdmond keeps the events: how often its history is read, and how long
// zdmond may take to store the end event (a few of its cycles, a minute each
// by default).
constexpr auto kHistoryPoll = std::chrono::milliseconds(250);
constexpr auto kHistoryDeadline = std::chrono::minutes(5);

struct Target {
    std::string subject;        // "Array 0"
    std::string followCommand;  // "zdctl -a 0 array wait 0"
    std::string fixCommand;     // "zdctl -a 0 array check 0 --fix"; empty for a disk
    std::function<std::optional<Activity>()> read;
    std::function<bool(const Event&)> ends;
};

// Progress goes to standard output with the tables, to standard error when
// standard output carries a JSON or XML document.
std::ostream& progressStream(Context& context)
{
    return context.table() ? context.out() : context.err();
}

bool progressTerminal(Context& context)
{
    return context.table() ? context.terminal().outputIsTerminal() : context.terminal().errorIsTerminal();
}

// How the activity ended, and where that was read.
struct Ending {
    std::optional<Event> event;
    std::string unknown;  // without an event: why it is not known
    std::string history;  // zdmond's history it was looked for in; empty: the controller's events
};

// Reads the controller's events until the one that reports the end arrives;
// every event read is kept in `read`.
Ending awaitDrained(Context& context, const Target& target, const Interruption& interruption,
                    std::vector<Event>& read)
{
    Ending ending;
    for (int poll = 0; poll < kEndEventPolls; ++poll) {
        for (Event& event : zdfront::Enclosure::readEvents(context.session())) read.push_back(std::move(event));
        for (const Event& event : read)
            if (target.ends(event)) ending.event = event;
        if (ending.event || interruption.wait(kPollInterval)) break;
    }
    if (!ending.event)
        ending.unknown = "the controller's event that says how was not found (another program may have read the "
                         "controller's events)";
    return ending;
}

// zdmond's pid while it keeps the history; nothing when it has stopped.
std::optional<std::string> zdmondOf(const std::string& history)
{
    try {
        return zdfront::MonitorLock::holder(history);
    } catch (const zdfront::LockError&) {
        return std::string("?");  // it may still run: leave the controller's events to it
    }
}

// The last event zdmond's history holds now, while zdmond keeps it: the end
// of the activity followed from now on is stored after it.
int64_t storedSoFar(Context& context)
{
    const std::string path = MonitorPresence::history(context);
    try {
        if (!zdfront::MonitorLock::holder(path)) return 0;
        return zdfront::EventHistory(path, zdfront::EventHistory::Mode::ReadOnly).lastId();
    } catch (const zdfront::LockError&) {
    } catch (const zdfront::HistoryError&) {
    }
    return 0;  // looked at again when the activity has ended
}

// The end event as zdmond stores it: the target's last one among the events
// stored since following began, once zdmond has read the controller after
// the activity ended (an earlier activity's end may be stored meanwhile,
// before this one's). Should zdmond stop first, the controller's events are
// read directly.
Ending awaitStored(Context& context, const Target& target, const Interruption& interruption,
                   const std::string& path, const std::string& pid, int64_t storedBefore, const std::string& what,
                   std::vector<Event>& read)
{
    const int64_t endedAt = static_cast<int64_t>(std::time(nullptr));
    progressStream(context) << what << " has ended; waiting for zdmond (pid " << pid
                            << ") to store the controller's event that says how" << std::endl;
    Ending ending;
    ending.history = path;
    try {
        zdfront::EventHistory history(path, zdfront::EventHistory::Mode::ReadOnly);
        zdfront::HistoryQuery query;
        query.afterId = storedBefore;
        query.adapter = context.adapter();
        const auto deadline = std::chrono::steady_clock::now() + kHistoryDeadline;
        for (;;) {
            const bool stopped = !zdmondOf(path);
            // Read first: the events zdmond read in that cycle are committed with it.
            const bool drained = history.lastDrain().value_or(0) > endedAt;
            for (const zdfront::HistoryEvent& stored : history.query(query)) {
                query.afterId = stored.id;
                std::optional<Event> event = zdfront::controllerEvent(stored);
                if (event && target.ends(*event)) ending.event = std::move(event);
            }
            if (ending.event && (drained || stopped)) return ending;
            if (drained) {
                ending.unknown = "zdmond (pid " + pid + ") has read the controller's events since, and the one that "
                                 "says how was not among them (another program may have read it)";
                return ending;
            }
            if (stopped) return awaitDrained(context, target, interruption, read);
            if (std::chrono::steady_clock::now() >= deadline) {
                ending.unknown = "zdmond (pid " + pid + ") has not stored the controller's event that says how within " +
                                 std::to_string(kHistoryDeadline.count()) +
                                 " minutes; zdctl events shows it once zdmond has";
                return ending;
            }
            if (interruption.wait(kHistoryPoll))
                throw CliError(ExitInterrupted, "interrupted: " + what + " has ended; zdctl events shows how, once "
                                                "zdmond has stored the controller's event");
        }
    } catch (const zdfront::HistoryError& error) {
        ending.unknown = "the controller's event that says how is left to zdmond, and its history cannot be read (" +
                         std::string(error.what()) + ")";
        return ending;
    }
}

// The events read while waiting, other than the end's own.
void showOthers(Context& context, const std::vector<Event>& read, const std::optional<Event>& end)
{
    Json events = Json::array();
    for (const Event& event : read) events.push_back(zdfront::toJson(event));
    context.emit({{"events", events}});
    if (!context.table()) return;
    bool heading = false;
    for (const Event& event : read) {
        if (end && event.index == end->index) continue;
        if (!heading) context.out() << "Events read meanwhile (zdctl events will not show them again):\n";
        heading = true;
        context.out() << "  " << event.index << "  " << event.severity.text << "  " << event.summary() << "\n";
    }
}

void report(Context& context, const Target& target, const std::string& what, const Ending& ending)
{
    std::ostream& out = progressStream(context);
    if (!ending.history.empty()) context.emit({{"history", ending.history}});
    if (!ending.event) {
        context.emit({{"activity_end", nullptr}});
        out << what << " has ended; " << ending.unknown << std::endl;
        return;
    }
    const zdfront::ActivityEnd& end = *ending.event->activityEnd;
    context.emit({{"activity_end", zdfront::toJson(end)}});
    out << target.subject << ": " << ending.event->text << std::endl;
    const uint64_t found = end.inconsistenciesFound.value_or(0), repaired = end.inconsistenciesRepaired.value_or(0);
    if (found > repaired && !target.fixCommand.empty())
        context.warn(target.subject + " has " + std::to_string(found - repaired) +
                     " inconsistent stripes that were not repaired; " + target.fixCommand + " repairs them");
}

void follow(Context& context, const Target& target, bool justStarted)
{
    Interruption interruption;
    std::ostream& out = progressStream(context);
    const int64_t storedBefore = storedSoFar(context);
    std::string label;  // "Array 0: Check & Fix", of the activity seen last
    bool followed = justStarted;
    std::vector<Event> read;
    Ending ending;
    std::string what;
    {
        ProgressBar bar(out, progressTerminal(context));
        for (;;) {
            std::optional<Activity> activity = target.read();
            if (!activity) break;
            const std::string now = target.subject + ": " + activity->type.text;
            if (!activity->running()) {
                bar.finish();
                out << now << " is " << activity->status.text << "; not waiting" << std::endl;
                if (followed && activity->aborted())
                    throw CliError(ExitPartial, now + " was aborted before its end");
                return;
            }
            if (!label.empty() && now != label) {
                bar.update(label, 100);
                bar.finish();
            }
            label = now;
            followed = true;
            bar.update(label, activity->percent);
            if (interruption.wait(kPollInterval)) {
                bar.finish();
                throw CliError(ExitInterrupted, "interrupted: " + label + " goes on in the controller (" +
                                                    std::to_string(activity->percent) +
                                                    "% done); follow it with: " + target.followCommand);
            }
        }
        if (!followed) {
            out << target.subject << ": no activity running" << std::endl;
            return;
        }
        what = label.empty() ? target.subject + ": the activity" : label;
        const std::string history = MonitorPresence::history(context);
        if (std::optional<std::string> pid = zdmondOf(history)) {
            bar.finish();
            ending = awaitStored(context, target, interruption, history, *pid, storedBefore, what, read);
        } else {
            ending = awaitDrained(context, target, interruption, read);
            if (ending.event && ending.event->activityEnd->completed && !label.empty()) bar.update(label, 100);
        }
    }
    report(context, target, what, ending);
    showOthers(context, read, ending.event);
    if (ending.event && !ending.event->activityEnd->completed)
        throw CliError(ExitPartial,
                       target.subject + ": " + ending.event->activityEnd->activity + " was aborted before its end");
}

std::string adapterOption(Context& context) { return "zdctl -a " + std::to_string(context.adapter()); }

}  // namespace

void followArray(Context& context, uint64_t arrayId, bool justStarted)
{
    const std::string key = std::to_string(arrayId);
    Target target;
    target.subject = "Array " + key;
    target.followCommand = adapterOption(context) + " array wait " + key;
    target.fixCommand = adapterOption(context) + " array check " + key + " --fix";
    target.read = [&context, arrayId] {
        return zdfront::Enclosure::readArray(context.session(), arrayId, false).activity;
    };
    target.ends = [arrayId](const Event& event) { return event.endsActivityOfArray(arrayId); };
    follow(context, target, justStarted);
}

void followDisk(Context& context, uint64_t diskId, bool justStarted)
{
    const std::string key = std::to_string(diskId);
    Target target;
    target.subject = "Disk " + key;
    target.followCommand = adapterOption(context) + " disk show " + key;
    target.read = [&context, diskId] {
        return zdfront::Enclosure::readDisk(context.session(), diskId, false).activity;
    };
    target.ends = [diskId](const Event& event) { return event.endsActivityOfDisk(diskId); };
    follow(context, target, justStarted);
}

}  // namespace zdctl::ActivityWatch
