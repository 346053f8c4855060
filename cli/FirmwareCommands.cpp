// `zdctl firmware info FILE` and `zdctl firmware upload FILE`: the flash
// header check, then the upload with its progress polled from "UpdateProcess".
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <string>
#include <thread>

#include "cli/Args.h"
#include "cli/CliError.h"
#include "cli/Commands.h"
#include "cli/Context.h"
#include "cli/ProgressBar.h"
#include "cli/FieldList.h"
#include "cli/TablePrinter.h"

namespace zdctl {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(200);
constexpr uint64_t kFinished = 100;

// The bridge opens the file itself, so it gets an absolute path.
std::string absolutePath(const std::string& path)
{
    if (access(path.c_str(), R_OK) != 0) throw CliError(ExitNotFound, "cannot read " + path);
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) throw CliError(ExitNotFound, "cannot resolve " + path);
    return resolved;
}

Record fileInfo(Context& context, const std::string& path)
{
    return context.session().condition(Request("GetFlashFileInfo").field("Address", path));
}

Json infoJson(Context& context, const std::string& path, const Record& info)
{
    return {{"file", path},
            {"result", info.number("Ret")},
            {"result_text", context.session().errorText(info.number("Ret"))},
            {"type", info.number("Type")},
            {"type_text", context.ranges().text("FileType", info.number("Type"))},
            {"device_id", info.number("DeviceID")},
            {"version", info.get("Version")}};
}

void printInfo(Context& context, const std::string& path, const Record& info)
{
    FieldList fields(context.terminal());
    fields.add("File", path);
    fields.add("Type", context.ranges().text("FileType", info.number("Type")));
    fields.add("Device id", info.get("DeviceID"));
    fields.add("Version", info.get("Version"));
    uint64_t code = info.number("Ret");
    fields.add("Check", code == 0 ? "ok" : context.session().errorText(code) + " (code " + std::to_string(code) + ")",
               code == 0 ? Color::Green : Color::Red);
    fields.print(context.out());
}

[[noreturn]] void refuseFile(Context& context, const Record& info)
{
    uint64_t code = info.number("Ret");
    throw CliError(ExitRefused, "firmware file refused: code " + std::to_string(code) + " (" + context.session().errorText(code) + ")");
}

int info(Context& context, Args& args)
{
    std::string path = absolutePath(args.next("firmware file"));
    args.finish();
    Record answer = fileInfo(context, path);
    if (context.json()) {
        Json document;
        document["command"] = "firmware info";
        document["firmware"] = infoJson(context, path, answer);
        context.emit(document);
    }
    if (context.table()) printInfo(context, path, answer);
    if (answer.number("Ret") != 0) refuseFile(context, answer);
    return ExitOk;
}

int upload(Context& context, Args& args)
{
    std::string path = absolutePath(args.next("firmware file"));
    args.finish();
    Record answer = fileInfo(context, path);
    if (context.table()) printInfo(context, path, answer);
    if (answer.number("Ret") != 0) refuseFile(context, answer);
    context.confirm("flash " + path + " to adapter " + std::to_string(context.adapter()));

    context.session().command(Request("Upload").field("Address", path), "firmware upload");
    std::ostream& progressOut = context.table() ? context.out() : context.err();
    bool terminal = context.table() ? context.terminal().outputIsTerminal() : context.terminal().errorIsTerminal();
    uint64_t result = 0;
    {
        ProgressBar bar(progressOut, terminal);
        for (;;) {
            std::optional<Record> progress = context.session().trySingle("UpdateProcess", "0");
            if (!progress) throw CliError(ExitFailure, "information \"UpdateProcess\": not supported by this bridge build");
            uint64_t percent = progress->number("Percentage");
            result = progress->number("LastRet");
            if (percent == kFinished) {
                bar.update("Firmware upload", 100);
                break;
            }
            if (percent == 0) break;
            bar.update("Firmware upload", static_cast<unsigned>(std::min<uint64_t>(percent, 99)));
            std::this_thread::sleep_for(kPollInterval);
        }
    }
    if (context.json()) {
        Json document;
        document["command"] = "firmware upload";
        document["adapter"] = context.adapter();
        document["firmware"] = infoJson(context, path, answer);
        document["upload_result"] = result;
        document["upload_result_text"] = context.session().errorText(result);
        context.emit(document);
    }
    if (result != 0)
        throw CliError(ExitRefused, "firmware upload failed: code " + std::to_string(result) + " (" +
                                        context.session().errorText(result) + ")");
    if (context.table()) context.out() << "Firmware upload finished: " << context.session().errorText(result) << ".\n";
    return ExitOk;
}

}  // namespace

int runFirmware(Context& context, Args& args)
{
    std::string action = args.next("firmware action (info, upload)");
    if (action == "info") return info(context, args);
    if (action == "upload") return upload(context, args);
    throw CliError(ExitUsage, "unknown firmware action '" + action + "' (make a simulator image with: zdctl sim make-image FILE)");
}

}  // namespace zdctl
