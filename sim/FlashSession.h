// Receives a firmware image sent page by page to one adapter.
//
// ZD_Flash_PreData opens a pass (image type 3, or 9 for the second pass of
// adapters that take the image twice) with the file length; ZD_Flash_Bin then
// delivers the pages in order, each 32768 bytes but the last. A gap, a wrong
// length or a page outside an open pass is refused. When the last page of
// the last pass arrives, the received image is checked and, if valid, its
// version becomes the adapter's firmware version.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "api/records/Records.h"
#include "sim/FirmwareImage.h"

class FlashSession {
public:
    // Answers 0, 155 (unknown image type), 156 (second pass without a first)
    // or 185 (empty file).
    uint8_t prepare(uint8_t imageType, uint32_t fileLength, bool twoPasses);
    // Answers 0 or a refusal; sets installed when the image is complete.
    uint8_t page(uint8_t constant, uint8_t imageType, const _Flash_Page& page, bool twoPasses,
                 std::optional<FirmwareInfo>& installed);
    bool active() const { return m_passType != 0; }

private:
    void reset();

    uint8_t m_passType = 0;  // 0: no pass open
    bool m_firstPassDone = false;
    uint32_t m_length = 0;
    uint32_t m_received = 0;
    uint16_t m_nextPage = 0;
    std::vector<uint8_t> m_image;
};
