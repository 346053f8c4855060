// The simulator's built-in enclosure, list-read protocol, call record,
// injected statuses, adapter records and OEM packets.
#include <gtest/gtest.h>

#include "SimTestHelpers.h"

using namespace simtest;

namespace {

class SimTest : public ::testing::Test {
protected:
    void SetUp() override { zdsim_reset(); }
};

_Adapter_OEM_Data oemPacket(uint8_t type, uint8_t value = 0) {
    _Adapter_OEM_Data p{};
    p.length = ZD_OEM_PACKET_LENGTH;
    std::memcpy(p.signature, ZD_OEM_SIGNATURE, 4);
    p.oem_type = type;
    p.oem_value = value;
    return p;
}

}  // namespace

TEST_F(SimTest, BuiltInEnclosureAdapters) {
    EXPECT_EQ(ZD_Adapter_GetCount(), 2);
    EXPECT_STREQ(ZD_API_Version(), "zdsim 1.0.0");

    _Adapter_Info infos[8] = {};
    uint8_t count = 0;
    ASSERT_EQ(ZD_Adapter_GetInfo(255, &count, infos), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(infos[0].AdvancedFeatures2, ZD_FEATURE_PACKAGE_VD_CREATE);
    EXPECT_EQ(infos[1].AdvancedFeatures2, ZD_FEATURE_TWO_PASS_FLASH);
    EXPECT_EQ(infos[0].max_buffer_kb, 64);
    EXPECT_EQ(infos[0].stripe_size_mask, 0x7F);
    EXPECT_EQ(infos[0].raid_mode_mask, 0x17F);
    EXPECT_EQ(recordText(infos[0].serial_number, 20), "ZDT8-2411-1001");
    EXPECT_EQ(recordText(infos[1].serial_number, 20), "ZDU4-2411-1002");
    EXPECT_EQ(infos[0].firmware_version.part1, 2);
    EXPECT_EQ(infos[0].firmware_version.part4, 7);

    _Adapter_Config_V2 config{};
    count = 1;
    ASSERT_EQ(ZD_Adapter_GetConfig(0, &count, &config), 0);
    EXPECT_EQ(config.smart_polling, 1);
    EXPECT_EQ(config.auto_rebuild, 1);
    EXPECT_EQ(config.alarm_on, 1);
    ASSERT_EQ(ZD_Adapter_GetConfig(1, &count, &config), 0);
    EXPECT_EQ(config.smart_polling, 0);

    _Adapter_OEM_Info oem{};
    oem.length = ZD_OEM_PACKET_LENGTH;
    std::memcpy(oem.signature, ZD_OEM_SIGNATURE, 4);
    ASSERT_EQ(ZD_Adapter_Get_OEM_Info(0, &oem), 0);
    EXPECT_EQ(oem.link_type, ZD_LINK_THUNDERBOLT);
    EXPECT_EQ(oem.support_bits & 1u, 0u);
    ASSERT_EQ(ZD_Adapter_Get_OEM_Info(1, &oem), 0);
    EXPECT_EQ(oem.link_type, ZD_LINK_USB);

    _Adapter_OEM_Data nxp = oemPacket(ZD_OEM_NXP_VERSION);
    ASSERT_EQ(ZD_Adapter_Get_OEM_Data(0, &nxp), 0);
    EXPECT_EQ(nxp.oem_value, 1);
    EXPECT_EQ(nxp.oem_id, 2);
    EXPECT_EQ(nxp.force, 0);
    EXPECT_EQ(nxp.oem_byte12, 7);

    EXPECT_EQ(ZD_Adapter_GetInfo(2, &count, infos), 13);
    EXPECT_EQ(ZD_DG_GetInfo(5, nullptr), 13);
}

TEST_F(SimTest, BuiltInEnclosureArrays) {
    auto disks = readAll<_HD_Info>(ZD_PD_GetHDInfo_Ext, 0);
    ASSERT_EQ(disks.size(), 8u);
    for (uint16_t i = 0; i < 8; ++i) {
        EXPECT_EQ(disks[i].id, i);
        EXPECT_EQ(zdU64Value(disks[i].size), k4TB);
        EXPECT_EQ(disks[i].block_size, 512u);
        EXPECT_EQ(disks[i].adapter_id, 0);
        EXPECT_FALSE(recordText(disks[i].model, 40).empty());
    }
    const uint8_t expected[8] = {2, 2, 2, 2, 5, 1, 1, 1};
    for (uint16_t i = 0; i < 8; ++i) EXPECT_EQ(diskStatus(0, i), expected[i]) << "disk " << i;

    _DG_Info data = group(0, 0);
    EXPECT_EQ(recordText(data.name, 16), "Data");
    EXPECT_EQ(data.raid_level, 5);
    EXPECT_EQ(data.member_count, 4);
    EXPECT_EQ(zdU64Value(data.total_size), 3 * k4TB);
    EXPECT_EQ(zdU64Value(data.free_size), 0u);
    EXPECT_EQ(data.ld_ids[0], 0);
    EXPECT_EQ(data.ld_ids[1], ZD_EMPTY_ID);
    EXPECT_EQ(data.spare_count, 0);
    EXPECT_EQ(data.bga_status, 0);

    _LD_Info vd0 = vd(0, 0);
    EXPECT_EQ(vd0.status, 15);
    EXPECT_EQ(vd0.bga_running, 0);
    EXPECT_EQ(vd0.raid_level, 5);
    EXPECT_EQ(vd0.pd_count, 4);
    EXPECT_EQ(vd0.dg_id, 0);
    EXPECT_EQ(zdU64Value(vd0.size), 3 * k4TB);
    EXPECT_EQ(recordText(vd0.name, 16), "Data");
    auto blocks = readAll<_BLOCK_INFO>(ZD_BLK_GetInfo, 0);
    std::vector<uint16_t> blockDisks;
    for (int slot = 0; slot < 4; ++slot) {
        for (const _BLOCK_INFO& b : blocks) {
            if (b.id == vd0.block_ids[slot]) blockDisks.push_back(b.hd_id);
        }
    }
    EXPECT_EQ(blockDisks, (std::vector<uint16_t>{0, 1, 2, 3}));
    EXPECT_EQ(vd0.block_ids[4], ZD_EMPTY_ID);

    auto usbDisks = readAll<_HD_Info>(ZD_PD_GetHDInfo, 1);
    ASSERT_EQ(usbDisks.size(), 4u);
    EXPECT_EQ(zdU64Value(usbDisks[3].size), k2TB);
    _DG_Info mirror = group(1, 0);
    EXPECT_EQ(recordText(mirror.name, 16), "Mirror");
    EXPECT_EQ(mirror.raid_level, 1);
    EXPECT_EQ(zdU64Value(mirror.total_size), k2TB);
    EXPECT_EQ(vd(1, 0).status, 15);

    _SMART_ARRAY smart{};
    ASSERT_EQ(ZD_PD_GET_SMART_INFO(0, 3, 30, &smart), 0);
    ASSERT_GT(smart.entry_count, 10);
    bool temperature = false;
    for (int i = 0; i < smart.entry_count; ++i) {
        if (smart.entries[i].attribute_id == 194) {
            temperature = true;
            EXPECT_EQ(recordText(smart.entries[i].attribute_name, 33), "Temperature_Celsius");
            EXPECT_GT(smart.entries[i].raw_value0, 20);
        }
    }
    EXPECT_TRUE(temperature);
    ASSERT_EQ(ZD_PD_GET_SMART_INFO(0, 3, 5, &smart), 0);
    EXPECT_EQ(smart.entry_count, 5);
    EXPECT_EQ(ZD_PD_GET_SMART_INFO(0, 42, 30, &smart), 9);
}

TEST_F(SimTest, ListPagingProtocol) {
    zdsim_reset_empty(1);
    for (int i = 0; i < 70; ++i) ASSERT_EQ(zdsim_add_disk(0, k2TB), i);

    ListRequest request;
    ASSERT_EQ(request.send(ZD_PD_GetHDInfo, 0, ZD_REQUEST_RANGE, 0, 32), 0);
    EXPECT_EQ(request.header().returned_count, 32);
    EXPECT_EQ(request.header().next_start_id, 32);
    ASSERT_EQ(request.send(ZD_PD_GetHDInfo, 0, ZD_REQUEST_RANGE, 32, 32), 0);
    EXPECT_EQ(request.header().returned_count, 32);
    EXPECT_EQ(request.header().next_start_id, 64);
    EXPECT_EQ(request.records<_HD_Info>()[0].id, 32);
    ASSERT_EQ(request.send(ZD_PD_GetHDInfo, 0, ZD_REQUEST_RANGE, 64, 32), 0);
    EXPECT_EQ(request.header().returned_count, 6);
    EXPECT_EQ(request.header().next_start_id, ZD_NO_MORE_RECORDS);
    EXPECT_EQ(request.records<_HD_Info>()[5].id, 69);
    ASSERT_EQ(request.send(ZD_PD_GetHDInfo, 0, ZD_REQUEST_RANGE, 0xFFFF, 32), 0);
    EXPECT_EQ(request.header().returned_count, 0);
    EXPECT_EQ(request.header().next_start_id, ZD_NO_MORE_RECORDS);

    // The header's other bytes are left as the caller wrote them.
    std::vector<uint8_t> header = lastRecord("ZD_PD_GetHDInfo");
    ASSERT_EQ(header.size(), 16u);
    EXPECT_EQ(header[1], ZD_REQUEST_RANGE);
    EXPECT_EQ(header[2], 0xFF);
    EXPECT_EQ(header[6], 0x55);  // as received, before the answer

    // A range stops at what the buffer can hold.
    zdsim_set_adapter_value(0, "max_buffer_kb", 1);
    ASSERT_EQ(request.send(ZD_PD_GetHDInfo, 0, ZD_REQUEST_RANGE, 10, 32), 0);
    EXPECT_EQ(request.header().returned_count, (1024 - 16) / 248);
    EXPECT_EQ(request.header().next_start_id, 14);
    ASSERT_EQ(request.send(ZD_PD_GetConfig, 0, ZD_REQUEST_RANGE, 10, 200), 0);
    EXPECT_EQ(request.header().returned_count, 60);  // 70 - 10

    // Single requests.
    _HD_CONFIG config{};
    EXPECT_EQ(readOne(ZD_PD_GetConfig, 0, 7, config), 0);
    EXPECT_EQ(config.hd_id, 7);
    EXPECT_EQ(request.send(ZD_PD_GetConfig, 0, ZD_REQUEST_SINGLE, 70, 1), 9);
    EXPECT_EQ(request.header().returned_count, 0);
    EXPECT_EQ(request.header().next_start_id, ZD_NO_MORE_RECORDS);
    EXPECT_EQ(request.send(ZD_LD_GetInfo, 0, ZD_REQUEST_SINGLE, 3, 1), 59);
    EXPECT_EQ(request.send(ZD_DG_GetInfo, 0, ZD_REQUEST_SINGLE, 3, 1), 8);
    EXPECT_EQ(request.send(ZD_DG_GetInfo, 0, 3, 0, 1), 7);
    EXPECT_EQ(request.header().returned_count, 0);
}

TEST_F(SimTest, CallRecordAndInjection) {
    zdsim_clear_calls();
    EXPECT_EQ(ZD_LD_Delete(0, 5, 1), 59);
    _HD_CONFIG config{};
    config.pd_cache = 0;
    config.hd_id = 6;
    EXPECT_EQ(ZD_PD_SetConfig(0, 6, &config), 0);
    EXPECT_EQ(ZD_PD_FreeHD2DGSpare(0, 7, 0), 0);
    EXPECT_EQ(calls(), "ZD_LD_Delete 0 5 1\nZD_PD_SetConfig 0 6\nZD_PD_FreeHD2DGSpare 0 7 0\n");
    EXPECT_EQ(zdsim_call_count("ZD_LD_Delete"), 1u);
    EXPECT_EQ(zdsim_call_count("ZD_DG_Delete"), 0u);
    std::vector<uint8_t> bytes = lastRecord("ZD_PD_SetConfig");
    ASSERT_EQ(bytes.size(), 8u);
    EXPECT_EQ(std::memcmp(bytes.data(), &config, 8), 0);
    EXPECT_EQ(zdsim_last_record("ZD_LD_Delete", nullptr, 0), 0u);
    char small[8];
    EXPECT_EQ(zdsim_calls(small, sizeof(small)), calls().size());
    EXPECT_STREQ(small, "ZD_LD_D");

    zdsim_inject_status("ZD_DG_Delete", 76, 2);
    EXPECT_EQ(ZD_DG_Delete(0, 99), 76);
    EXPECT_EQ(ZD_DG_Delete(0, 99), 76);
    EXPECT_EQ(ZD_DG_Delete(0, 99), 8);
    zdsim_inject_status("ZD_Adapter_GetCount", 0, -1);
    EXPECT_EQ(ZD_Adapter_GetCount(), 0);
    EXPECT_EQ(ZD_Adapter_GetCount(), 0);
    zdsim_inject_status("ZD_Adapter_GetCount", 0, 0);
    EXPECT_EQ(ZD_Adapter_GetCount(), 2);
    zdsim_inject_status("ZD_PD_GetHDInfo_Ext", 1, -1);
    ListRequest request;
    EXPECT_EQ(request.send(ZD_PD_GetHDInfo_Ext, 0, ZD_REQUEST_RANGE, 0, 32), 1);
    EXPECT_EQ(request.header().returned_count, 0x5555);  // untouched: no work done
    EXPECT_EQ(request.send(ZD_PD_GetHDInfo, 0, ZD_REQUEST_RANGE, 0, 32), 0);
    EXPECT_EQ(request.header().returned_count, 8);
    zdsim_clear_injections();
    EXPECT_EQ(request.send(ZD_PD_GetHDInfo_Ext, 0, ZD_REQUEST_RANGE, 0, 32), 0);
}

TEST_F(SimTest, AdapterConfigAndOem) {
    _Adapter_Config_V2 config{};
    uint8_t count = 1;
    ASSERT_EQ(ZD_Adapter_GetConfig(0, &count, &config), 0);
    config.rebuild_speed = 90;
    setRecordText(config.alias, sizeof(config.alias), "Studio");
    ASSERT_EQ(ZD_Adapter_SetConfig(0, &config), 0);
    _Adapter_Config_V2 back{};
    ASSERT_EQ(ZD_Adapter_GetConfig(0, &count, &back), 0);
    EXPECT_EQ(back.rebuild_speed, 90);
    EXPECT_EQ(recordText(back.alias, 20), "Studio");

    _Adapter_OEM_Data status = oemPacket(ZD_OEM_BUZZER_STATUS);
    ASSERT_EQ(ZD_Adapter_Get_OEM_Data(0, &status), 0);
    EXPECT_EQ(status.oem_value, 1);
    _Adapter_OEM_Data off = oemPacket(ZD_OEM_USER_REQUEST, 4);
    ASSERT_EQ(ZD_Adapter_Set_OEM_Data(0, &off), 0);
    status = oemPacket(ZD_OEM_BUZZER_STATUS);
    ASSERT_EQ(ZD_Adapter_Get_OEM_Data(0, &status), 0);
    EXPECT_EQ(status.oem_value, 0);
    _Adapter_OEM_Data on = oemPacket(ZD_OEM_USER_REQUEST, 5);
    ASSERT_EQ(ZD_Adapter_Set_OEM_Data(0, &on), 0);

    // A failing member rings the buzzer; "buzzer off" silences it.
    zdsim_fail_disk(1, 1);
    _Adapter_OEM_Data ringing = oemPacket(ZD_OEM_BUZZER_RINGING);
    ASSERT_EQ(ZD_Adapter_Get_OEM_Data(1, &ringing), 0);
    EXPECT_EQ(ringing.oem_value, 1);
    _Adapter_OEM_Data raid = oemPacket(ZD_OEM_RAID_STATUS);
    ASSERT_EQ(ZD_Adapter_Get_OEM_Data(1, &raid), 0);
    EXPECT_EQ(raid.oem_value, 1);
    _Adapter_OEM_Data buzzOff = oemPacket(ZD_OEM_USER_REQUEST, 1);
    ASSERT_EQ(ZD_Adapter_Set_OEM_Data(1, &buzzOff), 0);
    ringing = oemPacket(ZD_OEM_BUZZER_RINGING);
    ASSERT_EQ(ZD_Adapter_Get_OEM_Data(1, &ringing), 0);
    EXPECT_EQ(ringing.oem_value, 0);

    _Adapter_OEM_Data unsigned_ = oemPacket(ZD_OEM_BUZZER_STATUS);
    unsigned_.signature[0] = 'X';
    EXPECT_EQ(ZD_Adapter_Get_OEM_Data(0, &unsigned_), 7);
    _Adapter_OEM_Data unknown = oemPacket(77);
    EXPECT_EQ(ZD_Adapter_Get_OEM_Data(0, &unknown), 7);
    _Adapter_OEM_Data badRequest = oemPacket(ZD_OEM_USER_REQUEST, 9);
    EXPECT_EQ(ZD_Adapter_Set_OEM_Data(0, &badRequest), 7);

    zdsim_set_adapter_value(0, "nxp_version", 0);
    _Adapter_OEM_Data nxp = oemPacket(ZD_OEM_NXP_VERSION);
    ASSERT_EQ(ZD_Adapter_Get_OEM_Data(0, &nxp), 0);
    EXPECT_EQ(nxp.oem_value, 0);
    EXPECT_EQ(zdsim_set_adapter_value(0, "no_such_field", 1), -1);
    EXPECT_EQ(zdsim_set_adapter_value(7, "max_pd", 1), -1);
}

TEST_F(SimTest, AdaptersComeAndGoWithRescan) {
    EXPECT_EQ(zdsim_add_adapter(ZD_LINK_USB), 2);
    EXPECT_EQ(ZD_Adapter_GetCount(), 2);
    EXPECT_EQ(ZD_API_RescanAdapter(), 0);
    EXPECT_EQ(ZD_Adapter_GetCount(), 3);
    EXPECT_EQ(readAll<_HD_Info>(ZD_PD_GetHDInfo, 2).size(), 0u);

    EXPECT_EQ(zdsim_remove_adapter(0), 0);
    EXPECT_EQ(ZD_Adapter_GetCount(), 3);
    _Adapter_Info info{};
    uint8_t count = 0;
    EXPECT_EQ(ZD_Adapter_GetInfo(0, &count, &info), 13);  // unplugged, not yet rescanned
    ZD_API_RescanAdapter();
    EXPECT_EQ(ZD_Adapter_GetCount(), 2);
    ASSERT_EQ(ZD_Adapter_GetInfo(0, &count, &info), 0);
    EXPECT_EQ(recordText(info.serial_number, 20), "ZDU4-2411-1002");

    for (int i = 0; i < 6; ++i) zdsim_add_adapter(ZD_LINK_THUNDERBOLT);
    EXPECT_EQ(zdsim_add_adapter(ZD_LINK_THUNDERBOLT), -1);
    EXPECT_EQ(zdsim_remove_adapter(8), -1);
}
