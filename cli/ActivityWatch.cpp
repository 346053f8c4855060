#include "cli/ActivityWatch.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliError.h"
#include "cli/Context.h"
#include "cli/Interruption.h"
#include "cli/ProgressBar.h"
#include "front/Enclosure.h"

namespace zdctl::ActivityWatch {

namespace {

using zdfront::Activity;
using zdfront::Event;

constexpr auto kPollInterval = std::chrono::milliseconds(200);
// How many polls the controller's event may lag behind the end of the activity.
constexpr int kEndEventPolls = 10;

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

// Reads the controller's events until the one that reports the end arrives;
// every event read is kept in `read`.
std::optional<Event> awaitEnd(Context& context, const Target& target, const Interruption& interruption,
                              std::vector<Event>& read)
{
    for (int poll = 0; poll < kEndEventPolls; ++poll) {
        for (Event& event : zdfront::Enclosure::readEvents(context.session())) read.push_back(std::move(event));
        std::optional<Event> end;
        for (const Event& event : read)
            if (target.ends(event)) end = event;
        if (end || interruption.wait(kPollInterval)) return end;
    }
    return std::nullopt;
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

void report(Context& context, const Target& target, const std::string& label, const std::optional<Event>& end)
{
    std::ostream& out = progressStream(context);
    if (!end) {
        context.emit({{"activity_end", nullptr}});
        out << (label.empty() ? target.subject + ": the activity" : label)
            << " has ended; the controller's event that says how was not found (another program may have read "
               "the controller's events)"
            << std::endl;
        return;
    }
    const zdfront::ActivityEnd& ending = *end->activityEnd;
    context.emit({{"activity_end", zdfront::toJson(ending)}});
    out << target.subject << ": " << end->text << std::endl;
    const uint64_t found = ending.inconsistenciesFound.value_or(0),
                   repaired = ending.inconsistenciesRepaired.value_or(0);
    if (found > repaired && !target.fixCommand.empty())
        context.warn(target.subject + " has " + std::to_string(found - repaired) +
                     " inconsistent stripes that were not repaired; " + target.fixCommand + " repairs them");
}

void follow(Context& context, const Target& target, bool justStarted)
{
    Interruption interruption;
    std::ostream& out = progressStream(context);
    std::string label;  // "Array 0: Check & Fix", of the activity seen last
    bool followed = justStarted;
    std::vector<Event> read;
    std::optional<Event> end;
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
        end = awaitEnd(context, target, interruption, read);
        if (end && end->activityEnd->completed && !label.empty()) bar.update(label, 100);
    }
    report(context, target, label, end);
    showOthers(context, read, end);
    if (end && !end->activityEnd->completed)
        throw CliError(ExitPartial, target.subject + ": " + end->activityEnd->activity + " was aborted before its end");
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
