// FirmwareActions: checking a firmware image against an adapter and
// flashing it (see front/Plan.h).
//
// The image is refused before the first page goes out when the bridge
// rejects its header or when it was made for another device; an image older
// than the running firmware, or of the same version, needs the Downgrade
// override on top of the confirmation.
//
//   FirmwareUpload upload(session, "/srv/fw.bin");
//   upload.check().verdict ...          // what `firmware info` shows
//   upload.start(session, consent);     // then poll progress() without holding a session
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "front/Bridge.h"
#include "front/Model.h"
#include "front/Plan.h"

namespace zdfront {

enum class ImageVerdict { Fits, Downgrade, SameVersion, WrongDevice, Rejected };

struct ImageCheck {
    std::string path;  // absolute
    uint64_t result = 0;  // the bridge's "Ret"
    std::string resultText;
    Enumerated type;  // "FileType"
    uint64_t deviceId = 0;
    std::string version;
    uint64_t adapterDevice = 0;
    std::string adapterFirmware;
    ImageVerdict verdict = ImageVerdict::Fits;
    std::string verdictText;  // "ok", "refused: the image is for device 2579, adapter 0 is device 2578"
};

const char* imageVerdictName(ImageVerdict verdict);

struct UploadProgress {
    unsigned percent = 0;
    uint64_t lastResult = 0;
    bool finished() const { return percent >= 100 || percent == 0; }
};

class FirmwareUpload {
public:
    // Checks the path (Error NotFound, Usage) and the image against the selected adapter.
    FirmwareUpload(Session& session, const std::string& path);
    const ImageCheck& check() const { return m_check; }
    const Plan& plan() const { return m_plan; }

    // Error Refused for an image that does not fit; then starts the upload.
    void start(Session& session, const Consent& consent);
    static UploadProgress progress(Session& session);
    // After the last progress: reads back the adapter's firmware version.
    Outcome finish(Session& session, const UploadProgress& last);

private:
    ImageCheck m_check;
    Plan m_plan;
};

}  // namespace zdfront
