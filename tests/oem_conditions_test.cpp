// The buzzer provider and the flash file / OEM status conditions against
// the simulator: exact answer texts, the controller calls made and the
// request fields kept between requests.
#include <gtest/gtest.h>

#include <string>

#include "SimTestHelpers.h"

namespace {

using zdtest::simCallText;

std::string flashInfo(const std::string& ret, const std::string& type, const std::string& device,
                      const std::string& version) {
    return "<GetFlashFileInfo><DeviceID>" + device + "</DeviceID><Ret>" + ret + "</Ret><Type>" + type +
           "</Type><Version>" + version + "</Version></GetFlashFileInfo>";
}

std::string flashRequest(const std::string& address) {
    return "<GetFlashFileInfo><Address>" + address + "</Address></GetFlashFileInfo>";
}

}  // namespace

TEST(BuzzerInfo, SingleAndArrayAnswers) {
    zdtest::LoadedBridge bridge;
    ASSERT_EQ(zdsim_set_adapter_value(1, "buzzer_ringing", 1), 0);

    zdsim_clear_calls();
    EXPECT_EQ(bridge.answered("Buzzer", "ignored"), "<Buzzer><RingStatus>0</RingStatus></Buzzer>");
    EXPECT_TRUE(zdtest::contains(simCallText(), "ZD_Adapter_Get_OEM_Data 0\n"));
    EXPECT_EQ(simtest::lastRecord("ZD_Adapter_Get_OEM_Data"), simtest::oemBlock(13, 0, 0, 0));

    bridge.selectAdapter("1");
    EXPECT_EQ(bridge.answered("Buzzer", "0"), "<Buzzer><RingStatus>1</RingStatus></Buzzer>");

    EXPECT_EQ(bridge.array("Buzzer"),
              "<Buzzers><Buzzer><AdapterID>0</AdapterID><RingStatus>0</RingStatus></Buzzer>"
              "<Buzzer><AdapterID>1</AdapterID><RingStatus>1</RingStatus></Buzzer></Buzzers>");

    // A failed read still answers a zero status, and answers false.
    zdsim_inject_status("ZD_Adapter_Get_OEM_Data", 30, 1);
    EXPECT_EQ(bridge.unanswered("Buzzer", ""), "<Buzzer><RingStatus>0</RingStatus></Buzzer>");
}

TEST(FlashFileInfo, HeaderOfAnImageFileAndAddressLimit) {
    zdtest::LoadedBridge bridge;
    zdtest::TempDir dir;
    const std::string firmware = dir.file("fw.bin");
    const std::string other = dir.file("other.bin");
    ASSERT_EQ(zdsim_write_image(firmware.c_str(), 3, 4660, 1, 2, 3, 4, 1000), 0);
    ASSERT_EQ(zdsim_write_image(other.c_str(), 9, 17, 5, 6, 7, 8, 1000), 0);

    zdsim_clear_calls();
    EXPECT_EQ(bridge.condition(flashRequest(firmware)), flashInfo("0", "3", "4660", "1.2.3.4"));
    EXPECT_EQ(zdsim_call_count("ZD_Flash_GetHeaderInfo"), 1u);

    EXPECT_EQ(bridge.condition(flashRequest(other)), flashInfo("155", "9", "17", "5.6.7.8"));
    EXPECT_EQ(bridge.condition(flashRequest(dir.file("missing.bin"))),
              flashInfo("155", "255", "65535", "0.0.0.0"));

    // Without "Address" the previous file is read again.
    EXPECT_EQ(bridge.condition(flashRequest(firmware)), flashInfo("0", "3", "4660", "1.2.3.4"));
    zdsim_clear_calls();
    EXPECT_EQ(bridge.condition("<GetFlashFileInfo/>"), flashInfo("0", "3", "4660", "1.2.3.4"));
    EXPECT_EQ(zdsim_call_count("ZD_Flash_GetHeaderInfo"), 1u);

    // An address longer than the path field is refused.
    zdsim_clear_calls();
    EXPECT_EQ(bridge.condition(flashRequest("/" + std::string(511, 'a'))), flashInfo("7", "255", "65535", "0.0.0.0"));
    EXPECT_EQ(zdsim_call_count("ZD_Flash_GetHeaderInfo"), 0u) << simCallText();

    // The path field kept the previous file.
    EXPECT_EQ(bridge.condition("<GetFlashFileInfo/>"), flashInfo("0", "3", "4660", "1.2.3.4"));

    // 511 characters still fit: the file is asked for (and is not there).
    zdsim_clear_calls();
    EXPECT_EQ(bridge.condition(flashRequest("/" + std::string(510, 'a'))),
              flashInfo("155", "255", "65535", "0.0.0.0"));
    EXPECT_EQ(zdsim_call_count("ZD_Flash_GetHeaderInfo"), 1u);
}

TEST(OemStatusCondition, EchoesTheRequestAndReportsTheId) {
    zdtest::LoadedBridge bridge;
    zdsim_clear_calls();
    const std::string answer =
        bridge.condition("<GetOEMStatus><OEMType>12</OEMType><OEMValue>0</OEMValue></GetOEMStatus>");
    EXPECT_TRUE(zdtest::contains(simCallText(), "ZD_Adapter_Get_OEM_Data 0\n"));
    EXPECT_EQ(simtest::lastRecord("ZD_Adapter_Get_OEM_Data"), simtest::oemBlock(12, 0, 0, 0));
    EXPECT_EQ(answer, "<GetOEMStatus><OEMID>0</OEMID><OEMType>12</OEMType><OEMValue>0</OEMValue></GetOEMStatus>");

    // Drive status: the enclosure reports its eight disks in the id byte; the value is kept.
    EXPECT_EQ(bridge.condition("<GetOEMStatus><OEMType>3</OEMType></GetOEMStatus>"),
              "<GetOEMStatus><OEMID>8</OEMID><OEMType>3</OEMType><OEMValue>0</OEMValue></GetOEMStatus>");

    // Type and value are kept; a failed read answers the id byte as left (0).
    zdsim_inject_status("ZD_Adapter_Get_OEM_Data", 30, 1);
    EXPECT_EQ(bridge.condition("<GetOEMStatus><OEMValue>3</OEMValue></GetOEMStatus>"),
              "<GetOEMStatus><OEMID>0</OEMID><OEMType>3</OEMType><OEMValue>3</OEMValue></GetOEMStatus>");
}
