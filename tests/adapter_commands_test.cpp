// Adapter commands against the simulator: the configuration's
// read-modify-write byte for byte, the alarm synchronisation through the
// enclosure's OEM interface, raw OEM requests, and the rescan's effect on
// the NXP version cache.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "SimTestHelpers.h"

namespace {

using simtest::lastRecord;
using simtest::oemBlock;
using zdtest::simCallText;

_Adapter_Config_V2 controllerConfig(uint8_t adapter) {
    _Adapter_Config_V2 config;
    std::memset(&config, 0, sizeof config);
    uint8_t count = 1;
    EXPECT_EQ(ZD_Adapter_GetConfig(adapter, &count, &config), 0);
    return config;
}

std::vector<uint8_t> bytesOf(const void* record, size_t size) {
    const uint8_t* begin = static_cast<const uint8_t*>(record);
    return std::vector<uint8_t>(begin, begin + size);
}

}  // namespace

TEST(AdapterCommands, ConfigChangesOnlyTheFieldsTheRequestCarries) {
    zdtest::LoadedBridge bridge;
    const char* speeds[] = {"sync_speed", "init_speed", "rebuild_speed", "migrate_speed", "disk_check_speed"};
    for (uint8_t i = 0; i < 5; ++i) ASSERT_EQ(zdsim_set_adapter_value(0, speeds[i], 10 + i), 0);
    ASSERT_EQ(zdsim_set_adapter_text(0, "alias", "Studio"), 0);
    ASSERT_EQ(zdsim_set_adapter_value(0, "alarm_on", 1), 0);
    ASSERT_EQ(zdsim_set_adapter_value(0, "buzzer_status", 1), 0);
    _Adapter_Config_V2 expected = controllerConfig(0);

    zdsim_clear_calls();
    EXPECT_EQ(bridge.command("<AdapterConfig><RebuildSpeed>77</RebuildSpeed></AdapterConfig>"), 0);
    expected.rebuild_speed = 77;
    EXPECT_EQ(lastRecord("ZD_Adapter_SetConfig"), bytesOf(&expected, 64));
    EXPECT_EQ(controllerConfig(0).rebuild_speed, 77);
    EXPECT_EQ(zdsim_call_count("ZD_Adapter_SetConfig"), 1u) << simCallText();

    // Every field at once; texts keep 19 characters and a NUL.
    const std::string alias = "ABCDEFGHIJKLMNOPQRSTUVWXY";  // 25 characters
    EXPECT_EQ(bridge.command("<AdapterConfig><Alias>" + alias +
                             "</Alias><SerialNo>SN-42</SerialNo><SyncSpeed>1</SyncSpeed>"
                             "<InitSpeed>2</InitSpeed><RebuildSpeed>3</RebuildSpeed><MigrateSpeed>4</MigrateSpeed>"
                             "<DiskCheckSpeed>5</DiskCheckSpeed><AutoRebuild>6</AutoRebuild><CopyBack>7</CopyBack>"
                             "<SMARTPoll>8</SMARTPoll><AlarmOn>1</AlarmOn></AdapterConfig>"),
              0);
    std::vector<uint8_t> written = lastRecord("ZD_Adapter_SetConfig");
    EXPECT_EQ(std::vector<uint8_t>(written.begin(), written.begin() + 10),
              (std::vector<uint8_t>{1, 6, expected.reserved2, 8, 5, 7, 1, 2, 3, 4}));
    EXPECT_EQ(std::vector<uint8_t>(written.begin() + 10, written.begin() + 24),
              bytesOf(expected.reserved10, sizeof expected.reserved10));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&written[24])), "SN-42");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&written[44]), 20), alias.substr(0, 19) + '\0');
}

TEST(AdapterCommands, ConfigLogsAndFailures) {
    zdtest::LoadedBridge bridge({true, "api_data=1\n"});
    ASSERT_EQ(zdsim_set_adapter_value(0, "buzzer_status", 0), 0);
    EXPECT_EQ(bridge.command("<AdapterConfig><AlarmOn>1</AlarmOn></AdapterConfig>"), 0);
    const std::string log = bridge.log();
    EXPECT_TRUE(zdtest::contains(log, "AdapterConfig ZD_Adapter_GetConfig"));
    EXPECT_TRUE(zdtest::contains(log, "AdapterConfig ZD_Adapter_SetConfig"));
    EXPECT_TRUE(zdtest::contains(log, "(ret 0 )( OEM_data value 0, alarm 1 )( ZD_Adapter_Set_OEM_Data ret 0 )"));

    // A failed read: its code, and nothing written or asked of the enclosure.
    zdsim_clear_calls();
    zdsim_inject_status("ZD_Adapter_GetConfig", 33, 1);
    EXPECT_EQ(bridge.command("<AdapterConfig><RebuildSpeed>1</RebuildSpeed></AdapterConfig>"), 33);
    EXPECT_EQ(zdsim_call_count("ZD_Adapter_SetConfig"), 0u);
    EXPECT_EQ(zdsim_call_count("ZD_Adapter_Get_OEM_Data"), 0u);

    // A failed write still synchronises the alarm and its code is returned.
    ASSERT_EQ(zdsim_set_adapter_value(0, "buzzer_status", 0), 0);
    zdsim_clear_calls();
    zdsim_inject_status("ZD_Adapter_SetConfig", 44, 1);
    zdsim_inject_status("ZD_Adapter_Set_OEM_Data", 55, 1);
    EXPECT_EQ(bridge.command("<AdapterConfig><AlarmOn>1</AlarmOn></AdapterConfig>"), 44);
    EXPECT_EQ(zdsim_call_count("ZD_Adapter_Get_OEM_Data"), 1u) << simCallText();
    EXPECT_EQ(zdsim_call_count("ZD_Adapter_Set_OEM_Data"), 1u) << simCallText();
}

TEST(AdapterCommands, ConfigKeepsTheEnclosureAlarmInStep) {
    zdtest::LoadedBridge bridge;
    struct Case {
        int alarmOn;
        int buzzerStatus;
        int sentValue;  // -1: no OEM write
    } cases[] = {{1, 1, -1}, {1, 0, 5}, {0, 1, 4}, {0, 0, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE("alarm " + std::to_string(c.alarmOn) + " buzzer " + std::to_string(c.buzzerStatus));
        ASSERT_EQ(zdsim_set_adapter_value(1, "buzzer_status", c.buzzerStatus), 0);
        bridge.selectAdapter("1");
        zdsim_clear_calls();
        EXPECT_EQ(bridge.command("<AdapterConfig><AlarmOn>" + std::to_string(c.alarmOn) + "</AlarmOn></AdapterConfig>"),
                  0);
        EXPECT_EQ(lastRecord("ZD_Adapter_Get_OEM_Data"), oemBlock(12, 0, 0, 0));
        if (c.sentValue < 0) {
            EXPECT_EQ(zdsim_call_count("ZD_Adapter_Set_OEM_Data"), 0u) << simCallText();
        } else {
            EXPECT_TRUE(zdtest::contains(simCallText(), "ZD_Adapter_Set_OEM_Data 1\n"));
            std::vector<uint8_t> sent = lastRecord("ZD_Adapter_Set_OEM_Data");
            std::vector<uint8_t> request = oemBlock(8, static_cast<uint8_t>(c.sentValue), 0, 0);
            EXPECT_EQ(std::vector<uint8_t>(sent.begin(), sent.begin() + 10),
                      std::vector<uint8_t>(request.begin(), request.begin() + 10));
        }
    }
}

TEST(AdapterCommands, OemCommandSendsItsFourBytesAndKeepsThem) {
    zdtest::LoadedBridge bridge;
    zdsim_clear_calls();
    EXPECT_EQ(bridge.command("<OEMCommand><OEMType>8</OEMType><OEMValue>2</OEMValue><OEMID>3</OEMID>"
                             "<Force>1</Force></OEMCommand>"),
              0);
    EXPECT_TRUE(zdtest::contains(simCallText(), "ZD_Adapter_Set_OEM_Data 0\n"));
    EXPECT_EQ(lastRecord("ZD_Adapter_Set_OEM_Data"), oemBlock(8, 2, 3, 1));

    // Without "Force" (and the others): the previous request's bytes again.
    EXPECT_EQ(bridge.command("<OEMCommand><OEMValue>1</OEMValue></OEMCommand>"), 0);
    EXPECT_EQ(lastRecord("ZD_Adapter_Set_OEM_Data"), oemBlock(8, 1, 3, 1));

    zdsim_inject_status("ZD_Adapter_Set_OEM_Data", 21, 1);
    EXPECT_EQ(bridge.command("<OEMCommand/>"), 21);
}

// The NXP version is read once per adapter slot; a rescan makes the slots
// from the new adapter count up to 7 read again.
TEST(AdapterCommands, RescanClearsNxpSlotsFromTheAdapterCount) {
    zdtest::LoadedBridge bridge;
    ASSERT_EQ(zdsim_add_adapter(0), 2);
    for (uint8_t adapter = 0; adapter < 3; ++adapter)
        ASSERT_EQ(zdsim_set_adapter_value(adapter, "nxp_version", 0x01020304), 0);
    EXPECT_EQ(bridge.command("<Rescan/>"), 0);
    ASSERT_EQ(ZD_Adapter_GetCount(), 3);

    auto nxpReads = [&](const char* adapter) {
        zdsim_clear_calls();
        bridge.single("Adapter", adapter);
        return zdsim_call_count("ZD_Adapter_Get_OEM_Data");
    };
    for (const char* adapter : {"0", "1", "2"}) {
        EXPECT_EQ(nxpReads(adapter), 1u) << adapter;
        EXPECT_EQ(nxpReads(adapter), 0u) << adapter;
    }

    ASSERT_EQ(zdsim_remove_adapter(2), 0);
    zdsim_clear_calls();
    EXPECT_EQ(bridge.command("<Rescan/>"), 0);
    EXPECT_TRUE(zdtest::contains(simCallText(), "ZD_API_RescanAdapter\n"));
    EXPECT_EQ(nxpReads("0"), 0u);
    EXPECT_EQ(nxpReads("1"), 0u);
    EXPECT_EQ(nxpReads("2"), 1u);  // slot 2 cleared: asked again (adapter gone)

    // The adapter comes back with another version, which the slot now shows.
    ASSERT_EQ(zdsim_add_adapter(0), 2);
    ASSERT_EQ(zdsim_set_adapter_value(2, "nxp_version", 0x05060708), 0);
    EXPECT_EQ(bridge.command("<Rescan/>"), 0);
    EXPECT_TRUE(zdtest::contains(bridge.single("Adapter", "2"), "<NXPVersion>5.6.7.8</NXPVersion>"));
    EXPECT_EQ(nxpReads("2"), 0u);

    zdsim_inject_status("ZD_API_RescanAdapter", 19, 1);
    EXPECT_EQ(bridge.command("<Rescan/>"), 19);
}
