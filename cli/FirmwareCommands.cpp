// `zdctl firmware info FILE` and `zdctl firmware upload FILE`: the image's
// check against the adapter, then the upload with its progress.
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
#include "cli/Interruption.h"
#include "cli/TablePrinter.h"
#include "front/Error.h"
#include "front/FirmwareActions.h"

namespace zdctl {

namespace {

using namespace zdfront;

constexpr auto kPollInterval = std::chrono::milliseconds(200);

void printCheck(Context& context, const ImageCheck& check)
{
    if (!context.table()) return;
    FieldList fields(context.terminal());
    fields.add("File", check.path);
    fields.add("Type", check.type.text);
    fields.add("Device id", std::to_string(check.deviceId) + " (adapter " + std::to_string(context.adapter()) +
                                ": " + std::to_string(check.adapterDevice) + ")");
    fields.add("Version", check.version + " (running: " + check.adapterFirmware + ")");
    Color color = check.verdict == ImageVerdict::Fits ? Color::Green
                  : check.verdict == ImageVerdict::Downgrade || check.verdict == ImageVerdict::SameVersion
                      ? Color::Yellow
                      : Color::Red;
    fields.add("Check", check.verdictText, color);
    fields.print(context.out());
}

bool refused(const ImageCheck& check)
{
    return check.verdict == ImageVerdict::Rejected || check.verdict == ImageVerdict::WrongDevice;
}

int info(Context& context, Args& args)
{
    std::string path = args.next("firmware file");
    args.finish();
    FirmwareUpload upload(context.session(), path);
    context.emit({{"command", "firmware info"}, {"adapter", context.adapter()}, {"firmware", toJson(upload.check())}});
    printCheck(context, upload.check());
    if (refused(upload.check()))
        throw Error(ErrorKind::Refused, "firmware file " + upload.check().verdictText,
                    upload.check().verdict == ImageVerdict::Rejected ? static_cast<int>(upload.check().result) : -1);
    return ExitOk;
}

int upload(Context& context, Args& args)
{
    std::string path = args.next("firmware file");
    bool allowDowngrade = args.flag("allow-downgrade");
    args.finish({"allow-downgrade"});
    FirmwareUpload upload(context.session(), path);
    context.emit({{"command", "firmware upload"}, {"adapter", context.adapter()}, {"firmware", toJson(upload.check())}});
    printCheck(context, upload.check());
    if (refused(upload.check())) upload.start(context.session(), Consent{});  // throws the refusal
    Consent consent = context.confirm(upload.plan(), allowDowngrade, "--allow-downgrade");
    upload.start(context.session(), consent);

    std::ostream& progressOut = context.table() ? context.out() : context.err();
    bool terminal = context.table() ? context.terminal().outputIsTerminal() : context.terminal().errorIsTerminal();
    UploadProgress last;
    {
        Interruption interruption;
        ProgressBar bar(progressOut, terminal);
        for (;;) {
            last = FirmwareUpload::progress(context.session());
            bar.update("Firmware upload", std::min(last.percent, last.finished() ? 100u : 99u));
            if (last.finished()) break;
            // zdctl itself sends the image page by page: stopping now would leave
            // the adapter with part of it.
            if (interruption.wait(kPollInterval)) {
                interruption.clear();
                bar.finish();
                context.err() << "zdctl: the firmware upload cannot be interrupted: zdctl sends the image itself ("
                              << last.percent << "% sent) and exits when the adapter has all of it. Do not power "
                              << "the adapter off." << std::endl;
            }
        }
    }
    context.emit({{"upload_result", last.lastResult}, {"upload_result_text", context.session().errorText(last.lastResult)}});
    Outcome outcome = upload.finish(context.session(), last);
    if (context.table()) context.out() << "Firmware upload finished: " << context.session().errorText(last.lastResult) << ".\n";
    return context.report(outcome);
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
