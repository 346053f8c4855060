#include "daemon/http/FirmwareFlash.h"

#include <unistd.h>

#include <chrono>

#include "daemon/DaemonLog.h"
#include "front/Error.h"

namespace zdmond {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(250);

zdfront::Json errorJson(const zdfront::Error& error)
{
    return {{"message", error.what()},
            {"controller_code", error.controllerCode() >= 0 ? zdfront::Json(error.controllerCode()) : zdfront::Json()}};
}

}  // namespace

FirmwareFlash::FirmwareFlash(Publish publish) : m_publish(std::move(publish))
{
    m_state = {{"state", "idle"}, {"adapter", nullptr}, {"version", nullptr}, {"percent", 0},
               {"outcome", nullptr}, {"error", nullptr}};
}

FirmwareFlash::~FirmwareFlash()
{
    m_stopping = true;
    if (m_thread.joinable()) m_thread.join();
}

bool FirmwareFlash::reserve()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_reserved) return false;
    m_reserved = true;
    return true;
}

void FirmwareFlash::release()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reserved = false;
}

zdfront::Json FirmwareFlash::state() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_state;
}

void FirmwareFlash::update(const std::function<void(zdfront::Json&)>& change)
{
    zdfront::Json copy;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        change(m_state);
        copy = m_state;
    }
    m_publish(copy);
}

void FirmwareFlash::follow(std::shared_ptr<zdfront::Bridge> bridge, unsigned adapter,
                           const zdfront::FirmwareUpload& upload, const std::string& imagePath)
{
    if (m_thread.joinable()) m_thread.join();  // the previous flash has ended: it released the reservation
    update([&](zdfront::Json& state) {
        state = {{"state", "running"}, {"adapter", adapter}, {"version", upload.check().version}, {"percent", 0},
                 {"outcome", nullptr}, {"error", nullptr}};
    });
    DaemonLog::info("firmware upload of " + upload.check().version + " to adapter " + std::to_string(adapter) +
                    " started from the dashboard");
    m_thread = std::thread(&FirmwareFlash::run, this, std::move(bridge), adapter, upload, imagePath);
}

void FirmwareFlash::run(std::shared_ptr<zdfront::Bridge> bridge, unsigned adapter, zdfront::FirmwareUpload upload,
                        std::string imagePath)
{
    try {
        zdfront::UploadProgress last;
        unsigned shown = 0;
        for (;;) {
            {
                zdfront::Session session = bridge->session(adapter);
                last = zdfront::FirmwareUpload::progress(session);
            }
            if (last.finished()) break;
            if (last.percent != shown) {
                shown = last.percent;
                update([&](zdfront::Json& state) { state["percent"] = shown; });
            }
            if (m_stopping) {
                DaemonLog::warning("zdmond stops while a firmware upload runs; it goes on in the controller");
                return;  // the image stays: the controller still reads it
            }
            std::this_thread::sleep_for(kPollInterval);
        }
        zdfront::Session session = bridge->session(adapter);
        zdfront::Outcome outcome = upload.finish(session, last);
        update([&](zdfront::Json& state) {
            state["state"] = outcome.partial ? "failed" : "finished";
            state["percent"] = 100;
            state["outcome"] = zdfront::toJson(outcome);
            if (outcome.partial) state["error"] = {{"message", outcome.warnings.front()}, {"controller_code", nullptr}};
        });
        DaemonLog::info("firmware upload to adapter " + std::to_string(adapter) + ": " +
                        (outcome.partial ? outcome.warnings.front() : outcome.done.front()));
    } catch (const zdfront::Error& error) {
        update([&](zdfront::Json& state) {
            state["state"] = "failed";
            state["error"] = errorJson(error);
        });
        DaemonLog::error("firmware upload to adapter " + std::to_string(adapter) + " failed: " + error.what());
    }
    unlink(imagePath.c_str());
    release();
}

}  // namespace zdmond
