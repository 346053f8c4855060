// FirmwareFlash: a firmware upload started from the dashboard, followed to
// its end.
//
// The bridge flashes on a worker of its own; FirmwareFlash polls its
// progress on a thread with a short session each time (so the monitor and
// other requests go on between polls), publishes every change, and at the
// end reads the adapter's firmware back (front/FirmwareActions) and removes
// the uploaded image. One flash at a time: reserve() refuses a second.
//
//   if (!flash.reserve()) ... 409 busy
//   upload.start(session, consent);            // or flash.release() when it throws
//   flash.follow(bridge, adapter, upload, imagePath);
//   Json state = flash.state();                // {"state": "running", "percent": 40, ...}
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "front/Bridge.h"
#include "front/FirmwareActions.h"
#include "front/ModelJson.h"

namespace zdmond {

class FirmwareFlash {
public:
    using Publish = std::function<void(const zdfront::Json& state)>;

    explicit FirmwareFlash(Publish publish);
    ~FirmwareFlash();
    FirmwareFlash(const FirmwareFlash&) = delete;
    FirmwareFlash& operator=(const FirmwareFlash&) = delete;

    bool reserve();
    void release();
    // Takes over a started upload (after a successful reserve()).
    void follow(std::shared_ptr<zdfront::Bridge> bridge, unsigned adapter, const zdfront::FirmwareUpload& upload,
                const std::string& imagePath);
    // {"state": idle|running|finished|failed, "adapter", "version", "percent", "outcome", "error"}
    zdfront::Json state() const;

private:
    void run(std::shared_ptr<zdfront::Bridge> bridge, unsigned adapter, zdfront::FirmwareUpload upload,
             std::string imagePath);
    void update(const std::function<void(zdfront::Json&)>& change);

    Publish m_publish;
    mutable std::mutex m_mutex;
    zdfront::Json m_state;
    bool m_reserved = false;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

}  // namespace zdmond
