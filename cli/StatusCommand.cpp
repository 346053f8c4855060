// `zdctl status`: every adapter with its arrays, disks, alarm and running
// activities; the exit code tells a healthy enclosure from a degraded one.
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
    Snapshot snapshot = Enclosure::readSnapshot(context.session());
    std::vector<Problem> problems = snapshot.problems();
    if (context.json()) {
        Json document;
        document["command"] = "status";
        document.update(toJson(snapshot));
        context.emit(document);
    }
    if (context.table()) {
        for (const AdapterState& state : snapshot.adapters) printAdapter(context, state);
        if (snapshot.adapters.empty()) context.out() << "No adapters found.\n";
        std::vector<std::string> texts;
        for (const Problem& problem : problems) texts.push_back(problem.text);
        if (problems.empty())
            context.out() << "Health: " << context.terminal().paint("OK", Color::Green) << "\n";
        else
            context.out() << "Health: " << context.terminal().paint("UNHEALTHY", Color::Red) << " ("
                          << Views::joined(texts, "; ") << ")\n";
        context.sizeNote();
    }
    return problems.empty() ? ExitOk : ExitUnhealthy;
}

}  // namespace zdctl
