// `zdctl status`: every adapter with its arrays, disks, alarm and running
// activities; the exit code tells healthy (0), degraded (5) and offline (6)
// apart, as mdadm --detail --test does.
#include <string>
#include <vector>

#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "cli/TablePrinter.h"
#include "cli/Views.h"
#include "front/Enclosure.h"

namespace zdctl {

namespace {

using namespace zdfront;

void printAdapter(Context& context, const AdapterState& state)
{
    std::ostream& out = context.out();
    const Terminal& terminal = context.terminal();
    const Adapter& adapter = state.adapter;
    out << terminal.paint("Adapter " + std::to_string(adapter.id), Color::Bold);
    if (!adapter.alias.empty()) out << "  \"" << adapter.alias << "\"";
    out << "  " << adapter.link.text << "  firmware " << adapter.firmware << "  serial " << adapter.serial << "\n";
    out << "  Alarm: " << (adapter.alarm ? "on" : "off");
    if (adapter.buzzerRinging)
        out << ", buzzer " << (*adapter.buzzerRinging ? terminal.paint("ringing", Color::Red) : "silent");
    out << "\n\n";
    if (state.arrays.empty())
        out << "  No arrays.\n";
    else
        Views::printArrays(context, state.arrays, "  ");
    out << "\n";
    if (state.disks.empty())
        out << "  No disks.\n";
    else
        Views::printDisks(context, state.disks, false, "  ");
    out << "\n";
}

}  // namespace

int runStatus(Context& context, Args& args)
{
    args.finish();
    Snapshot snapshot;
    if (context.options().adapterGiven) {
        context.session().requireAdapter();
        snapshot.adapters.push_back(Enclosure::readAdapterState(context.session()));
    } else {
        snapshot = Enclosure::readSnapshot(context.session());
    }
    std::vector<Problem> problems = snapshot.problems();
    for (const Problem& problem : problems) context.report(problem);
    Json document;
    document["command"] = "status";
    document.update(toJson(snapshot));
    context.emit(document);
    if (context.table()) {
        for (const AdapterState& state : snapshot.adapters) printAdapter(context, state);
        if (snapshot.adapters.empty()) context.out() << "No adapters found.\n";
        std::vector<std::string> texts;
        for (const Problem& problem : problems) texts.push_back(problem.text);
        Verdict verdict = snapshot.verdict();
        if (verdict == Verdict::Healthy)
            context.out() << "Health: " << context.terminal().paint("OK", Color::Green) << "\n";
        else
            context.out() << "Health: "
                          << context.terminal().paint(verdict == Verdict::Offline ? "OFFLINE" : "DEGRADED", Color::Red)
                          << " (" << Views::joined(texts, "; ") << ")\n";
    }
    switch (snapshot.verdict()) {
    case Verdict::Healthy: return ExitOk;
    case Verdict::Degraded: return ExitDegraded;
    case Verdict::Offline: return ExitOffline;
    }
    return ExitOffline;
}

}  // namespace zdctl
