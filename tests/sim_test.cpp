// The simulator's list-read protocol, call record, injected statuses, OEM
// packets, built-in settings and adapters that come and go; what the bridge
// tests read through the enclosure's records is not checked again here.
#include <gtest/gtest.h>

#include "SimTestHelpers.h"

using namespace simtest;

namespace {

class SimTest : public ::testing::Test {
protected:
    void SetUp() override { zdsim_reset(); }
};

// The status of an OEM read of `type` (with value `value`); its answered value in `answer`.
uint8_t oemGet(uint8_t adapter, uint8_t type, uint8_t& answer, bool goodSignature = true) {
    _Adapter_OEM_Data p{};
    p.length = ZD_OEM_PACKET_LENGTH;
    std::memcpy(p.signature, goodSignature ? ZD_OEM_SIGNATURE : "XC19", 4);
    p.oem_type = type;
    const uint8_t status = ZD_Adapter_Get_OEM_Data(adapter, &p);
    answer = p.oem_value;
    return status;
}

uint8_t oemUserRequest(uint8_t adapter, uint8_t value) {
    _Adapter_OEM_Data p{};
    p.length = ZD_OEM_PACKET_LENGTH;
    std::memcpy(p.signature, ZD_OEM_SIGNATURE, 4);
    p.oem_type = ZD_OEM_USER_REQUEST;
    p.oem_value = value;
    return ZD_Adapter_Set_OEM_Data(adapter, &p);
}

}  // namespace

TEST_F(SimTest, ListPagingProtocol) {
    zdsim_reset_empty(1);
    for (int i = 0; i < 70; ++i) ASSERT_EQ(zdsim_add_disk(0, k2TB), i);

    ListRequest request;
    struct Case {
        uint16_t start, returned, next, firstId;
    };
    for (const Case& c : {Case{0, 32, 32, 0}, Case{32, 32, 64, 32}, Case{64, 6, ZD_NO_MORE_RECORDS, 64},
                          Case{0xFFFF, 0, ZD_NO_MORE_RECORDS, 0}}) {
        ASSERT_EQ(request.send(ZD_PD_GetHDInfo, 0, ZD_REQUEST_RANGE, c.start, 32), 0) << c.start;
        EXPECT_EQ(request.header().returned_count, c.returned) << c.start;
        EXPECT_EQ(request.header().next_start_id, c.next) << c.start;
        EXPECT_EQ(c.returned > 0 ? request.records<_HD_Info>()[0].id : 0, c.firstId);
    }

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

    // SMART tables: as many entries as asked for; an unknown disk is 9.
    _SMART_ARRAY smart{};
    zdsim_reset();
    ASSERT_EQ(ZD_PD_GET_SMART_INFO(0, 3, 5, &smart), 0);
    EXPECT_EQ(smart.entry_count, 5);
    EXPECT_EQ(ZD_PD_GET_SMART_INFO(0, 42, 30, &smart), 9);
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

TEST_F(SimTest, OemBuzzerAndRefusals) {
    uint8_t value = 0;
    ASSERT_EQ(oemGet(0, ZD_OEM_BUZZER_STATUS, value), 0);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(oemUserRequest(0, 4), 0);  // alarm off
    ASSERT_EQ(oemGet(0, ZD_OEM_BUZZER_STATUS, value), 0);
    EXPECT_EQ(value, 0);
    ASSERT_EQ(oemUserRequest(0, 5), 0);

    // A failing member rings the buzzer; "buzzer off" silences it.
    zdsim_fail_disk(1, 1);
    ASSERT_EQ(oemGet(1, ZD_OEM_BUZZER_RINGING, value), 0);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(oemGet(1, ZD_OEM_RAID_STATUS, value), 0);
    EXPECT_EQ(value, 1);
    ASSERT_EQ(oemUserRequest(1, 1), 0);
    ASSERT_EQ(oemGet(1, ZD_OEM_BUZZER_RINGING, value), 0);
    EXPECT_EQ(value, 0);

    EXPECT_EQ(oemGet(0, ZD_OEM_BUZZER_STATUS, value, false), 7);
    EXPECT_EQ(oemGet(0, 77, value), 7);
    EXPECT_EQ(oemUserRequest(0, 9), 7);
    EXPECT_EQ(zdsim_set_adapter_value(0, "no_such_field", 1), -1);
    EXPECT_EQ(zdsim_set_adapter_value(7, "max_pd", 1), -1);
}

TEST_F(SimTest, BuiltInSettingsAndAdaptersThatComeAndGo) {
    // The built-in settings the bridge tests do not read back.
    EXPECT_STREQ(ZD_API_Version(), "zdsim 1.0.0");
    _Adapter_Info infos[2] = {};
    uint8_t count = 0;
    ASSERT_EQ(ZD_Adapter_GetInfo(255, &count, infos), 0);  // every adapter at once
    EXPECT_EQ(count, 2);
    EXPECT_EQ(infos[0].AdvancedFeatures2, ZD_FEATURE_PACKAGE_VD_CREATE);
    EXPECT_EQ(infos[1].AdvancedFeatures2, ZD_FEATURE_TWO_PASS_FLASH);
    EXPECT_EQ(infos[0].max_buffer_kb, 64);
    _Adapter_Config_V2 config{};
    count = 1;
    ASSERT_EQ(ZD_Adapter_GetConfig(1, &count, &config), 0);
    EXPECT_EQ(config.smart_polling, 0);
    EXPECT_EQ(ZD_DG_GetInfo(5, nullptr), 13);

    EXPECT_EQ(zdsim_add_adapter(ZD_LINK_USB), 2);
    EXPECT_EQ(ZD_Adapter_GetCount(), 2);
    EXPECT_EQ(ZD_API_RescanAdapter(), 0);
    EXPECT_EQ(ZD_Adapter_GetCount(), 3);
    EXPECT_EQ(readAll<_HD_Info>(ZD_PD_GetHDInfo, 2).size(), 0u);

    EXPECT_EQ(zdsim_remove_adapter(0), 0);
    EXPECT_EQ(ZD_Adapter_GetCount(), 3);
    _Adapter_Info info{};
    EXPECT_EQ(ZD_Adapter_GetInfo(0, &count, &info), 13);  // unplugged, not yet rescanned
    ZD_API_RescanAdapter();
    EXPECT_EQ(ZD_Adapter_GetCount(), 2);
    ASSERT_EQ(ZD_Adapter_GetInfo(0, &count, &info), 0);
    EXPECT_EQ(recordText(info.serial_number, 20), "ZDU4-2411-1002");
    EXPECT_EQ(ZD_Adapter_GetInfo(2, &count, &info), 13);

    for (int i = 0; i < 6; ++i) zdsim_add_adapter(ZD_LINK_THUNDERBOLT);
    EXPECT_EQ(zdsim_add_adapter(ZD_LINK_THUNDERBOLT), -1);
    EXPECT_EQ(zdsim_remove_adapter(8), -1);
}
