#include "sim/FlashSession.h"

#include <cstring>

uint8_t FlashSession::prepare(uint8_t imageType, uint32_t fileLength, bool twoPasses) {
    if (imageType != ZD_FLASH_IMAGE_FIRST && imageType != ZD_FLASH_IMAGE_SECOND) return 155;
    if (fileLength == 0) return firmware::kStatusInvalid;
    if (imageType == ZD_FLASH_IMAGE_SECOND) {
        if (!twoPasses || !m_firstPassDone || fileLength != m_length) return 156;
    } else {
        reset();
        m_length = fileLength;
        m_image.reserve(fileLength);
    }
    m_passType = imageType;
    m_received = 0;
    m_nextPage = 0;
    return 0;
}

uint8_t FlashSession::page(uint8_t constant, uint8_t imageType, const _Flash_Page& page, bool twoPasses,
                           std::optional<FirmwareInfo>& installed) {
    if (constant != ZD_FLASH_BIN_CONSTANT) return 7;
    if (!active()) return 156;
    if (imageType != m_passType) return 155;
    uint32_t length = page.data_length;
    if (page.page_index != m_nextPage || length == 0 || length > ZD_FLASH_PAGE_DATA) return 7;
    if (length > m_length - m_received) return 7;
    bool ends = m_received + length == m_length;
    if ((page.last_page != 0) != ends || (!ends && length != ZD_FLASH_PAGE_DATA)) return 7;

    if (m_passType == ZD_FLASH_IMAGE_SECOND) {
        if (std::memcmp(m_image.data() + m_received, page.data, length) != 0) {
            reset();
            return firmware::kStatusInvalid;
        }
    } else {
        m_image.insert(m_image.end(), page.data, page.data + length);
    }
    m_received += length;
    ++m_nextPage;
    if (!ends) return 0;

    FirmwareInfo info;
    if (firmware::parse(m_image.data(), m_image.size(), info) != 0 || info.imageType != ZD_FLASH_IMAGE_FIRST) {
        reset();
        return firmware::kStatusInvalid;
    }
    if (m_passType == ZD_FLASH_IMAGE_FIRST && twoPasses) {
        m_firstPassDone = true;
        m_passType = 0;
        return 0;
    }
    installed = info;
    reset();
    return 0;
}

void FlashSession::reset() {
    m_passType = 0;
    m_firstPassDone = false;
    m_length = 0;
    m_received = 0;
    m_nextPage = 0;
    m_image.clear();
}
