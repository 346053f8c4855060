// Firmware upload end to end: "Upload" starts the worker, which checks the
// image, flashes it page by page (once or twice) while the dispatcher refuses
// other work, and publishes its progress through "UpdateProcess".
//
// Progress is asserted on the worker's own log lines ("page %d m_percentage
// %d", the value before each page) and on the values seen by polling, never
// on timing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "SimTestHelpers.h"
#include "upload/FileHelper.h"
#include "upload/ImagePages.h"

namespace {

using simtest::firmwareVersion;
using zdtest::simCalls;
using zdtest::simCallsOf;

constexpr uint32_t kImageHeader = 32;  // the simulator's image header

std::string makeImage(const zdtest::TempDir& dir, const std::string& name, uint8_t type, uint32_t fileBytes) {
    const std::string path = dir.file(name);
    EXPECT_EQ(zdsim_write_image(path.c_str(), type, 0x1234, 2, 3, 4, 5, fileBytes - kImageHeader), 0);
    EXPECT_EQ(zdtest::readFile(path).size(), fileBytes);
    return path;
}

std::string uploadRequest(const std::string& path) { return "<Upload><Address>" + path + "</Address></Upload>"; }

struct Progress {
    int percentage = -1;
    int lastRet = -1;
};

Progress poll(zdtest::LoadedBridge& bridge) {
    const std::string text = bridge.answered("UpdateProcess", "0");
    static const std::regex shape("<UpdateProcess><LastRet>(\\d+)</LastRet><Percentage>(\\d+)</Percentage></UpdateProcess>");
    std::smatch match;
    Progress progress;
    if (std::regex_match(text, match, shape)) {
        progress.lastRet = std::stoi(match[1]);
        progress.percentage = std::stoi(match[2]);
    } else {
        ADD_FAILURE() << "unexpected answer " << text;
    }
    return progress;
}

// Polls until the upload ended (100 acknowledged, or 0 with a result code);
// answers every percentage seen. Gives up after a generous bound so that a
// broken worker fails the test instead of hanging it.
std::vector<int> pollUntilEnd(zdtest::LoadedBridge& bridge, Progress* last = nullptr) {
    std::vector<int> seen;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < giveUp) {
        Progress progress = poll(bridge);
        seen.push_back(progress.percentage);
        if (last != nullptr) *last = progress;
        if (progress.percentage == 100 || (progress.percentage == 0 && progress.lastRet != 0) ||
            progress.percentage < 0) {
            return seen;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ADD_FAILURE() << "upload did not end";
    return seen;
}

// The worker's page lines, in order: "page 0 m_percentage 10", ...
std::vector<std::string> pageLines(const std::string& log) {
    static const std::regex line("\\((page (again )?\\d+ m_percentage \\d+)\\)");
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it) {
        found.push_back((*it)[1]);
    }
    return found;
}

// Waits (with a generous bound) until the controller has recorded `pages`
// page writes; with a page delay set, the next page is then in its delay.
void waitForPageWrites(uint32_t pages) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (zdsim_call_count("ZD_Flash_Bin") < pages && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void expectPrefixNonDecreasing(const std::vector<int>& seen, const std::vector<int>& allowed) {
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), seen[i]), allowed.end()) << "value " << seen[i];
        if (i > 0) {
            EXPECT_LE(seen[i - 1], seen[i]);
        }
    }
}

}  // namespace

TEST(Upload, OnePassSendsEveryPageAndInstallsTheImage) {
    zdtest::LoadedBridge bridge({true, "api_data=1\nutil=1\n"});
    zdtest::TempDir dir;
    const std::string path = makeImage(dir, "fw.bin", 3, 65536);
    const std::string image = zdtest::readFile(path);
    zdsim_clear_calls();

    EXPECT_EQ(bridge.command(uploadRequest(path)), 0);
    const std::vector<int> seen = pollUntilEnd(bridge);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 100);
    expectPrefixNonDecreasing(seen, {1, 5, 10, 55, 99, 100});
    Progress after = poll(bridge);  // the 100 was acknowledged
    EXPECT_EQ(after.percentage, 0);
    EXPECT_EQ(after.lastRet, 0);

    const std::string log = bridge.log();
    EXPECT_EQ(pageLines(log), (std::vector<std::string>{"page 0 m_percentage 10", "page 1 m_percentage 55"}));
    EXPECT_TRUE(zdtest::contains(log, "  UpLoadFW:(adapter 0 fw file " + path + ")\n"));
    EXPECT_TRUE(zdtest::contains(log, "  upload_thread ZD_Adapter_GetInfo:(AdvancedFeatures2 "));
    EXPECT_TRUE(zdtest::contains(log, "  FWOperation::getPercentage:(m_percentage 100)\n"));

    std::vector<std::string> flashCalls;
    for (const std::string& line : simCalls()) {
        if (line.compare(0, 8, "ZD_Flash") == 0 || line.compare(0, 18, "ZD_Adapter_GetInfo") == 0) {
            flashCalls.push_back(line.substr(0, line.find(' ')));
        }
    }
    EXPECT_EQ(flashCalls, (std::vector<std::string>{"ZD_Flash_GetHeaderInfo", "ZD_Adapter_GetInfo", "ZD_Flash_PreData",
                                                    "ZD_Flash_Bin", "ZD_Flash_Bin"}));
    EXPECT_EQ(simCallsOf("ZD_Flash_Bin"), (std::vector<std::string>{"ZD_Flash_Bin 0 15 3", "ZD_Flash_Bin 0 15 3"}));

    _Flash_PreData preparation{};
    ASSERT_EQ(zdsim_last_record("ZD_Flash_PreData", &preparation, sizeof preparation), sizeof preparation);
    EXPECT_EQ(preparation.image_type, 3);
    EXPECT_EQ(preparation.file_length, 65536u);
    static _Flash_Page page;
    ASSERT_EQ(zdsim_last_record("ZD_Flash_Bin", &page, sizeof page), sizeof page);
    EXPECT_EQ(page.data_length, 32768u);
    EXPECT_EQ(page.page_index, 1);
    EXPECT_EQ(page.last_page, 1);
    EXPECT_EQ(std::memcmp(page.data, image.data() + 32768, 32768), 0);

    const _Version_Info_CIM version = firmwareVersion(0);
    EXPECT_EQ(version.part1, 2);
    EXPECT_EQ(version.part2, 3);
    EXPECT_EQ(version.part3, 4);
    EXPECT_EQ(version.part4, 5);

    // A request without "Address" flashes the previous file again; a short
    // last page carries only its bytes and lifts the progress past its share.
    const std::string shortImage = makeImage(dir, "short.bin", 3, 40000);
    EXPECT_EQ(bridge.command(uploadRequest(shortImage)), 0);
    EXPECT_EQ(pollUntilEnd(bridge).back(), 100);
    ASSERT_EQ(zdsim_last_record("ZD_Flash_Bin", &page, sizeof page), sizeof page);
    EXPECT_EQ(page.data_length, 40000u - 32768u);
    EXPECT_EQ(page.last_page, 1);
    EXPECT_EQ(bridge.command("<Upload></Upload>"), 0);
    EXPECT_EQ(pollUntilEnd(bridge).back(), 100);
    const std::vector<std::string> lines = pageLines(bridge.log());
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()),
              (std::vector<std::string>{"page 0 m_percentage 10", "page 1 m_percentage 83", "page 0 m_percentage 10",
                                        "page 1 m_percentage 83"}));
    EXPECT_TRUE(zdtest::contains(bridge.log(), "  UpLoadFW:(adapter 0 fw file " + shortImage + ")\n"));
}

TEST(Upload, TwoPassAdapterTakesTheImageTwice) {
    zdtest::LoadedBridge bridge({true, "api_data=1\n"});
    zdtest::TempDir dir;
    const std::string path = makeImage(dir, "fw.bin", 3, 65536);
    uint8_t count = 1;
    _Adapter_Info info{};
    ASSERT_EQ(ZD_Adapter_GetInfo(0, &count, &info), 0);
    zdsim_set_adapter_value(0, "AdvancedFeatures2", info.AdvancedFeatures2 | ZD_FEATURE_TWO_PASS_FLASH);
    zdsim_clear_calls();

    EXPECT_EQ(bridge.command(uploadRequest(path)), 0);
    const std::vector<int> seen = pollUntilEnd(bridge);
    EXPECT_EQ(seen.back(), 100);
    expectPrefixNonDecreasing(seen, {1, 5, 10, 32, 55, 77, 99, 100});

    EXPECT_EQ(pageLines(bridge.log()),
              (std::vector<std::string>{"page 0 m_percentage 10", "page 1 m_percentage 32",
                                        "page again 0 m_percentage 55", "page again 1 m_percentage 77"}));
    EXPECT_EQ(simCallsOf("ZD_Flash_Bin"), (std::vector<std::string>{"ZD_Flash_Bin 0 15 3", "ZD_Flash_Bin 0 15 3",
                                                                 "ZD_Flash_Bin 0 15 9", "ZD_Flash_Bin 0 15 9"}));
    EXPECT_EQ(simCallsOf("ZD_Flash_PreData").size(), 2u);
    _Flash_PreData preparation{};
    ASSERT_EQ(zdsim_last_record("ZD_Flash_PreData", &preparation, sizeof preparation), sizeof preparation);
    EXPECT_EQ(preparation.image_type, 9);
    EXPECT_EQ(preparation.file_length, 65536u);
    EXPECT_EQ(firmwareVersion(0).part4, 5);
}

TEST(Upload, RefusedImagesAndAdaptersSendNoPage) {
    zdtest::TempDir dir;
    const std::string wrongType = makeImage(dir, "type9.bin", 9, 40000);
    const std::string good = makeImage(dir, "fw.bin", 3, 40000);
    {
        zdtest::LoadedBridge bridge({true, "api_data=1\n"});
        zdsim_clear_calls();
        EXPECT_EQ(bridge.command(uploadRequest(wrongType)), 0);
        Progress last;
        pollUntilEnd(bridge, &last);
        EXPECT_EQ(last.percentage, 0);
        EXPECT_EQ(last.lastRet, 185);
        // A failure is not acknowledged away; a new upload is accepted at once.
        EXPECT_EQ(poll(bridge).lastRet, 185);
        EXPECT_EQ(bridge.command(uploadRequest(dir.file("missing.bin"))), 0);
        pollUntilEnd(bridge, &last);
        EXPECT_EQ(last.lastRet, 185);

        bridge.selectAdapter("5");  // no such adapter
        EXPECT_EQ(bridge.command(uploadRequest(good)), 0);
        pollUntilEnd(bridge, &last);
        EXPECT_EQ(last.percentage, 0);
        EXPECT_EQ(last.lastRet, 185);

        const std::string log = bridge.log();
        EXPECT_TRUE(zdtest::contains(log, "  upload_thread ZD_Flash_GetHeaderInfo failed:\n"));
    }  // unloading waits for the last worker
    EXPECT_EQ(zdsim_call_count("ZD_Flash_PreData"), 0u);
    EXPECT_EQ(zdsim_call_count("ZD_Flash_Bin"), 0u);
    EXPECT_EQ(zdsim_call_count("ZD_Flash_GetHeaderInfo"), 3u);
}

TEST(Upload, PageFailureStopsTheUpload) {
    zdtest::LoadedBridge bridge({true, "api_data=1\n"});
    zdtest::TempDir dir;
    const std::string path = makeImage(dir, "fw.bin", 3, 3 * 32768);
    const _Version_Info_CIM before = firmwareVersion(0);
    zdsim_clear_calls();
    zdsim_set_page_delay_ms(500);
    EXPECT_EQ(bridge.command(uploadRequest(path)), 0);
    // The first page is in the controller (for half a second): fail the next one.
    waitForPageWrites(1);
    zdsim_inject_status("ZD_Flash_Bin", 7, 1);
    Progress last;
    pollUntilEnd(bridge, &last);
    zdsim_set_page_delay_ms(0);
    EXPECT_EQ(last.percentage, 0);
    EXPECT_EQ(last.lastRet, 7);
    EXPECT_EQ(zdsim_call_count("ZD_Flash_Bin"), 2u);
    EXPECT_EQ(firmwareVersion(0).part4, before.part4);
    const std::string log = bridge.log();
    EXPECT_TRUE(zdtest::contains(log, "  upload_thread ZD_Flash_Bin failed:\n"));

    // The next upload is accepted at once and succeeds.
    EXPECT_EQ(bridge.command(uploadRequest(path)), 0);
    pollUntilEnd(bridge, &last);
    EXPECT_EQ(last.percentage, 100);
    EXPECT_EQ(firmwareVersion(0).part4, 5);
}

TEST(Upload, DispatcherIsBusyWhileFlashing) {
    zdtest::LoadedBridge bridge({true, "api_data=1\n"});
    zdtest::TempDir dir;
    const std::string path = makeImage(dir, "fw.bin", 3, 4 * 32768);
    zdsim_set_page_delay_ms(250);
    EXPECT_EQ(bridge.command(uploadRequest(path)), 0);

    // The percentage is non-zero from the moment the command returns until
    // the finished upload is acknowledged, far longer than these calls take.
    EXPECT_EQ(bridge.command("<NoSuchCommand/>"), 181);
    EXPECT_EQ(bridge.command(uploadRequest(path)), 181);
    EXPECT_EQ(bridge.command("not a document"), 181);
    EXPECT_EQ(bridge.array("UpdateProcess"), "<unset>");
    EXPECT_EQ(bridge.unanswered("Adapter", "0"), "<unset>");
    EXPECT_EQ(bridge.condition("<GetFlashFileInfo><Address>" + path + "</Address></GetFlashFileInfo>"), "<unset>");
    EXPECT_EQ(bridge.events(), "<unset>");
    const Progress running = poll(bridge);
    EXPECT_GE(running.percentage, 1);
    EXPECT_LT(running.percentage, 100);

    EXPECT_EQ(pollUntilEnd(bridge).back(), 100);
    zdsim_set_page_delay_ms(0);
    EXPECT_EQ(bridge.command("<NoSuchCommand/>"), 6);
    // Events are served again, among them the controller's own flash events.
    const std::string events = bridge.events();
    EXPECT_TRUE(zdtest::contains(events, "<Class>10</Class><Code>2</Code>"));

    const std::string log = bridge.log();
    EXPECT_TRUE(zdtest::contains(log, "  Management::command:(adapter flash "));
    EXPECT_TRUE(zdtest::contains(log, "  Management::getArray:(adapter flash "));
    EXPECT_TRUE(zdtest::contains(log, "  Management::condition:(adapter flash "));
}

// The pages of an image end at the length measured at open: an empty file has
// none, a file cut short before that length fails, one that grew is sent only
// as far as it was measured.
TEST(Upload, ImagePagesEndAtTheMeasuredLength) {
    zdtest::TempDir dir;
    static _Flash_Page page;
    struct Case {
        const char* name;
        uint32_t bytes;
        uint32_t changedTo;  // the file's length after the first page was read
        std::vector<uint32_t> pageLengths;
        ImagePages::Result end;
    };
    const Case cases[] = {
        {"empty", 0, 0, {}, ImagePages::kEnd},
        {"one short page", 100, 100, {100}, ImagePages::kEnd},
        {"page-aligned", 65536, 65536, {32768, 32768}, ImagePages::kEnd},
        {"cut short", 10 * 32768, 3 * 32768, {32768, 32768, 32768}, ImagePages::kCutShort},
        {"grown", 40000, 90000, {32768, 40000 - 32768}, ImagePages::kEnd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        zdtest::writeFile(path, std::string(c.bytes, 'x'));
        FileHelper file(path);
        ASSERT_TRUE(file.isOpen());
        EXPECT_EQ(file.GetFileLen(), c.bytes);
        ImagePages pages(file);
        std::vector<uint32_t> lengths;
        ImagePages::Result result;
        while ((result = pages.next(page)) == ImagePages::kPage) {
            EXPECT_EQ(page.page_index, lengths.size());
            lengths.push_back(page.data_length);
            EXPECT_EQ(page.last_page, lengths.size() == c.pageLengths.size() && c.end == ImagePages::kEnd ? 1 : 0);
            if (lengths.size() == 1 && c.changedTo != c.bytes) zdtest::writeFile(path, std::string(c.changedTo, 'y'));
            ASSERT_LE(lengths.size(), 20u);
        }
        EXPECT_EQ(lengths, c.pageLengths);
        EXPECT_EQ(result, c.end);
    }

    // A FIFO or a directory is not an image: it does not even open.
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(FileHelper(fifo).isOpen());
    EXPECT_FALSE(FileHelper(dir.path()).isOpen());
}

// A file cut short while its pages are being sent fails the upload (185)
// after the pages it still had; it is never reported as flashed.
TEST(Upload, FileCutShortDuringTheUploadFails) {
    zdtest::LoadedBridge bridge({true, "api_data=1\n"});
    zdtest::TempDir dir;
    const std::string path = makeImage(dir, "fw.bin", 3, 10 * 32768);
    const std::string image = zdtest::readFile(path);
    const _Version_Info_CIM before = firmwareVersion(0);
    zdsim_clear_calls();
    zdsim_set_page_delay_ms(500);
    EXPECT_EQ(bridge.command(uploadRequest(path)), 0);
    // The controller has taken two pages and waits half a second before it
    // records the third: cut the file after its third page.
    waitForPageWrites(2);
    zdtest::writeFile(path, image.substr(0, 3 * 32768));
    Progress last;
    pollUntilEnd(bridge, &last);
    zdsim_set_page_delay_ms(0);
    EXPECT_EQ(last.percentage, 0);
    EXPECT_EQ(last.lastRet, 185);
    EXPECT_EQ(zdsim_call_count("ZD_Flash_Bin"), 3u);
    EXPECT_EQ(firmwareVersion(0).part4, before.part4);
    EXPECT_TRUE(zdtest::contains(bridge.log(), "  upload_thread file cut short:(path " + path + ")\n"));
}

// A FIFO, a device or a directory named as the image is refused with 185
// before the controller is asked about it: nothing waits on it, nothing
// throws out of the worker, and the bridge is free again at once.
TEST(Upload, FifoOrDeviceIsRefusedWithoutWaiting) {
    zdtest::LoadedBridge bridge({true, "api_data=1\n"});
    zdtest::TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero"), dir.path()}) {
        SCOPED_TRACE(path);
        zdsim_clear_calls();
        EXPECT_EQ(bridge.command(uploadRequest(path)), 0);
        Progress last;
        pollUntilEnd(bridge, &last);
        EXPECT_EQ(last.percentage, 0);
        EXPECT_EQ(last.lastRet, 185);
        EXPECT_EQ(bridge.command("<NoSuchCommand/>"), 6);
        EXPECT_EQ(bridge.condition("<GetFlashFileInfo><Address>" + path + "</Address></GetFlashFileInfo>"),
                  "<GetFlashFileInfo><DeviceID>65535</DeviceID><Ret>185</Ret><Type>255</Type>"
                  "<Version>0.0.0.0</Version></GetFlashFileInfo>");
        EXPECT_EQ(zdsim_call_count("ZD_Flash_GetHeaderInfo"), 0u);
        EXPECT_EQ(zdsim_call_count("ZD_Flash_PreData"), 0u);
    }
    EXPECT_TRUE(zdtest::contains(bridge.log(), "  upload_thread not a regular file:(path " + fifo + ")\n"));
    // Found by fuzz_condition: an unfinished request naming the root directory.
    EXPECT_EQ(bridge.condition("<GetFlashFileInfo><Address>/                   wileInfo>"),
              bridge.condition("<GetFlashFileInfo><Address>" + dir.file("missing") + "</Address></GetFlashFileInfo>"));
}

// While the worker runs the percentage stays within 1 to 99, whatever the
// progress formula gives; only its finish stores 100, which exactly one poll
// answers and acknowledges. A command sent after that poll is never refused
// as busy, and no 100 goes unseen.
TEST(Upload, BusyUntilTheWorkerFinishesAndEveryFinishIsSeenOnce) {
    zdtest::LoadedBridge bridge({true, "api_data=1\n"});
    zdtest::TempDir dir;
    // Two passes of a one-page image: the formula reaches 100 after the first.
    uint8_t count = 1;
    _Adapter_Info info{};
    ASSERT_EQ(ZD_Adapter_GetInfo(0, &count, &info), 0);
    zdsim_set_adapter_value(0, "AdvancedFeatures2", info.AdvancedFeatures2 | ZD_FEATURE_TWO_PASS_FLASH);
    const std::string onePage = makeImage(dir, "small.bin", 3, 16384);
    zdsim_clear_calls();
    zdsim_set_page_delay_ms(300);
    EXPECT_EQ(bridge.command(uploadRequest(onePage)), 0);
    waitForPageWrites(1);
    // The second pass's page is in the controller now.
    EXPECT_EQ(poll(bridge).percentage, 99);
    EXPECT_EQ(bridge.command("<NoSuchCommand/>"), 181);
    EXPECT_EQ(pollUntilEnd(bridge).back(), 100);
    zdsim_set_page_delay_ms(0);
    EXPECT_EQ(pageLines(bridge.log()),
              (std::vector<std::string>{"page 0 m_percentage 10", "page again 0 m_percentage 99"}));
    zdsim_set_adapter_value(0, "AdvancedFeatures2", info.AdvancedFeatures2);

    // One pass of a page-aligned image reaches 100 at its last page.
    const std::string aligned = makeImage(dir, "aligned.bin", 3, 32768);
    for (int upload = 0; upload < 100; ++upload) {
        ASSERT_EQ(bridge.command(uploadRequest(aligned)), 0) << "upload " << upload;
        Progress last;
        const std::vector<int> seen = pollUntilEnd(bridge, &last);
        ASSERT_EQ(seen.back(), 100) << "upload " << upload;
        for (size_t i = 0; i + 1 < seen.size(); ++i) {
            ASSERT_GE(seen[i], 1);
            ASSERT_LE(seen[i], 99);
        }
        ASSERT_EQ(bridge.command("<NoSuchCommand/>"), 6) << "upload " << upload;
        ASSERT_EQ(poll(bridge).percentage, 0);
    }
}
