// Helpers that drive the simulator directly, through the controller ABI:
// list reads through the request-header protocol, the call record as text,
// parameter records ready to fill, and reads of the records it holds.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "api/records/RecordText.h"
#include "api/zd_api.h"
#include "sim/zd_sim.h"
#include "support/TestSupport.h"

namespace simtest {

using ListRead = uint8_t (*)(uint8_t, void*);

// One list request in a buffer of bufferKb KiB.
class ListRequest {
public:
    explicit ListRequest(size_t bufferKb = 64) : m_bytes(bufferKb * 1024, 0xAB) {}

    uint8_t send(ListRead read, uint8_t adapter, uint8_t type, uint16_t start, uint16_t count) {
        _Request_Header h{};
        h.request_type = type;
        h.start_id = start;
        h.requested_count = count;
        h.returned_count = 0x5555;
        h.next_start_id = 0x5555;
        std::memcpy(m_bytes.data(), &h, sizeof(h));
        return read(adapter, m_bytes.data());
    }
    _Request_Header header() const {
        _Request_Header h;
        std::memcpy(&h, m_bytes.data(), sizeof(h));
        return h;
    }
    template <typename T>
    std::vector<T> records() const {
        std::vector<T> out(header().returned_count);
        if (!out.empty()) std::memcpy(out.data(), m_bytes.data() + 16, out.size() * sizeof(T));
        return out;
    }

private:
    std::vector<uint8_t> m_bytes;
};

// Every record of a list, walked in batches of 32.
template <typename T>
std::vector<T> readAll(ListRead read, uint8_t adapter) {
    std::vector<T> all;
    ListRequest request;
    uint16_t start = 0;
    for (int guard = 0; guard < 1000; ++guard) {
        if (request.send(read, adapter, ZD_REQUEST_RANGE, start, 32) != 0) break;
        std::vector<T> batch = request.records<T>();
        all.insert(all.end(), batch.begin(), batch.end());
        start = request.header().next_start_id;
        if (start == ZD_NO_MORE_RECORDS) break;
    }
    return all;
}

// The one record with that id; the call's status.
template <typename T>
uint8_t readOne(ListRead read, uint8_t adapter, uint16_t id, T& out) {
    ListRequest request;
    uint8_t status = request.send(read, adapter, ZD_REQUEST_SINGLE, id, 1);
    std::vector<T> records = request.records<T>();
    if (status == 0 && records.size() == 1) out = records[0];
    return status;
}

// The one record with that id, a zeroed record when it cannot be read.
template <typename T>
T readOne(ListRead read, uint8_t adapter, uint16_t id) {
    T record{};
    readOne(read, adapter, id, record);
    return record;
}

inline std::string calls() { return zdtest::simCallText(); }

inline std::vector<uint8_t> lastRecord(const char* function) {
    std::vector<uint8_t> bytes(zdsim_last_record(function, nullptr, 0));
    zdsim_last_record(function, bytes.data(), bytes.size());
    return bytes;
}

// The OEM packet as the bridge builds it: length 72, "1C19", four request bytes.
inline std::vector<uint8_t> oemBlock(uint8_t type, uint8_t value, uint8_t id, uint8_t force) {
    std::vector<uint8_t> block(72, 0);
    block[0] = 72;
    std::memcpy(&block[4], "1C19", 4);
    block[8] = type;
    block[9] = value;
    block[10] = id;
    block[11] = force;
    return block;
}

inline _CreateOrModify_DG_Param groupParam(const char* name, uint8_t level, std::vector<uint16_t> disks,
                                           uint8_t parity = 0) {
    _CreateOrModify_DG_Param p{};
    p.dg_id = ZD_EMPTY_ID;
    setRecordText(p.name, sizeof(p.name), name);
    p.raid_level = level;
    p.parity_count = parity;
    p.stripe_size = 64;
    p.block_size = 512;
    p.disk_count = static_cast<uint8_t>(disks.size());
    for (size_t i = 0; i < disks.size(); ++i) p.disk_ids[i] = disks[i];
    return p;
}

inline _CreateOrModify_VD_Param vdParam(const char* name, uint16_t dg, uint8_t level, uint8_t initType = 0,
                                        uint8_t rounding = 0) {
    _CreateOrModify_VD_Param p{};
    p.ld_id = ZD_EMPTY_ID;
    p.dg_id = dg;
    setRecordText(p.name, sizeof(p.name), name);
    p.raid_level = level;
    p.fixed23 = 0xFF;
    p.stripe_size = 64;
    p.rounding_scheme = rounding;
    p.init_type = initType;
    p.block_size = 512;
    return p;
}

// A disk group and its virtual disk for one ZD_Create_PackageVD call.
inline _Create_PackageVD_Param packageParam(const char* name, uint8_t level, std::vector<uint16_t> disks,
                                            uint8_t initType = 0, uint8_t parity = 0) {
    _Create_PackageVD_Param p{};
    p.vd = vdParam(name, ZD_EMPTY_ID, level, initType);
    p.dg = groupParam(name, level, disks, parity);
    return p;
}

inline _DG_Info group(uint8_t adapter, uint16_t id) { return readOne<_DG_Info>(ZD_DG_GetInfo, adapter, id); }

inline _LD_Info vd(uint8_t adapter, uint16_t id) { return readOne<_LD_Info>(ZD_LD_GetInfo, adapter, id); }

inline _LD_STATUS vdStatus(uint8_t adapter, uint16_t id) { return readOne<_LD_STATUS>(ZD_LD_GetStatus, adapter, id); }

inline uint8_t diskStatus(uint8_t adapter, uint16_t id) {
    return readOne<_HD_RAID_STATUS>(ZD_PD_GetHDRaidStatus, adapter, id).status;
}

inline _Version_Info_CIM firmwareVersion(uint8_t adapter) {
    _Adapter_Info info{};
    uint8_t count = 1;
    EXPECT_EQ(ZD_Adapter_GetInfo(adapter, &count, &info), 0);
    return info.firmware_version;
}

inline std::vector<EventRecord> drainEvents(uint8_t adapter) {
    std::vector<EventRecord> all;
    for (;;) {
        EventRecord batch[ZD_EVT_BATCH];
        uint8_t count = 0;
        if (ZD_EVT_GetEvent(adapter, ZD_EVT_BATCH, &count, batch) != 0 || count == 0) break;
        all.insert(all.end(), batch, batch + count);
    }
    return all;
}

constexpr uint64_t k4TB = 7814037168ull;
constexpr uint64_t k2TB = 3907029168ull;

}  // namespace simtest
