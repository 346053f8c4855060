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
#include <cstring>
#include <map>
#include <vector>

#include "api/APIAdapterInfoData.h"
#include "api/APIData.h"
#include "api/records/Records.h"

template <typename T>
class APIRequestData : public APIData<T> {
public:
    T* getData(uint16_t key, bool& found) override {
        found = false;
        if (m_buffer.empty()) return &m_record;
        auto hit = m_index.find(key);
        if (hit != m_index.end()) {
            copyRecord(hit->second);
            found = true;
            return &m_record;
        }
        clear();
        resetHeader(key);
        const bool answered = rebuildMap();
        m_cursor = m_index.begin();
        hit = m_index.find(key);
        if (answered && hit != m_index.end()) {
            copyRecord(hit->second);
            found = true;
        }
        return &m_record;
    }

    void clear() override {
        m_index.clear();
        m_cursor = m_index.end();
        std::fill(m_buffer.begin(), m_buffer.end(), 0);
    }

    uint16_t getID() override { return m_cursor == m_index.end() ? 0 : m_cursor->first; }

    void moveToNext() override {
        if (m_buffer.empty()) return;
        if (m_cursor != m_index.end()) ++m_cursor;
        if (m_cursor == m_index.end()) fetchBatch(m_nextStart);
    }

    bool isEnd() override {
        return m_buffer.empty() || (m_cursor == m_index.end() && header().next_start_id == ZD_NO_MORE_RECORDS);
    }

    void readRange(uint8_t adapter) override {
        checkAdapter(adapter);
        clear();
        m_requestType = ZD_REQUEST_RANGE;
        m_requestCount = m_maxCount;
        if (!m_buffer.empty()) fetchBatch(0);
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
        std::memcpy(m_buffer.data(), &h, sizeof(h));
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
        if (m_bufferSize != 0) m_buffer.assign(m_bufferSize, 0);
    }

    // Bytes held for one request (header and records), 0 without a buffer.
    size_t bufferBytes() const { return m_buffer.size(); }

    void freeMemory() {
        if (m_buffer.empty()) return;
        m_index.clear();
        m_cursor = m_index.end();
        std::vector<uint8_t>().swap(m_buffer);
    }

protected:
    static constexpr uint64_t kHeaderSize = sizeof(_Request_Header);
    static constexpr uint64_t kMaxRecordsPerRequest = 32;
    // Without the adapter's limit: 2 records, what 2048 bytes hold of any record.
    static constexpr uint16_t kFallbackRecordsPerRequest = 2;
    static_assert(kHeaderSize + kFallbackRecordsPerRequest * sizeof(T) <= 2048, "two records fit 2048 bytes");

    APIRequestData() : m_cursor(m_index.end()) { std::memset(&m_record, 0, sizeof(m_record)); }
    ~APIRequestData() = default;

    // Calls the class's list read with (m_adapterId, buffer()) and indexes the
    // records it returned; answers whether it returned any. Called only while
    // there is a buffer.
    virtual bool rebuildMap() = 0;

    // The buffer handed to the library (header first).
    void* buffer() { return m_buffer.data(); }

    _Request_Header header() const {
        _Request_Header h;
        std::memcpy(&h, m_buffer.data(), sizeof(h));
        return h;
    }

    // rebuildMap's common part: after the library answered `status`, indexes
    // the returned records by the key field (the first position of a key wins).
    bool indexRecords(uint8_t status, uint16_t T::*key) {
        const _Request_Header h = header();
        if (status == 0) {
            const uint16_t count = h.returned_count < capacity() ? h.returned_count : capacity();
            for (uint16_t i = 0; i < count; ++i) {
                T record;
                std::memcpy(&record, recordAt(i), sizeof(T));
                m_index.emplace(record.*key, i);
            }
        }
        return h.returned_count != 0;
    }

    T m_record;
    uint8_t m_adapterId = 255;  // meaningful once m_sized

private:
    uint16_t capacity() const {
        const uint64_t fits = (m_bufferSize - kHeaderSize) / sizeof(T);
        return static_cast<uint16_t>(fits < 0xFFFF ? fits : 0xFFFF);
    }
    const uint8_t* recordAt(uint16_t position) const {
        return m_buffer.data() + kHeaderSize + static_cast<size_t>(position) * sizeof(T);
    }
    void copyRecord(uint16_t position) { std::memcpy(&m_record, recordAt(position), sizeof(T)); }

    // One step of a walk: the batch from `start`, the next batch's start, the
    // cursor on the batch's first key. A batch must lie at or after its start
    // and point past itself; an empty batch, or one that would send the walk
    // back, ends the walk, so a walk always terminates.
    void fetchBatch(uint16_t start) {
        clear();
        resetHeader(start);
        rebuildMap();
        m_index.erase(m_index.begin(), m_index.lower_bound(start));
        _Request_Header h = header();
        const bool movesOn = !m_index.empty() && h.next_start_id > start && h.next_start_id > m_index.rbegin()->first;
        if (!movesOn && h.next_start_id != ZD_NO_MORE_RECORDS) {
            h.next_start_id = ZD_NO_MORE_RECORDS;
            std::memcpy(m_buffer.data(), &h, sizeof(h));
        }
        m_nextStart = h.next_start_id;
        m_cursor = m_index.begin();
    }

    bool m_sized = false;
    std::vector<uint8_t> m_buffer;
    uint64_t m_bufferSize = 0;
    uint16_t m_maxCount = 0;
    std::map<uint16_t, uint16_t> m_index;
    std::map<uint16_t, uint16_t>::iterator m_cursor;
    uint16_t m_nextStart = 0;
    uint8_t m_requestType = ZD_REQUEST_SINGLE;
    uint16_t m_requestCount = 1;
};
