#include "upload/ImagePages.h"

#include <cstdio>
#include <cstring>

#include "upload/FileHelper.h"

ImagePages::Result ImagePages::next(_Flash_Page& page) {
    const uint32_t length = m_file.GetFileLen();
    if (m_position >= length) return kEnd;
    const uint32_t remaining = length - m_position;
    const uint32_t wanted = remaining < ZD_FLASH_PAGE_DATA ? remaining : ZD_FLASH_PAGE_DATA;

    uint32_t filled = 0;
    while (filled < wanted) {
        size_t count = 0;
        if (!m_file.ReadFromFile(page.data + filled, wanted - filled, &count)) return kReadFailed;
        if (count == 0) return kCutShort;
        filled += static_cast<uint32_t>(count);
    }
    // Only a short last page leaves room; the controller sees zeros there.
    if (filled < ZD_FLASH_PAGE_DATA) std::memset(page.data + filled, 0, ZD_FLASH_PAGE_DATA - filled);
    std::memset(&page, 0, offsetof(_Flash_Page, data));
    m_position += filled;
    page.data_length = filled;
    page.page_index = m_pageIndex++;
    page.last_page = m_position == length ? 1 : 0;
    return kPage;
}

uint32_t ImagePages::length() const { return m_file.GetFileLen(); }

bool ImagePages::rewind() {
    m_position = 0;
    m_pageIndex = 0;
    return m_file.FileSeek(0, SEEK_SET) == 0;
}
