// Answers a list read: the request header at the start of the caller's
// buffer says what is wanted, the records follow it.
//
// request_type 1 (range): the records whose id is at least start_id, in
// ascending id order, at most requested_count and at most what the buffer
// holds (max_buffer_kb KiB); next_start_id is the id after the last record
// returned, or 0xFFFF when there is none. A range starting at 0xFFFF
// returns nothing. request_type 2 (single): only the record whose id is
// start_id, or nothing and absentStatus. returned_count and next_start_id are
// always written; no other header byte is touched.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "api/records/Records.h"

// How many records of this type a buffer of maxBufferKb KiB holds after
// its header.
template <typename Record>
size_t recordsThatFit(uint16_t maxBufferKb) {
    const size_t room = static_cast<size_t>(maxBufferKb) * 1024;
    return room > sizeof(_Request_Header) ? (room - sizeof(_Request_Header)) / sizeof(Record) : 0;
}

// The part of a list a request can reach, so that only those records need
// rendering: `count` records with ids from `first` on (for a range, one more
// than it may return, to tell where the next request starts); `single` when
// only the record whose id is `first` counts.
struct ListWindow {
    uint16_t first = 0;
    size_t count = 0;
    bool single = false;
};

template <typename Record>
ListWindow listWindow(const void* buffer, uint16_t maxBufferKb) {
    _Request_Header header;
    std::memcpy(&header, buffer, sizeof(header));
    ListWindow window;
    window.first = header.start_id;
    if (header.request_type == ZD_REQUEST_RANGE && header.start_id != ZD_NO_MORE_RECORDS) {
        window.count = std::min<size_t>(header.requested_count, recordsThatFit<Record>(maxBufferKb)) + 1;
    } else if (header.request_type == ZD_REQUEST_SINGLE) {
        window.count = 1;
        window.single = true;
    }
    return window;
}

// Answers the request from `records` (ascending ids; at least the request's
// window of them).
template <typename Record>
uint8_t answerList(void* buffer, uint16_t maxBufferKb, const std::vector<std::pair<uint16_t, Record>>& records,
                   uint8_t absentStatus) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    _Request_Header header;
    std::memcpy(&header, bytes, sizeof(header));
    const size_t fits = recordsThatFit<Record>(maxBufferKb);
    uint16_t returned = 0;
    uint16_t next = ZD_NO_MORE_RECORDS;
    uint8_t status = 0;
    auto put = [&](const Record& record) {
        std::memcpy(bytes + sizeof(header) + returned * sizeof(Record), &record, sizeof(Record));
        ++returned;
    };
    if (header.request_type == ZD_REQUEST_RANGE) {
        size_t limit = header.requested_count < fits ? header.requested_count : fits;
        if (header.start_id != ZD_NO_MORE_RECORDS) {
            for (const auto& [id, record] : records) {
                if (id < header.start_id) continue;
                if (returned == limit) {
                    next = id;
                    break;
                }
                put(record);
            }
        }
    } else if (header.request_type == ZD_REQUEST_SINGLE) {
        status = absentStatus;
        for (const auto& [id, record] : records) {
            if (id == header.start_id && fits > 0 && header.requested_count > 0) {
                put(record);
                status = 0;
                break;
            }
        }
    } else {
        status = 7;
    }
    header.returned_count = returned;
    header.next_start_id = next;
    std::memcpy(bytes + offsetof(_Request_Header, returned_count), &header.returned_count, 2);
    std::memcpy(bytes + offsetof(_Request_Header, next_start_id), &header.next_start_id, 2);
    return status;
}
