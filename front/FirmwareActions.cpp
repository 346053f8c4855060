#include "front/FirmwareActions.h"

#include "front/Enclosure.h"
#include "front/Error.h"
#include "front/Validation.h"

namespace zdfront {

const char* imageVerdictName(ImageVerdict verdict)
{
    switch (verdict) {
    case ImageVerdict::Fits: return "fits";
    case ImageVerdict::Downgrade: return "downgrade";
    case ImageVerdict::SameVersion: return "same_version";
    case ImageVerdict::WrongDevice: return "wrong_device";
    case ImageVerdict::Rejected: return "rejected";
    }
    return "rejected";
}

FirmwareUpload::FirmwareUpload(Session& session, const std::string& path)
{
    ImageCheck& check = m_check;
    check.path = Validation::regularFile(path, "firmware file");
    Adapter adapter = Enclosure::readAdapter(session);
    check.adapterDevice = adapter.device;
    check.adapterFirmware = adapter.firmware;
    Record info = session.condition(Request("GetFlashFileInfo").field("Address", check.path));
    check.result = info.number("Ret");
    check.resultText = session.errorText(check.result);
    check.type = {info.number("Type"), session.ranges().text("FileType", info.number("Type"))};
    check.deviceId = info.number("DeviceID");
    check.version = info.get("Version");

    const std::string adapterName = "adapter " + std::to_string(adapter.id);
    std::optional<int> order = Validation::compareVersions(check.version, adapter.firmware);
    if (check.result != 0) {
        check.verdict = ImageVerdict::Rejected;
        check.verdictText = "refused: " + check.resultText + " (code " + std::to_string(check.result) + ")";
    } else if (check.deviceId != adapter.device) {
        check.verdict = ImageVerdict::WrongDevice;
        check.verdictText = "refused: the image is for device " + std::to_string(check.deviceId) + ", " +
                            adapterName + " is device " + std::to_string(adapter.device);
    } else if (order && *order < 0) {
        check.verdict = ImageVerdict::Downgrade;
        check.verdictText = "downgrade: the image's " + check.version + " is older than the running " + adapter.firmware;
    } else if (order && *order == 0) {
        check.verdict = ImageVerdict::SameVersion;
        check.verdictText = "same version: " + adapterName + " already runs " + adapter.firmware;
    } else {
        check.verdictText = "ok: " + adapter.firmware + " -> " + check.version;
    }

    m_plan.action = "flash " + check.path + " (" + check.version + ") to " + adapterName;
    m_plan.losses.push_back("the running firmware " + adapter.firmware + " of " + adapterName +
                            " will be replaced; the adapter must keep its power until the upload ends");
    m_plan.needsConfirmation = true;
    m_plan.confirmationText = adapter.firmware;
    if (check.verdict == ImageVerdict::Downgrade || check.verdict == ImageVerdict::SameVersion) {
        m_plan.override = Override::Downgrade;
        m_plan.overrideReason = check.verdictText;
    }
}

void FirmwareUpload::start(Session& session, const Consent& consent)
{
    if (m_check.verdict == ImageVerdict::Rejected || m_check.verdict == ImageVerdict::WrongDevice)
        throw Error(ErrorKind::Refused, "firmware file " + m_check.verdictText,
                    m_check.verdict == ImageVerdict::Rejected ? static_cast<int>(m_check.result) : -1);
    requireConsent(m_plan, consent);
    session.command(Request("Upload").field("Address", m_check.path), "firmware upload");
}

UploadProgress FirmwareUpload::progress(Session& session)
{
    std::optional<Record> progress = session.trySingle("UpdateProcess", "0");
    if (!progress) throw Error(ErrorKind::Failure, "information \"UpdateProcess\": not supported by this bridge build");
    return {static_cast<unsigned>(std::min<uint64_t>(progress->number("Percentage"), 100)), progress->number("LastRet")};
}

Outcome FirmwareUpload::finish(Session& session, const UploadProgress& last)
{
    if (last.lastResult != 0)
        throw Error(ErrorKind::Refused, session.refusal("firmware upload", last.lastResult),
                    static_cast<int>(last.lastResult));
    Outcome outcome;
    std::string running = Enclosure::readAdapter(session).firmware;
    if (running == m_check.version) {
        outcome.done.push_back("adapter " + std::to_string(session.adapter()) + " now runs firmware " + running);
    } else {
        outcome.partial = true;
        outcome.warnings.push_back("the upload ended without error, but adapter " + std::to_string(session.adapter()) +
                                   " reports firmware " + running + ", not " + m_check.version);
    }
    return outcome;
}

}  // namespace zdfront
