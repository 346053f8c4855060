// Controller data wrappers against the simulator, in-process: which list
// requests a walk or a lookup sends (header bytes as the library received
// them), how the buffer is sized from the adapter's limit, and the single
// wrappers' packets and fallbacks.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "api/APIAdapterInfoData.h"
#include "api/APIOEMData.h"
#include "api/APIOEMInfo.h"
#include "api/APISMARTData.h"
#include "api/ListWrappers.h"
#include "sim/zd_sim.h"
#include "support/TestSupport.h"

namespace {

_Request_Header lastHeader(const char* function) {
    _Request_Header h{};
    EXPECT_EQ(zdsim_last_record(function, &h, sizeof(h)), sizeof(h)) << function;
    return h;
}

void expectRequest(const char* function, uint8_t type, uint16_t start, uint16_t count) {
    const _Request_Header h = lastHeader(function);
    EXPECT_EQ(h.request_type, type);
    EXPECT_EQ(h.start_id, start);
    EXPECT_EQ(h.requested_count, count);
    EXPECT_EQ(h.returned_count, 0);
    EXPECT_EQ(h.next_start_id, 0xFFFF);
}

// One adapter holding `disks` free disks (ids 0 ..), with the given buffer limit.
void shapeAdapter(uint16_t disks, uint16_t maxBufferKb) {
    zdsim_reset_empty(1);
    ASSERT_EQ(zdsim_set_adapter_value(0, "max_buffer_kb", maxBufferKb), 0);
    for (uint16_t i = 0; i < disks; ++i) ASSERT_EQ(zdsim_add_disk(0, 1000 + i), i);
    zdsim_clear_calls();
}

// Walks the wrapper; answers the keys in walking order.
template <typename W>
std::vector<uint16_t> walk(W& wrapper, uint8_t adapter) {
    std::vector<uint16_t> keys;
    wrapper.readRange(adapter);
    while (!wrapper.isEnd() && keys.size() < 1000) {
        bool found = false;
        const uint16_t id = wrapper.getID();
        wrapper.getData(id, found);
        EXPECT_TRUE(found) << id;
        keys.push_back(id);
        wrapper.moveToNext();
    }
    return keys;
}

std::vector<uint16_t> upTo(uint16_t n) {
    std::vector<uint16_t> ids(n);
    for (uint16_t i = 0; i < n; ++i) ids[i] = i;
    return ids;
}

}  // namespace

TEST(ListWrappers, WalkFetchesBatchesOf32AndOneFinalRequest) {
    shapeAdapter(70, 64);
    APIPdInfoData pds;
    pds.readRange(0);
    EXPECT_EQ(zdsim_call_count("ZD_Adapter_GetInfo"), 1u);
    expectRequest("ZD_PD_GetHDInfo_Ext", ZD_REQUEST_RANGE, 0, 32);

    std::vector<uint16_t> keys;
    const uint16_t batchStarts[] = {32, 64, 0xFFFF};
    size_t batch = 0;
    while (!pds.isEnd() && keys.size() < 100) {
        bool found = false;
        const _HD_Info* disk = pds.getData(pds.getID(), found);
        ASSERT_TRUE(found);
        EXPECT_EQ(disk->id, pds.getID());
        EXPECT_EQ(zdU64Value(disk->size), 1000u + disk->id);
        keys.push_back(disk->id);
        const uint32_t before = zdsim_call_count("ZD_PD_GetHDInfo_Ext");
        pds.moveToNext();
        if (zdsim_call_count("ZD_PD_GetHDInfo_Ext") != before) {
            ASSERT_LT(batch, 3u);
            expectRequest("ZD_PD_GetHDInfo_Ext", ZD_REQUEST_RANGE, batchStarts[batch++], 32);
        }
    }
    EXPECT_EQ(keys, upTo(70));
    EXPECT_EQ(batch, 3u);
    EXPECT_EQ(zdsim_call_count("ZD_PD_GetHDInfo_Ext"), 4u);
    EXPECT_EQ(zdsim_call_count("ZD_PD_GetHDInfo"), 0u);
    EXPECT_EQ(pds.getID(), 0);
    EXPECT_EQ(zdsim_call_count("ZD_Adapter_GetInfo"), 1u);
}

TEST(ListWrappers, SingleLookupsAndMisses) {
    shapeAdapter(40, 64);
    APIPdInfoData pds;
    bool found = true;
    // Nothing read yet: a missing key answers the zero-filled record.
    pds.readSingle(0);
    const _HD_Info* disk = pds.getData(90, found);
    EXPECT_FALSE(found);
    EXPECT_EQ(zdU64Value(disk->size), 0u);
    expectRequest("ZD_PD_GetHDInfo_Ext", ZD_REQUEST_SINGLE, 90, 1);

    disk = pds.getData(5, found);
    ASSERT_TRUE(found);
    EXPECT_EQ(disk->id, 5);
    expectRequest("ZD_PD_GetHDInfo_Ext", ZD_REQUEST_SINGLE, 5, 1);
    EXPECT_EQ(zdsim_call_count("ZD_PD_GetHDInfo_Ext"), 2u);
    pds.getData(5, found);  // from the batch
    EXPECT_TRUE(found);
    EXPECT_EQ(zdsim_call_count("ZD_PD_GetHDInfo_Ext"), 2u);

    // A miss replaces the batch: 5 must be asked for again afterwards.
    pds.getData(6, found);
    EXPECT_TRUE(found);
    pds.getData(5, found);
    EXPECT_TRUE(found);
    EXPECT_EQ(zdsim_call_count("ZD_PD_GetHDInfo_Ext"), 4u);

    // A key that does not exist keeps the last record found.
    disk = pds.getData(77, found);
    EXPECT_FALSE(found);
    EXPECT_EQ(disk->id, 5);

    // readSingle after readRange keeps the batch: no library call for its keys.
    pds.readRange(0);
    const uint32_t calls = zdsim_call_count("ZD_PD_GetHDInfo_Ext");
    pds.readSingle(0);
    disk = pds.getData(31, found);
    EXPECT_TRUE(found);
    EXPECT_EQ(disk->id, 31);
    EXPECT_EQ(zdsim_call_count("ZD_PD_GetHDInfo_Ext"), calls);
    // ...and a key outside it is a single request.
    pds.getData(35, found);
    EXPECT_TRUE(found);
    expectRequest("ZD_PD_GetHDInfo_Ext", ZD_REQUEST_SINGLE, 35, 1);
    EXPECT_EQ(zdsim_call_count("ZD_Adapter_GetInfo"), 1u);

    // A miss during a walk moves the cursor to the new batch.
    APIPdInfoData walking;
    walking.readRange(0);
    walking.getData(36, found);
    EXPECT_TRUE(found);
    expectRequest("ZD_PD_GetHDInfo_Ext", ZD_REQUEST_RANGE, 36, 32);
    EXPECT_EQ(walking.getID(), 36);
    walking.moveToNext();
    EXPECT_EQ(walking.getID(), 37);
}

// How many records a disk walk asks for: from the adapter's buffer limit, a
// fallback when the adapter record fails, and the plain read when the
// extended one fails.
TEST(ListWrappers, DiskWalkSizing) {
    struct Case {
        uint16_t disks, maxBufferKb;
        const char* failing;  // fails from then on, or once for ZD_Adapter_GetInfo
        const char* lastRead;
        uint16_t lastCount;
        uint32_t extendedReads, plainReads;
    };
    const Case cases[] = {
        {10, 1, nullptr, "ZD_PD_GetHDInfo_Ext", 4, 4, 0},  // (1024 - 16) / 248 = 4 a request: 4, 4, 2, none
        {5, 64, "ZD_Adapter_GetInfo", "ZD_PD_GetHDInfo_Ext", 2, 4, 0},  // 2, 2, 1, none
        {3, 64, "ZD_PD_GetHDInfo_Ext", "ZD_PD_GetHDInfo", 32, 2, 2},
        {3, 0, nullptr, nullptr, 0, 0, 0},  // no buffer: nothing asked for
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("disks " + std::to_string(c.disks) + ", buffer " + std::to_string(c.maxBufferKb));
        shapeAdapter(c.disks, c.maxBufferKb);
        if (c.failing) zdsim_inject_status(c.failing, 7, std::string(c.failing) == "ZD_Adapter_GetInfo" ? 1 : -1);
        APIPdInfoData pds;
        EXPECT_EQ(walk(pds, 0), c.lastRead ? upTo(c.disks) : std::vector<uint16_t>{});
        if (c.lastRead) expectRequest(c.lastRead, ZD_REQUEST_RANGE, 0xFFFF, c.lastCount);
        EXPECT_EQ(zdsim_call_count("ZD_PD_GetHDInfo_Ext"), c.extendedReads);
        EXPECT_EQ(zdsim_call_count("ZD_PD_GetHDInfo"), c.plainReads);
        EXPECT_EQ(zdsim_call_count("ZD_Adapter_GetInfo"), 1u);
        bool found = true;
        pds.getData(c.disks + 1, found);
        EXPECT_FALSE(found);
        pds.moveToNext();
        EXPECT_TRUE(pds.isEnd());
        zdsim_clear_injections();
    }

    // The buffer holds what one request can return, never the adapter's
    // whole limit: 32 disk records for a limit of 64 MiB, 4 for 1 KiB.
    for (const auto& [limitKb, records] : {std::pair<uint16_t, size_t>{65535, 32}, {1, 4}, {64, 32}}) {
        shapeAdapter(0, limitKb);
        APIPdInfoData sized;
        sized.readSingle(0);
        EXPECT_EQ(sized.bufferBytes(), sizeof(_Request_Header) + records * sizeof(_HD_Info)) << limitKb;
    }

    // Small records are still capped at 32 per request.
    shapeAdapter(10, 1);
    APIPdConfigData configs;
    EXPECT_EQ(walk(configs, 0), upTo(10));
    expectRequest("ZD_PD_GetConfig", ZD_REQUEST_RANGE, 0xFFFF, 32);
    EXPECT_EQ(zdsim_call_count("ZD_PD_GetConfig"), 2u);

    // Two wrappers of one class size their buffers independently; the same
    // adapter again keeps the buffer.
    zdsim_clear_calls();
    APIPdInfoData first;
    APIPdInfoData second;
    first.readSingle(0);
    second.readSingle(0);
    EXPECT_EQ(zdsim_call_count("ZD_Adapter_GetInfo"), 2u);
    first.readRange(0);
    EXPECT_EQ(zdsim_call_count("ZD_Adapter_GetInfo"), 2u);

    // Both disk reads failing: nothing is found and the walk ends at once.
    shapeAdapter(3, 64);
    zdsim_inject_status("ZD_PD_GetHDInfo_Ext", 7, -1);
    zdsim_inject_status("ZD_PD_GetHDInfo", 7, -1);
    APIPdInfoData none;
    EXPECT_TRUE(walk(none, 0).empty());
    bool found = true;
    none.readSingle(0);
    none.getData(1, found);
    EXPECT_FALSE(found);
    zdsim_clear_injections();
}

TEST(ListWrappers, EveryListClassWalksItsKeys) {
    zdsim_reset();  // built-in enclosure: RAID 5 on disks 0-3 of adapter 0
    APIPdRaidStatus states;
    EXPECT_EQ(walk(states, 0), upTo(8));
    APIPdBgaInfoData activities;
    EXPECT_EQ(walk(activities, 0), upTo(8));
    APIDGInfoData groups;
    const std::vector<uint16_t> groupIds = walk(groups, 0);
    ASSERT_EQ(groupIds.size(), 1u);
    bool found = false;
    const uint16_t vdId = groups.getData(groupIds[0], found)->ld_ids[0];
    EXPECT_TRUE(found);
    APIDGConfigData groupConfigs;
    EXPECT_EQ(walk(groupConfigs, 0), groupIds);
    APIVDInfoData vds;
    EXPECT_EQ(walk(vds, 0), std::vector<uint16_t>{vdId});
    APIVDConfigData vdConfigs;
    EXPECT_EQ(walk(vdConfigs, 0), std::vector<uint16_t>{vdId});
    APIVDStatusData vdStates;
    EXPECT_EQ(walk(vdStates, 0), std::vector<uint16_t>{vdId});
    APIBLKInfoData blocks;
    EXPECT_EQ(walk(blocks, 0).size(), 4u);
}

namespace {

// A list wrapper over a scripted library: `answer` gets the request's start
// id and fills the returned records' ids, the returned count and the next
// start id as it likes.
class ScriptedBlocks final : public APIRequestData<_BLOCK_INFO> {
public:
    using Script = std::function<void(uint16_t start, std::vector<uint16_t>& ids, uint16_t& returned, uint16_t& next)>;
    explicit ScriptedBlocks(Script answer) : m_answer(std::move(answer)) {}
    int requests = 0;

protected:
    bool rebuildMap() override {
        ++requests;
        _Request_Header h;
        std::memcpy(&h, buffer(), sizeof(h));
        std::vector<uint16_t> ids;
        m_answer(h.start_id, ids, h.returned_count, h.next_start_id);
        for (size_t i = 0; i < ids.size() && i < 32; ++i) {
            _BLOCK_INFO block{};
            block.id = ids[i];
            std::memcpy(static_cast<uint8_t*>(buffer()) + sizeof(h) + i * sizeof(block), &block, sizeof(block));
        }
        std::memcpy(buffer(), &h, sizeof(h));
        return indexRecords(0, &_BLOCK_INFO::id);
    }

private:
    Script m_answer;
};

}  // namespace

TEST(ListWrappers, WalksEndWhateverTheLibraryAnswers) {
    shapeAdapter(0, 64);
    // Pointing back into the batch just returned.
    ScriptedBlocks backwards([](uint16_t, std::vector<uint16_t>& ids, uint16_t& returned, uint16_t& next) {
        ids = {0, 1, 2};
        returned = 3;
        next = 1;
    });
    EXPECT_EQ(walk(backwards, 0), (std::vector<uint16_t>{0, 1, 2}));
    EXPECT_EQ(backwards.requests, 2);  // the batch and the final request at 0xFFFF

    // Batches overlapping the previous one, with records below the start.
    ScriptedBlocks overlapping([](uint16_t start, std::vector<uint16_t>& ids, uint16_t& returned, uint16_t& next) {
        ids = {static_cast<uint16_t>(start > 0 ? start - 1 : 0), start, static_cast<uint16_t>(start + 1)};
        returned = 3;
        next = static_cast<uint16_t>(start + 2);
    });
    const std::vector<uint16_t> keys = walk(overlapping, 0);
    ASSERT_GT(keys.size(), 3u);
    for (size_t i = 1; i < keys.size(); ++i) ASSERT_LT(keys[i - 1], keys[i]);

    // An empty batch that claims more.
    ScriptedBlocks empty([](uint16_t, std::vector<uint16_t>&, uint16_t& returned, uint16_t& next) {
        returned = 0;
        next = 5;
    });
    EXPECT_TRUE(walk(empty, 0).empty());

    // A count beyond the buffer is read only as far as the buffer goes.
    ScriptedBlocks huge([](uint16_t, std::vector<uint16_t>& ids, uint16_t& returned, uint16_t& next) {
        ids = {3};
        returned = 0xFFFE;
        next = 0xFFFF;
    });
    huge.readRange(0);
    bool found = false;
    EXPECT_EQ(huge.getData(3, found)->id, 3);
    EXPECT_TRUE(found);
}

TEST(AdapterInfoData, RecordWalkAndSupportArrays) {
    zdsim_reset();
    APIAdapterInfoData adapters;
    adapters.readRange(0);
    std::vector<uint16_t> ids;
    while (!adapters.isEnd()) {
        ids.push_back(adapters.getID());
        adapters.moveToNext();
    }
    EXPECT_EQ(ids, (std::vector<uint16_t>{0, 1}));

    // The bits above the seven sizes the bridge shows.
    uint16_t values[16];
    uint8_t count = 99;
    bool found = false;
    ASSERT_EQ(zdsim_set_adapter_value(0, "stripe_size_mask", 0x0183), 0);
    adapters.getData(0, found);
    adapters.getStripeSizeSupportArray(count, values, 16);
    EXPECT_EQ(std::vector<uint16_t>(values, values + count), (std::vector<uint16_t>{16, 32, 2048, 4096}));

    // Bits of no known level are left out (subsets: the USB adapter's answer).
    ASSERT_EQ(zdsim_set_adapter_value(0, "raid_mode_mask", 0xFFFF), 0);
    adapters.getData(0, found);
    adapters.getRAIDSupportArray(count, values, 8);
    EXPECT_EQ(std::vector<uint16_t>(values, values + count), (std::vector<uint16_t>{0, 1, 17, 5, 6, 16, 80, 96}));

    // read() reads the adapter of readSingle and keeps the status.
    adapters.readSingle(1);
    zdsim_inject_status("ZD_Adapter_GetInfo", 9, 1);
    ASSERT_EQ(zdsim_set_adapter_value(1, "max_pd", 6), 0);
    EXPECT_EQ(adapters.read()->max_pd, 0);
    EXPECT_EQ(adapters.lastResult(), 9);
    EXPECT_EQ(adapters.read()->max_pd, 6);
    EXPECT_EQ(adapters.lastResult(), 0);
}

TEST(OEMWrappers, PacketsAndReplies) {
    zdsim_reset();
    APINXPVer nxp;
    nxp.readSingle(0);
    bool found = true;
    ASSERT_EQ(zdsim_set_adapter_value(0, "nxp_version", 0), 0);
    nxp.getData(0, found);
    EXPECT_FALSE(found);  // no version reported
    _Adapter_OEM_Data sent{};
    ASSERT_EQ(zdsim_last_record("ZD_Adapter_Get_OEM_Data", &sent, sizeof(sent)), sizeof(sent));
    EXPECT_EQ(sent.length, 72);
    EXPECT_EQ(std::memcmp(sent.signature, "1C19", 4), 0);
    EXPECT_EQ(sent.oem_type, 9);

    ASSERT_EQ(zdsim_set_adapter_value(0, "nxp_version", 0x01020A04), 0);
    const _Adapter_OEM_Data* reply = nxp.getData(0, found);
    EXPECT_TRUE(found);
    EXPECT_EQ(reply->oem_value, 1);
    EXPECT_EQ(reply->oem_id, 2);
    EXPECT_EQ(reply->force, 10);
    EXPECT_EQ(reply->oem_byte12, 4);
    zdsim_inject_status("ZD_Adapter_Get_OEM_Data", 3, 1);
    nxp.getData(0, found);
    EXPECT_FALSE(found);

    APIOEMInfo info;
    info.readSingle(1);
    ASSERT_EQ(zdsim_set_adapter_value(1, "support_bits", 0x1), 0);
    info.readData();
    EXPECT_EQ(info.lastResult(), 0);
    EXPECT_FALSE(info.supportID());
    EXPECT_EQ(info.returnLinkType(), 1);  // adapter 1 is on USB
    _Adapter_OEM_Info infoSent{};
    ASSERT_EQ(zdsim_last_record("ZD_Adapter_Get_OEM_Info", &infoSent, sizeof(infoSent)), sizeof(infoSent));
    EXPECT_EQ(infoSent.length, 72);
    EXPECT_EQ(std::memcmp(infoSent.signature, "1C19", 4), 0);
    ASSERT_EQ(zdsim_set_adapter_value(1, "support_bits", 0x2), 0);
    info.getData(0, found);  // the key is not used: still adapter 1
    EXPECT_TRUE(found);
    EXPECT_TRUE(info.supportID());
    EXPECT_EQ(info.returnLinkType(), 1);
}

TEST(SMARTData, FailedReadKeepsThePreviousTable) {
    zdsim_reset();
    _SMART_ENTRY entries[2]{};
    entries[0].attribute_id = 5;
    entries[1].attribute_id = 194;
    ASSERT_EQ(zdsim_set_smart(0, 2, entries, 2), 0);
    APISMARTData smart;
    smart.readSingle(0);
    bool found = false;
    const _SMART_ARRAY* table = smart.getData(2, found);
    ASSERT_TRUE(found);
    EXPECT_EQ(table->entry_count, 2);
    EXPECT_EQ(table->entries[1].attribute_id, 194);
    zdsim_inject_status("ZD_PD_GET_SMART_INFO", 1, 1);
    table = smart.getData(3, found);
    EXPECT_FALSE(found);
    EXPECT_EQ(table->entries[1].attribute_id, 194);
    EXPECT_TRUE(smart.isEnd());
}

// Adapter 255 is an adapter id like any other for list reads: the first read
// sizes the buffer (the adapter record itself is never asked for 255, so the
// fallback size applies) and the read goes to the controller with 255.
TEST(ListWrappers, Adapter255IsPassedThrough) {
    shapeAdapter(3, 64);
    for (const bool range : {false, true}) {
        SCOPED_TRACE(range ? "readRange" : "readSingle");
        zdsim_clear_calls();
        APIPdInfoData pds;
        bool found = true;
        if (range) {
            pds.readRange(255);
        } else {
            pds.readSingle(255);
            pds.getData(1, found);
            EXPECT_FALSE(found);
        }
        EXPECT_EQ(zdsim_call_count("ZD_Adapter_GetInfo"), 0u);
        const std::vector<std::string> reads = zdtest::simCallsOf("ZD_PD_GetHDInfo_Ext");
        ASSERT_EQ(reads.size(), 1u);
        EXPECT_EQ(reads[0], "ZD_PD_GetHDInfo_Ext 255");
        expectRequest("ZD_PD_GetHDInfo_Ext", range ? ZD_REQUEST_RANGE : ZD_REQUEST_SINGLE, range ? 0 : 1,
                      range ? 2 : 1);
    }

    // Through the dispatcher: "-1" selects 255, and a disk read reaches the controller.
    zdtest::LoadedBridge bridge;
    bridge.selectAdapter("-1");
    zdsim_clear_calls();
    bridge.unanswered("PD", "0");
    EXPECT_EQ(zdtest::simCallsOf("ZD_PD_GetHDInfo_Ext"), std::vector<std::string>{"ZD_PD_GetHDInfo_Ext 255"});
}
