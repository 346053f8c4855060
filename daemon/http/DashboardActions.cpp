// The dashboard's changes. Each goes through the front-end core's action,
// which checks it, asks for the consent its plan needs and reads the change
// back, exactly as zdctl runs it; the page's consent is the confirmation
// text the user typed (and the override ticked). Sessions end before the
// enclosure is read again for the open pages.
#include <httplib.h>

#include <ctime>
#include <variant>

#include "daemon/http/Dashboard.h"
#include "front/ActivityActions.h"
#include "front/AdapterSettings.h"
#include "front/ArrayActions.h"
#include "front/DiskActions.h"
#include "front/Error.h"
#include "front/FirmwareActions.h"
#include "front/ScheduleActions.h"
#include "front/SpareActions.h"

namespace zdmond {

namespace {

constexpr size_t kMaxCreateDisks = 128;
constexpr size_t kMaxRebuildDisks = 160;
constexpr size_t kMaxMigrateDisks = 192;

bool dryRun(ApiCall& call) { return flag(call.body(), "dry_run"); }

// A setting's value as AdapterSettings takes it: on/off, a number or a text.
std::string settingValue(const Json& value, const std::string& key)
{
    if (value.is_boolean()) return value.get<bool>() ? "on" : "off";
    if (value.is_number_unsigned()) return std::to_string(value.get<uint64_t>());
    if (value.is_string()) return value.get<std::string>();
    throw HttpError(400, "usage", "setting '" + key + "' takes true/false, a number or a text");
}

}  // namespace

Json Dashboard::change(ApiCall& call, const std::function<Change(zdfront::Session&)>& action)
{
    Change result;
    {
        auto loaded = bridge();
        zdfront::Session session = this->session(loaded, call.id(0));
        result = action(session);
    }
    if (const Json* document = std::get_if<Json>(&result)) return *document;
    return changed(call, std::get<zdfront::Outcome>(result));
}

void Dashboard::addArrayActions(ApiRouter& router)
{
    router.post("/api/v1/adapters/{adapter}/arrays", [this](ApiCall& call) {
        return change(call, [&](zdfront::Session& session) -> Change {
            const Json& body = call.body();
            zdfront::RangeTexts& ranges = session.ranges();
            zdfront::NewArray wanted;
            wanted.name = text(body, "name");
            if (!body.contains("raid")) throw HttpError(400, "usage", "'raid' takes the RAID level, and is required");
            wanted.raid = tableValue(session, "RAID", body["raid"], "raid");
            wanted.disks = idList(body, "disks", kMaxCreateDisks);
            wanted.stripe = body.contains("stripe") ? tableValue(session, "StripeSize", body["stripe"], "stripe")
                                                  : ranges.defaultNumber("StripeSize").value_or(64);
            wanted.init = body.contains("init") ? tableValue(session, "InitType", body["init"], "init")
                                              : ranges.defaultNumber("InitType").value_or(0);
            wanted.diskCache = body.contains("pd_cache") ? (flag(body, "pd_cache") ? 1 : 0)
                                                       : ranges.defaultNumber("PDCache").value_or(1);
            wanted.spare = optionalNumber(body, "spare");
            zdfront::ArrayCreation creation(session, wanted);
            if (dryRun(call))
                return Json{{"title", creation.title()},
                            {"preview", creation.preview() ? zdfront::toJson(*creation.preview()) : Json()},
                            {"buildable", creation.buildable()}};
            return creation.execute(session);
        });
    });
    router.post("/api/v1/adapters/{adapter}/arrays/{array}/delete", [this](ApiCall& call) {
        return change(call, [&](zdfront::Session& session) -> Change {
            zdfront::ArrayDeletion deletion(session, call.id(1));
            if (dryRun(call)) return Json{{"plan", zdfront::toJson(deletion.plan())}};
            return deletion.execute(session, consent(call, deletion.plan()));
        });
    });
    router.post("/api/v1/adapters/{adapter}/arrays/{array}/init", [this](ApiCall& call) {
        return change(call, [&](zdfront::Session& session) -> Change {
            const Json& body = call.body();
            const uint64_t type = body.contains("type") ? tableValue(session, "InitType", body["type"], "type")
                                                        : session.ranges().defaultNumber("InitType").value_or(0);
            zdfront::ArrayInitialisation initialisation(session, call.id(1), type);
            if (dryRun(call)) return Json{{"plan", zdfront::toJson(initialisation.plan())}};
            return initialisation.execute(session, consent(call, initialisation.plan()));
        });
    });
    router.post("/api/v1/adapters/{adapter}/arrays/{array}/migrate", [this](ApiCall& call) {
        return change(call, [&](zdfront::Session& session) -> Change {
            const Json& body = call.body();
            if (!body.contains("raid")) throw HttpError(400, "usage", "'raid' takes the target RAID level, and is required");
            const uint64_t raid = tableValue(session, "RAID", body["raid"], "raid");
            zdfront::ArrayMigration migration(session, call.id(1), raid, idList(body, "disks", kMaxMigrateDisks));
            if (dryRun(call))
                return Json{{"title", migration.title()},
                            {"preview", zdfront::toJson(migration.preview())},
                            {"possible", migration.possible()},
                            {"plan", zdfront::toJson(migration.plan())}};
            return migration.execute(session, consent(call, migration.plan()));
        });
    });
    router.post("/api/v1/adapters/{adapter}/arrays/{array}/check", [this](ApiCall& call) {
        return change(call, [&](zdfront::Session& session) -> Change {
            return zdfront::startCheck(session, call.id(1), flag(call.body(), "fix"));
        });
    });
    router.post("/api/v1/adapters/{adapter}/arrays/{array}/rebuild", [this](ApiCall& call) {
        return change(call, [&](zdfront::Session& session) -> Change {
            return zdfront::startRebuild(session, call.id(1), idList(call.body(), "disks", kMaxRebuildDisks));
        });
    });
    for (const char* action : {"pause", "resume", "abort"})
        router.post(std::string("/api/v1/adapters/{adapter}/arrays/{array}/") + action, [this, action](ApiCall& call) {
            return change(call, [&](zdfront::Session& session) -> Change {
                return zdfront::controlActivity(session, call.id(1), action);
            });
        });
}

void Dashboard::addDiskAndAdapterActions(ApiRouter& router)
{
    router.post("/api/v1/adapters/{adapter}/disks/{disk}/spare", [this](ApiCall& call) {
        return change(call, [&](zdfront::Session& session) -> Change {
            return zdfront::makeSpare(session, call.id(1), optionalNumber(call.body(), "array"));
        });
    });
    router.post("/api/v1/adapters/{adapter}/disks/{disk}/unspare", [this](ApiCall& call) {
        return change(call, [&](zdfront::Session& session) -> Change { return zdfront::releaseSpare(session, call.id(1)); });
    });
    router.post("/api/v1/adapters/{adapter}/disks/{disk}/free", [this](ApiCall& call) {
        return change(call, [&](zdfront::Session& session) -> Change {
            zdfront::DiskFreeing freeing(session, call.id(1));
            if (dryRun(call)) return Json{{"plan", zdfront::toJson(freeing.plan())}};
            return freeing.execute(session, consent(call, freeing.plan()));
        });
    });
    router.post("/api/v1/adapters/{adapter}/settings", [this](ApiCall& call) {
        const Json& body = call.body();
        if (!body.contains("settings") || !body["settings"].is_object() || body["settings"].empty())
            throw HttpError(400, "usage", "'settings' takes an object of settings: " + zdfront::adapterSettingWords());
        zdfront::AdapterSettings settings;
        for (const auto& [key, value] : body["settings"].items()) {
            std::string word = key;
            for (char& c : word)
                if (c == '_') c = '-';
            settings.set(word, settingValue(value, key));
        }
        return change(call, [&](zdfront::Session& session) -> Change { return settings.execute(session); });
    });
    router.post("/api/v1/adapters/{adapter}/buzzer-off", [this](ApiCall& call) {
        return change(call, [&](zdfront::Session& session) -> Change { return zdfront::silenceBuzzer(session); });
    });
}

void Dashboard::addScheduleActions(ApiRouter& router)
{
    router.post("/api/v1/adapters/{adapter}/schedules", [this](ApiCall& call) {
        const Json& body = call.body();
        zdfront::NewSchedule wanted;
        wanted.activity = text(body, "activity");
        const std::optional<uint64_t> array = optionalNumber(body, "array"), disk = optionalNumber(body, "disk");
        const bool patrol = wanted.activity == "patrol";
        if (array && disk) throw HttpError(400, "usage", "'array' and 'disk' exclude each other");
        if (patrol ? !disk : !array)
            throw HttpError(400, "usage", patrol ? "a patrol schedule takes 'disk'" : "a " + wanted.activity + " schedule takes 'array'");
        wanted.target = patrol ? *disk : *array;
        wanted.repeat = optionalText(body, "repeat").value_or("once");
        wanted.time = text(body, "time");
        wanted.date = optionalText(body, "date").value_or("");
        wanted.every = optionalNumber(body, "every").value_or(1);
        wanted.day = optionalNumber(body, "day");
        return change(call, [&](zdfront::Session& session) -> Change {
            zdfront::ScheduleAddition addition(session, wanted, std::time(nullptr));
            if (dryRun(call)) return Json{{"plan", zdfront::toJson(addition.plan())}};
            return addition.execute(session, consent(call, addition.plan()));
        });
    });
    router.del("/api/v1/adapters/{adapter}/schedules/{index}", [this](ApiCall& call) {
        return change(call, [&](zdfront::Session& session) -> Change { return zdfront::removeSchedule(session, call.id(1)); });
    });
}

void Dashboard::addFirmwareRoutes(ApiRouter& router)
{
    router.get("/api/v1/adapters/{adapter}/firmware", [this](ApiCall& call) {
        Json state = m_flash.state();
        if (state["adapter"] != Json(call.id(0))) state = {{"state", "idle"}, {"adapter", call.id(0)}};
        return state;
    });
    router.upload("/api/v1/adapters/{adapter}/firmware", [this](ApiCall& call, const UploadSpool::Source& source) {
        const std::string type = call.request().get_header_value("Content-Type");
        if (type.rfind("application/octet-stream", 0) != 0)
            throw HttpError(415, "usage", "send the image as the body with Content-Type: application/octet-stream");
        const uint64_t adapter = call.id(0);
        auto loaded = bridge();
        {
            zdfront::Session session = this->session(loaded, adapter);  // the adapter exists before the body is read
        }
        std::shared_ptr<UploadSpool> spool = this->spool();
        UploadSpool::Image image = spool->receive(static_cast<unsigned>(adapter), source);
        try {
            zdfront::Session session = this->session(loaded, adapter);
            zdfront::FirmwareUpload upload(session, image.path);
            const zdfront::ImageCheck& check = upload.check();
            if (check.verdict == zdfront::ImageVerdict::Rejected || check.verdict == zdfront::ImageVerdict::WrongDevice) {
                const int code = check.verdict == zdfront::ImageVerdict::Rejected ? static_cast<int>(check.result) : -1;
                throw zdfront::Error(zdfront::ErrorKind::Refused, "firmware file " + check.verdictText, code);
            }
            return Json{{"upload", image.id},
                        {"bytes", image.bytes},
                        {"firmware", zdfront::toJson(check)},
                        {"plan", zdfront::toJson(upload.plan())}};
        } catch (...) {
            spool->remove(image.id);
            throw;
        }
    });
    router.post("/api/v1/adapters/{adapter}/firmware/{upload}/flash", [this](ApiCall& call) {
        const uint64_t adapter = call.id(0);
        std::shared_ptr<UploadSpool> spool = this->spool();
        std::optional<UploadSpool::Image> image = spool->find(call.param(1));
        if (!image || image->adapter != adapter)
            throw HttpError(404, "not_found", "no uploaded image " + call.param(1) + " for adapter " + std::to_string(adapter) +
                                                  " (images are kept for 30 minutes)");
        if (!m_flash.reserve()) throw HttpError(409, "busy", "a firmware upload is running; wait for its end");
        try {
            auto loaded = bridge();
            zdfront::Session session = this->session(loaded, adapter);
            zdfront::FirmwareUpload upload(session, image->path);
            upload.start(session, consent(call, upload.plan()));
            spool->take(image->id);
            m_flash.follow(loaded, static_cast<unsigned>(adapter), upload, image->path);
        } catch (...) {
            m_flash.release();
            throw;
        }
        return m_flash.state();
    });
    router.del("/api/v1/adapters/{adapter}/firmware/{upload}", [this](ApiCall& call) {
        std::shared_ptr<UploadSpool> spool = this->spool();
        std::optional<UploadSpool::Image> image = spool->find(call.param(1));
        if (!image || image->adapter != call.id(0))
            throw HttpError(404, "not_found", "no uploaded image " + call.param(1) + " for adapter " + std::to_string(call.id(0)));
        spool->remove(image->id);
        return Json{{"removed", image->id}};
    });
}

}  // namespace zdmond
