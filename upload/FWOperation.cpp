#include "upload/FWOperation.h"

#include <fcntl.h>

#include <cstring>

#include "api/zd_api.h"
#include "base/Files.h"
#include "base/Log.h"
#include "upload/FileHelper.h"
#include "upload/ImagePages.h"

namespace {
// Bridge result codes of an upload that could not start or run.
constexpr uint16_t kInvalidFlashDescriptor = 185;
constexpr uint16_t kResourceNotAvailable = 4;
// The percentage of a finished upload, until it is acknowledged.
constexpr uint16_t kFinished = 100;
// 90 per cent of the progress spread over the file, in 32768-byte pages.
constexpr uint32_t kPassSpan = 90u * ZD_FLASH_PAGE_DATA;
}  // namespace

FWOperation* FWOperation::m_this = nullptr;

FWOperation* FWOperation::getInstance() {
    if (m_this == nullptr) m_this = new FWOperation();
    return m_this;
}

void FWOperation::clear() {
    delete m_this;
    m_this = nullptr;
}

FWOperation::FWOperation() : m_percentage(0), m_ret(0), m_log(Log::getLog()), m_thread() {}

FWOperation::~FWOperation() {
    joinWorker();
    Log::clear();
}

uint16_t FWOperation::getPercentage() {
    const uint16_t percentage = m_percentage.load();
    logPercentage(percentage);
    return percentage;
}

uint16_t FWOperation::takePercentage() {
    uint16_t percentage = m_percentage.load();
    while (percentage == kFinished && !m_percentage.compare_exchange_weak(percentage, 0)) {
    }
    logPercentage(percentage);
    return percentage;
}

void FWOperation::logPercentage(uint16_t percentage) {
    m_log->startLine(Log::util, "FWOperation::getPercentage");
    m_log->writeFormatInfo("m_percentage %d", percentage);
    m_log->endLine();
}

void FWOperation::setRunning(uint32_t percentage) {
    m_percentage.store(static_cast<uint16_t>(percentage < 1 ? 1 : percentage > 99 ? 99 : percentage));
}

void FWOperation::upload(uint8_t adapterId, const std::string& path) {
    const uint16_t percentage = m_percentage.load();
    if (percentage != 0 && percentage != kFinished) return;
    // The previous worker has published its result; reclaim it (it may still
    // be closing its file) before its request record is reused.
    joinWorker();
    m_data.adapterId = adapterId;
    m_data.path = path;
    m_ret.store(0);
    setRunning(1);
    if (pthread_create(&m_thread, nullptr, upload_thread, this) == 0) {
        m_threadStarted = true;
    } else {
        m_percentage.store(0);
        m_ret.store(kResourceNotAvailable);
    }
}

void FWOperation::joinWorker() {
    if (!m_threadStarted) return;
    pthread_join(m_thread, nullptr);
    m_threadStarted = false;
}

void* FWOperation::upload_thread(void* self) {
    FWOperation* operation = static_cast<FWOperation*>(self);
    operation->runUpload();
    if (operation->m_ret.load() == 0) operation->m_percentage.store(kFinished);
    return nullptr;
}

void FWOperation::runUpload() {
    // Neither the controller's header check nor the page reads may wait on a
    // FIFO or a device named as the image.
    if (isSpecialFile(m_data.path)) {
        failReading("upload_thread not a regular file");
        return;
    }
    checkHeader();
    bool twoPasses = false;
    if (!readAdapter(twoPasses)) return;

    FileHelper file(m_data.path);
    if (!file.isOpen()) {
        failReading("upload_thread open file failed");
        return;
    }

    _Flash_PreData preparation;
    std::memset(&preparation, 0, sizeof preparation);
    preparation.image_type = ZD_FLASH_IMAGE_FIRST;
    preparation.file_length = file.GetFileLen();
    setRunning(5);
    ZD_Flash_PreData(m_data.adapterId, &preparation);
    setRunning(10);
    ImagePages pages(file);
    if (!sendPass(pages, ZD_FLASH_IMAGE_FIRST, twoPasses) || !twoPasses) return;

    preparation.image_type = ZD_FLASH_IMAGE_SECOND;
    ZD_Flash_PreData(m_data.adapterId, &preparation);
    if (!pages.rewind()) {
        failReading("upload_thread read file failed");
        return;
    }
    sendPass(pages, ZD_FLASH_IMAGE_SECOND, twoPasses);
}

void FWOperation::checkHeader() {
    uint8_t type = 255;
    _Version_Info_CIM version;
    std::memset(&version, 0, sizeof version);
    uint16_t deviceId = 65535;
    const uint8_t status = ZD_Flash_GetHeaderInfo(m_data.path.c_str(), &type, &version, &deviceId);
    if (status == 0 && type == ZD_FLASH_IMAGE_FIRST) return;
    m_log->startLine(Log::api_data, "upload_thread ZD_Flash_GetHeaderInfo failed");
    m_log->endLine();
    m_ret.store(kInvalidFlashDescriptor);
    m_percentage.store(0);
}

bool FWOperation::readAdapter(bool& twoPasses) {
    uint8_t count = 1;
    _Adapter_Info info;
    std::memset(&info, 0, sizeof info);
    if (ZD_Adapter_GetInfo(m_data.adapterId, &count, &info) != 0) {
        if (m_ret.load() == 0) m_ret.store(kInvalidFlashDescriptor);
        m_percentage.store(0);
        return false;
    }
    if (m_ret.load() != 0) return false;
    m_log->startLine(Log::api_data, "upload_thread ZD_Adapter_GetInfo");
    m_log->writeFormatInfo("AdvancedFeatures2 %d", static_cast<int>(info.AdvancedFeatures2));
    m_log->endLine();
    twoPasses = (info.AdvancedFeatures2 & ZD_FEATURE_TWO_PASS_FLASH) != 0;
    return true;
}

void FWOperation::failReading(const char* title) {
    m_ret.store(kInvalidFlashDescriptor);
    m_percentage.store(0);
    m_log->startLine(Log::api_data, title);
    m_log->writeFormatInfo("path %s", m_data.path.c_str());
    m_log->endLine();
}

// Sends the file from its first page, one page per ZD_Flash_Bin. A file that
// ends exactly at its measured length (an empty one at once) ends the pass as
// sent; one that ends before it was cut short during the upload and fails it.
// Progress after each page: 10 + Q in the first pass (Q halved when a second
// pass follows), 55 + Q / 2 in the second, Q being the share of the 90 per
// cent reached, in the controller's unsigned 32-bit arithmetic.
bool FWOperation::sendPass(ImagePages& pages, uint8_t imageType, bool twoPasses) {
    const bool secondPass = imageType == ZD_FLASH_IMAGE_SECOND;
    const uint32_t length = pages.length();
    _Flash_Page page;
    for (;;) {
        switch (pages.next(page)) {
        case ImagePages::kPage:
            break;
        case ImagePages::kEnd:
            return true;
        case ImagePages::kCutShort:
            failReading("upload_thread file cut short");
            return false;
        case ImagePages::kReadFailed:
            failReading("upload_thread read file failed");
            return false;
        }
        const uint16_t pageIndex = page.page_index;

        m_log->startLine(Log::api_data, "upload_thread ZD_Flash_Bin");
        m_log->writeFormatInfo(secondPass ? "page again %d m_percentage %d" : "page %d m_percentage %d", pageIndex,
                               m_percentage.load());
        m_log->endLine();

        const uint8_t status = ZD_Flash_Bin(m_data.adapterId, ZD_FLASH_BIN_CONSTANT, imageType, &page);
        m_ret.store(status);
        if (status != 0) {
            m_percentage.store(0);
            m_log->startLine(Log::api_data,
                             secondPass ? "upload_thread twice ZD_Flash_Bin failed" : "upload_thread ZD_Flash_Bin failed");
            m_log->endLine();
            return false;
        }

        const uint32_t share = (static_cast<uint32_t>(pageIndex + 1) * kPassSpan) / length;
        if (secondPass) {
            setRunning(55 + share / 2);
        } else {
            setRunning(10 + (twoPasses ? share / 2 : share));
        }
        if (page.last_page != 0) return true;
    }
}
