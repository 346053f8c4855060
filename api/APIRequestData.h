// Base of the wrappers over the controller's list reads.
//
// A list read fills a buffer that starts with a _Request_Header (the request:
// type, start id, count; the answer: returned count, next start id) followed
// by the records. The number of records a request asks for is set once per
// adapter from the adapter's max_buffer_kb (at most 32 records per request; 2
// records when the adapter record cannot be read, as in 2048 bytes; no buffer
// at all for a limit of 0), and the buffer holds just that many records.
//
// The wrapper keeps the last batch indexed by key. readRange starts a walk
// that fetches batch after batch (ascending keys, each record once, one final
// request at 0xFFFF); readSingle switches to one-record requests and keeps the
// batch. getData answers keys of the batch without a library call; a key not
// in the batch replaces the batch by one fetched from that key (and moves the
// walk's cursor to its start). Each concrete class names its library call and
// record key in rebuildMap().
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <utility>

#include "api/APIAdapterInfoData.h"
#include "api/APIData.h"
#include "api/records/Records.h"

template <typename T>
class APIRequestData : public APIData<T> {
public:
    T* getData(uint16_t key, bool& found) override {
        found = false;
        if (!m_buffer) return &m_record;
        size_t hit = 0;
        if (findKey(key, hit)) {
            copyRecord(m_index[hit].second);
            found = true;
            return &m_record;
        }
        clear();
        resetHeader(key);
        const bool answered = rebuildMap();
        m_cursor = 0;
        if (answered && findKey(key, hit)) {
            copyRecord(m_index[hit].second);
            found = true;
        }
        return &m_record;
    }

    void clear() override {
        m_indexed = 0;
        m_cursor = 0;
        // The request goes in the header; records are read only as far as
        // the answer's count says, so they need no clearing.
        if (m_buffer) std::memset(m_buffer.get(), 0, kHeaderSize);
    }

    uint16_t getID() override { return atEnd() ? 0 : m_index[m_cursor].first; }

    void moveToNext() override {
        if (!m_buffer) return;
        if (!atEnd()) ++m_cursor;
        if (atEnd()) fetchBatch(m_nextStart);
    }

    bool isEnd() override {
        return !m_buffer || (atEnd() && header().next_start_id == ZD_NO_MORE_RECORDS);
    }

    void readRange(uint8_t adapter) override {
        checkAdapter(adapter);
        m_requestType = ZD_REQUEST_RANGE;
        m_requestCount = m_maxCount;
        fetchBatch(0);  // clears the batch first
    }

    void readSingle(uint8_t adapter) override {
        checkAdapter(adapter);
        m_requestType = ZD_REQUEST_SINGLE;
        m_requestCount = 1;
    }

    // Writes the request for records from `start` into the header.
    void resetHeader(uint16_t start) {
        _Request_Header h = header();
        h.request_type = m_requestType;
        h.requested_count = m_requestCount;
        h.next_start_id = ZD_NO_MORE_RECORDS;
        h.start_id = start;
        h.returned_count = 0;
        std::memcpy(m_buffer.get(), &h, sizeof(h));
    }

    // Sizes the buffer on the first read and anew when the adapter changes.
    // Every adapter id, 255 included, is passed through to the library.
    void checkAdapter(uint8_t adapter) {
        if (m_sized && adapter == m_adapterId) return;
        m_sized = true;
        m_adapterId = adapter;
        freeMemory();
        allocMemory();
    }

    void allocMemory() {
        APIAdapterInfoData adapterInfo;
        bool found = false;
        const _Adapter_Info* info = adapterInfo.getData(m_adapterId, found);
        if (found) {
            const uint64_t limit = static_cast<uint64_t>(info->max_buffer_kb) * 1024;
            const uint64_t fits = limit > kHeaderSize ? (limit - kHeaderSize) / sizeof(T) : 0;
            m_maxCount = static_cast<uint16_t>(fits < kMaxRecordsPerRequest ? fits : kMaxRecordsPerRequest);
        } else {
            m_maxCount = kFallbackRecordsPerRequest;
        }
        // Room for the records one request can return, never more than the
        // adapter allows: an adapter allowing 64 MiB costs a few KiB here.
        m_bufferSize = m_maxCount == 0 ? 0 : kHeaderSize + static_cast<uint64_t>(m_maxCount) * sizeof(T);
        if (m_bufferSize != 0) {
            m_buffer.reset(new uint8_t[m_bufferSize]);
            std::memset(m_buffer.get(), 0, kHeaderSize);
        }
    }

    // Bytes held for one request (header and records), 0 without a buffer.
    size_t bufferBytes() const { return m_buffer ? static_cast<size_t>(m_bufferSize) : 0; }

    void freeMemory() {
        if (!m_buffer) return;
        m_indexed = 0;
        m_cursor = 0;
        m_buffer.reset();
        m_bufferSize = 0;
    }

protected:
    static constexpr uint64_t kHeaderSize = sizeof(_Request_Header);
    static constexpr uint64_t kMaxRecordsPerRequest = 32;
    // Without the adapter's limit: 2 records, what 2048 bytes hold of any record.
    static constexpr uint16_t kFallbackRecordsPerRequest = 2;
    static_assert(kHeaderSize + kFallbackRecordsPerRequest * sizeof(T) <= 2048, "two records fit 2048 bytes");

    APIRequestData() { std::memset(&m_record, 0, sizeof(m_record)); }
    ~APIRequestData() = default;

    // Calls the class's list read with (m_adapterId, buffer()) and indexes the
    // records it returned; answers whether it returned any. Called only while
    // there is a buffer.
    virtual bool rebuildMap() = 0;

    // The buffer handed to the library (header first).
    void* buffer() { return m_buffer.get(); }

    _Request_Header header() const {
        _Request_Header h;
        std::memcpy(&h, m_buffer.get(), sizeof(h));
        return h;
    }

    // rebuildMap's common part: after the library answered `status`, indexes
    // the returned records by the key field (the first position of a key wins).
    bool indexRecords(uint8_t status, uint16_t T::*key) {
        const _Request_Header h = header();
        if (status == 0) {
            const uint16_t count = h.returned_count < capacity() ? h.returned_count : capacity();
            for (uint16_t i = 0; i < count; ++i) {
                uint16_t id;
                std::memcpy(&id, recordAt(i) + keyOffset(key), sizeof(id));
                addKey(id, i);
            }
        }
        return h.returned_count != 0;
    }

    T m_record;
    uint8_t m_adapterId = 255;  // meaningful once m_sized

private:
    // The byte offset of the key field in the record.
    static size_t keyOffset(uint16_t T::*key) {
        static const T probe{};
        return static_cast<size_t>(reinterpret_cast<const uint8_t*>(&(probe.*key)) -
                                   reinterpret_cast<const uint8_t*>(&probe));
    }

    bool atEnd() const { return m_cursor >= m_indexed; }

    // Whether the batch holds key; position is where it is (or would go).
    bool findKey(uint16_t key, size_t& position) const {
        const IndexEntry* end = m_index + m_indexed;
        const IndexEntry* found =
            std::lower_bound(m_index, end, key, [](const IndexEntry& entry, uint16_t k) { return entry.first < k; });
        position = static_cast<size_t>(found - m_index);
        return found != end && found->first == key;
    }

    // Indexes a record of the batch; a key already present keeps its first position.
    void addKey(uint16_t key, uint16_t position) {
        size_t at = m_indexed;
        if (m_indexed == kMaxRecordsPerRequest) return;
        // Records come in ascending order: most keys go to the end.
        if (m_indexed != 0 && m_index[m_indexed - 1].first >= key) {
            if (findKey(key, at)) return;
            std::move_backward(m_index + at, m_index + m_indexed, m_index + m_indexed + 1);
        }
        m_index[at] = IndexEntry(key, position);
        ++m_indexed;
    }

    uint16_t capacity() const {
        const uint64_t fits = (m_bufferSize - kHeaderSize) / sizeof(T);
        return static_cast<uint16_t>(fits < 0xFFFF ? fits : 0xFFFF);
    }
    const uint8_t* recordAt(uint16_t position) const {
        return m_buffer.get() + kHeaderSize + static_cast<size_t>(position) * sizeof(T);
    }
    void copyRecord(uint16_t position) { std::memcpy(&m_record, recordAt(position), sizeof(T)); }

    // One step of a walk: the batch from `start`, the next batch's start, the
    // cursor on the batch's first key. A batch must lie at or after its start
    // and point past itself; an empty batch, or one that would send the walk
    // back, ends the walk, so a walk always terminates.
    void fetchBatch(uint16_t start) {
        clear();
        if (!m_buffer) return;
        resetHeader(start);
        rebuildMap();
        size_t firstKept = 0;
        findKey(start, firstKept);
        std::move(m_index + firstKept, m_index + m_indexed, m_index);
        m_indexed -= firstKept;
        _Request_Header h = header();
        const bool movesOn = m_indexed != 0 && h.next_start_id > start && h.next_start_id > m_index[m_indexed - 1].first;
        if (!movesOn && h.next_start_id != ZD_NO_MORE_RECORDS) {
            h.next_start_id = ZD_NO_MORE_RECORDS;
            std::memcpy(m_buffer.get(), &h, sizeof(h));
        }
        m_nextStart = h.next_start_id;
        m_cursor = 0;
    }

    bool m_sized = false;
    std::unique_ptr<uint8_t[]> m_buffer;
    uint64_t m_bufferSize = 0;
    uint16_t m_maxCount = 0;
    // The batch's keys in ascending order with their positions in the
    // buffer; a batch holds at most kMaxRecordsPerRequest records.
    using IndexEntry = std::pair<uint16_t, uint16_t>;
    IndexEntry m_index[kMaxRecordsPerRequest] = {};
    size_t m_indexed = 0;
    size_t m_cursor = 0;  // position in m_index; m_indexed at the end
    uint16_t m_nextStart = 0;
    uint8_t m_requestType = ZD_REQUEST_SINGLE;
    uint16_t m_requestCount = 1;
};
