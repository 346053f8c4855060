// The process-wide state of a firmware upload and the owner of its worker.
//
// One instance per process (getInstance / clear). "Upload" starts a worker
// thread through upload(); the worker checks the file's flash header, sends
// the file to the controller page by page (twice on adapters that keep a
// second image) and publishes its progress and result:
//   percentage 0      idle, or the last upload failed (getRet() != 0)
//   percentage 1..99  running, whatever the progress formula gives
//   percentage 100    finished, not yet acknowledged (takePercentage)
// Only the worker's finish stores 100, after its last controller call, so
// the busy state never ends while the worker still talks to the controller.
// The dispatcher refuses other work while the percentage is non-zero. The
// two values are 16-bit atomics: the worker writes them, the calling thread
// reads them without a lock.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "upload/LoadFwData.h"

class FileHelper;
class ImagePages;
class Log;

class FWOperation {
public:
    static FWOperation* getInstance();
    // Destroys the instance, waiting for a running worker first.
    static void clear();

    // Logs the value read ("FWOperation::getPercentage").
    uint16_t getPercentage();
    // As getPercentage, and a finished upload's 100 is acknowledged (reset to
    // 0) in the same atomic step: exactly one caller sees each 100.
    uint16_t takePercentage();
    uint16_t getRet() const { return m_ret.load(); }

    // Starts an upload when none is running (percentage 0 or 100);
    // otherwise does nothing.
    void upload(uint8_t adapterId, const std::string& path);

private:
    FWOperation();
    ~FWOperation();
    FWOperation(const FWOperation&) = delete;
    FWOperation& operator=(const FWOperation&) = delete;

    static void* upload_thread(void* self);
    // The worker's steps; readAdapter and sendPass answer false when the
    // upload ends there.
    void runUpload();
    void checkHeader();
    bool readAdapter(bool& twoPasses);
    bool sendPass(ImagePages& pages, uint8_t imageType, bool twoPasses);
    // Ends the upload with 185 and a log line titled title (with the path).
    void failReading(const char* title);
    void joinWorker();
    // Publishes the progress of a running upload, kept within 1 to 99.
    void setRunning(uint32_t percentage);
    void logPercentage(uint16_t percentage);

    std::atomic<uint16_t> m_percentage;
    std::atomic<uint16_t> m_ret;
    _LoadFwData m_data;
    Log* m_log;
    pthread_t m_thread;
    bool m_threadStarted = false;

    static FWOperation* m_this;
};
