#include "cli/ActivityWatch.h"


#include <chrono>

#include "cli/CliError.h"
#include "cli/Context.h"
#include "cli/Interruption.h"
#include "cli/ProgressBar.h"

namespace zdctl::ActivityWatch {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(200);
constexpr uint64_t kRunning = 1;  // "BGAStatus"

struct Activity {
    uint64_t type = 0;
    uint64_t status = 0;
    uint64_t percent = 0;
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

// justStarted: zdctl itself has just started the activity, so finding none
// at the first poll means it already ran to its end.
template <typename Read>
void follow(Context& context, const std::string& subject, const std::string& followCommand, const char* typeTable,
            bool justStarted, Read read)
{
    Interruption interruption;
    std::ostream& out = progressStream(context);
    ProgressBar bar(out, progressTerminal(context));
    std::string lastLabel;
    for (;;) {
        Activity activity = read();
        if (activity.type == 0) break;
        std::string label = subject + ": " + context.ranges().text(typeTable, activity.type);
        if (activity.status != kRunning && activity.status != 0) {
            bar.finish();
            out << label << " is " << context.ranges().text("BGAStatus", activity.status) << "; not waiting"
                << std::endl;
            return;
        }
        if (!lastLabel.empty() && label != lastLabel) {
            bar.update(lastLabel, 100);
            bar.finish();
        }
        lastLabel = label;
        bar.update(label, static_cast<unsigned>(activity.percent));
        if (interruption.wait(kPollInterval)) {
            bar.finish();
            throw CliError(ExitInterrupted, "interrupted: " + label + " goes on in the controller (" +
                                                std::to_string(activity.percent) + "% done); follow it with: " +
                                                followCommand);
        }
    }
    if (!lastLabel.empty()) {
        bar.update(lastLabel, 100);
        bar.finish();
        out << subject << ": finished" << std::endl;
    } else if (justStarted) {
        out << subject << ": finished" << std::endl;
    } else {
        out << subject << ": no activity running" << std::endl;
    }
}

}  // namespace

uint64_t followArray(Context& context, uint16_t arrayId, bool justStarted)
{
    const std::string key = std::to_string(arrayId);
    uint64_t vdStatus = 0;
    follow(context, "Array " + key, "zdctl -a " + std::to_string(context.adapter()) + " array wait " + key, "VDBGAType",
           justStarted, [&] {
        Record array = context.session().single("PackageVD", key, "array " + key);
        vdStatus = array.number("VDStatus");
        return Activity{array.number("VDBGAType"), array.number("BGAStatus"), array.number("BGAPercentage")};
    });
    return vdStatus;
}

void followDisk(Context& context, uint16_t diskId, bool justStarted)
{
    const std::string key = std::to_string(diskId);
    follow(context, "Disk " + key, "zdctl -a " + std::to_string(context.adapter()) + " disk show " + key, "PDBGAType",
           justStarted, [&] {
        Record disk = context.session().single("PD", key, "disk " + key);
        return Activity{disk.number("PDBGAType"), disk.number("BGAStatus"), disk.number("BGAPercentage")};
    });
}

}  // namespace zdctl::ActivityWatch

