// `zdctl sim fail-disk|pull-disk|insert-disk ID`, `sim corrupt ARRAY STRIPES`,
// `sim clock manual|wall`, `sim advance DURATION`, `sim reset` and
// `sim make-image FILE [--type T --device D --version a.b.c.d --size N]`:
// the simulator's control interface, for trying zdctl without hardware.
#include <string>

#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "front/SimControl.h"

namespace zdctl {

namespace {

constexpr uint64_t kFirmwareImage = 3;  // "FileType"
constexpr uint64_t kDefaultImageBytes = 256 * 1024;

void parseVersion(const std::string& text, uint16_t version[4])
{
    size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        size_t dot = text.find('.', start);
        if ((part < 3) == (dot == std::string::npos)) throw CliError(ExitUsage, "--version takes a.b.c.d");
        version[part] = static_cast<uint16_t>(
            Args::number(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start), "version part"));
        start = dot + 1;
    }
}

int report(Context& context, const std::string& command, const std::string& message)
{
    if (context.json()) {
        Json document;
        document["command"] = command;
        document["adapter"] = context.adapter();
        document["result"] = 0;
        context.emit(document);
    }
    if (context.table()) context.out() << message << "\n";
    return ExitOk;
}

// "90s", "5m", "2h" or plain seconds, as milliseconds.
uint64_t duration(const std::string& text)
{
    const std::string units = "smh";
    std::string digits = text;
    uint64_t scale = 1000;
    if (!text.empty() && units.find(text.back()) != std::string::npos) {
        digits.pop_back();
        scale = text.back() == 's' ? 1000 : text.back() == 'm' ? 60000 : 3600000;
    }
    return Args::number(digits, "duration (90s, 5m, 2h)", 1000000) * scale;
}

int makeImage(Context& context, Args& args, const zdfront::SimControl& sim)
{
    std::string path = args.next("image file");
    args.finish({"type", "device", "version", "size"});
    uint64_t type = Args::number(args.option("type").value_or(std::to_string(kFirmwareImage)), "--type", 256);
    uint64_t size = Args::number(args.option("size").value_or(std::to_string(kDefaultImageBytes)), "--size", 1u << 30);
    uint64_t device = 0;
    uint16_t version[4] = {1, 0, 0, 1};
    // By default the image fits the selected adapter: its device id, its firmware one build later.
    std::optional<Record> adapter = context.session().trySingle("Adapter", std::to_string(context.adapter()));
    if (adapter) {
        device = adapter->number("Device");
        try {
            parseVersion(adapter->get("Firmware"), version);
            ++version[3];
        } catch (const CliError&) {
        }
    }
    if (args.option("device")) device = Args::number(*args.option("device"), "--device");
    if (args.option("version")) parseVersion(*args.option("version"), version);
    sim.writeImage(path, static_cast<uint8_t>(type), static_cast<uint16_t>(device), version, static_cast<uint32_t>(size));
    std::string versionText = std::to_string(version[0]) + "." + std::to_string(version[1]) + "." +
                              std::to_string(version[2]) + "." + std::to_string(version[3]);
    return report(context, "sim make-image",
                  "Wrote " + path + ": type " + std::to_string(type) + ", device " + std::to_string(device) +
                      ", version " + versionText + ", " + std::to_string(size) + " payload bytes.");
}

}  // namespace

int runSim(Context& context, Args& args, const zdfront::SimControl& sim)
{
    std::string action =
        args.next("sim action (fail-disk, pull-disk, insert-disk, corrupt, clock, advance, reset, make-image)");
    if (!sim.available()) throw CliError(ExitFailure, "not available: the controller library is not the simulator");
    const auto adapter = static_cast<uint8_t>(context.adapter());
    const std::string where = " on adapter " + std::to_string(context.adapter());
    if (action == "fail-disk" || action == "pull-disk" || action == "insert-disk") {
        auto disk = static_cast<uint16_t>(args.nextNumber("disk id"));
        args.finish();
        const std::string id = std::to_string(disk);
        if (action == "fail-disk") {
            sim.failDisk(adapter, disk);
            return report(context, "sim fail-disk", "Simulator: disk " + id + where + " failed.");
        }
        if (action == "pull-disk") {
            sim.pullDisk(adapter, disk);
            return report(context, "sim pull-disk", "Simulator: disk " + id + where + " pulled.");
        }
        sim.insertDisk(adapter, disk);
        return report(context, "sim insert-disk", "Simulator: disk " + id + where + " inserted.");
    }
    if (action == "corrupt") {
        uint64_t array = args.nextNumber("array id");
        auto stripes = static_cast<uint32_t>(args.nextNumber("number of stripes", UINT32_MAX));
        args.finish();
        sim.setInconsistentStripes(adapter, static_cast<uint16_t>(array), stripes);
        return report(context, "sim corrupt",
                      "Simulator: array " + std::to_string(array) + where + " has " + std::to_string(stripes) +
                          " inconsistent stripes; array check finds them, array check --fix repairs them.");
    }
    if (action == "clock") {
        std::string mode = args.next("clock mode (manual, wall)");
        args.finish();
        if (mode != "manual" && mode != "wall") throw CliError(ExitUsage, "sim clock takes manual or wall");
        sim.useManualClock(mode == "manual");
        return report(context, "sim clock",
                      mode == "manual" ? "Simulator: the clock stands still; sim advance moves it."
                                       : "Simulator: the clock follows the wall clock (ZD_SIM_TIME_SCALE speeds it up).");
    }
    if (action == "advance") {
        uint64_t milliseconds = duration(args.next("duration (90s, 5m, 2h)"));
        args.finish();
        sim.useManualClock(true);
        sim.advance(milliseconds);
        return report(context, "sim advance",
                      "Simulator: the clock moved " + std::to_string(milliseconds / 1000) +
                          " s on and stands still (sim clock wall lets it run).");
    }
    if (action == "reset") {
        args.finish();
        sim.reset();
        return report(context, "sim reset", "Simulator: back to the built-in enclosure.");
    }
    if (action == "make-image") return makeImage(context, args, sim);
    throw CliError(ExitUsage, "unknown sim action '" + action + "'");
}

}  // namespace zdctl
