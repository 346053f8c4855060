// Inputs found by the fuzz targets (fuzz/) that once crashed the process,
// replayed through the loaded bridge.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/TestSupport.h"

namespace {

// fuzz_command and fuzz_condition: a firmware "Address" naming a directory.
// Reading it threw out of the controller library's header check, which ended
// the process from the upload worker. It is not a file: 185, and the
// controller is not asked.
TEST(FuzzRegressions, FirmwareAddressNamingADirectory) {
    zdtest::LoadedBridge bridge;
    zdtest::TempDir dir;
    const std::string notAFile =
        "<GetFlashFileInfo><DeviceID>65535</DeviceID><Ret>185</Ret><Type>255</Type><Version>0.0.0.0</Version>"
        "</GetFlashFileInfo>";
    EXPECT_EQ(bridge.condition("<GetFlashFileInfo><Address>" + dir.path() + "</Address></GetFlashFileInfo>"),
              notAFile);
    const std::string missing = bridge.condition("<GetFlashFileInfo><Address>" + dir.file("missing") +
                                                 "</Address></GetFlashFileInfo>");
    EXPECT_EQ(bridge.condition("<GetFlashFileInfo><Address>/                   wileInfo>"), missing);

    EXPECT_EQ(bridge.command("<Upload><Address>" + dir.path() + "</Address></Upload>"), 0);
    std::string progress;
    for (int round = 0; round < 5000; ++round) {
        progress = bridge.single("UpdateProcess", "0");
        if (progress.find("<Percentage>0</Percentage>") != std::string::npos) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(progress, "<UpdateProcess><LastRet>185</LastRet><Percentage>0</Percentage></UpdateProcess>");
    EXPECT_EQ(zdsim_call_count("ZD_Flash_Bin"), 0u);
}

}  // namespace
