// The pages of a firmware image, as the controller takes them.
//
// Reads the file in pages of up to 32768 bytes, from its start, and never
// past the length measured when the file was opened (the length the
// controller was prepared for): the page that reaches that length is marked
// last. Reaching the end of the file before that length means the file was
// cut short while it was being sent.
//
//   ImagePages pages(file);
//   for (;;) {
//       switch (pages.next(page)) {          // fills the page record
//       case ImagePages::kPage: send it; if (page.last_page) done; break;
//       case ImagePages::kEnd: done;          // an empty file: nothing to send
//       default: fail;                        // kCutShort, kReadFailed
//       }
//   }
//   pages.rewind();                           // the second pass
#pragma once

#include <cstdint>

#include "api/records/Records.h"

class FileHelper;

class ImagePages {
public:
    enum Result { kPage, kEnd, kCutShort, kReadFailed };

    explicit ImagePages(FileHelper& file) : m_file(file) {}

    // The next page: data, its length, its index in this pass and whether it
    // is the last; bytes of the record beyond the data are zero. kEnd once the
    // measured length has been sent (at once for an empty file).
    Result next(_Flash_Page& page);
    // Back to the first page; false when the file cannot be read again.
    bool rewind();
    // The length measured when the file was opened.
    uint32_t length() const;

private:
    FileHelper& m_file;
    uint32_t m_position = 0;
    uint16_t m_pageIndex = 0;
};
