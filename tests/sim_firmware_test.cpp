// The simulator's firmware image format and flashing: header checks, page
// order and lengths, one and two passes, and flashing from one thread while
// another reads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <iterator>
#include <thread>

#include "SimTestHelpers.h"
#include "support/TestSupport.h"

using namespace simtest;

namespace {

class SimFirmwareTest : public ::testing::Test {
protected:
    void SetUp() override { zdsim_reset(); }

    std::string image(const char* name, uint8_t type, uint32_t payload) {
        std::string path = m_dir.file(name);
        EXPECT_EQ(zdsim_write_image(path.c_str(), type, 4660, 3, 0, 2, 19, payload), 0);
        return path;
    }

    zdtest::TempDir m_dir;
};

std::vector<uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint8_t preData(uint8_t adapter, uint8_t type, uint32_t length) {
    _Flash_PreData pre{};
    pre.image_type = type;
    pre.file_length = length;
    return ZD_Flash_PreData(adapter, &pre);
}

uint8_t sendPage(uint8_t adapter, uint8_t type, const std::vector<uint8_t>& bytes, uint16_t index,
                 uint32_t length = 0, int last = -1) {
    static _Flash_Page page;
    size_t offset = static_cast<size_t>(index) * ZD_FLASH_PAGE_DATA;
    uint32_t remaining = static_cast<uint32_t>(bytes.size() - std::min(offset, bytes.size()));
    page.data_length = length != 0 ? length : std::min<uint32_t>(remaining, ZD_FLASH_PAGE_DATA);
    page.page_index = index;
    page.last_page = last >= 0 ? static_cast<uint8_t>(last) : (offset + page.data_length == bytes.size());
    std::memcpy(page.data, bytes.data() + offset, std::min<uint32_t>(page.data_length, remaining));
    return ZD_Flash_Bin(adapter, ZD_FLASH_BIN_CONSTANT, type, &page);
}

uint8_t sendPass(uint8_t adapter, uint8_t type, const std::vector<uint8_t>& bytes) {
    if (uint8_t s = preData(adapter, type, static_cast<uint32_t>(bytes.size()))) return s;
    uint16_t pages = static_cast<uint16_t>((bytes.size() + ZD_FLASH_PAGE_DATA - 1) / ZD_FLASH_PAGE_DATA);
    for (uint16_t i = 0; i < pages; ++i) {
        if (uint8_t s = sendPage(adapter, type, bytes, i)) return s;
    }
    return 0;
}

}  // namespace

TEST_F(SimFirmwareTest, HeaderInfo) {
    std::string good = image("good.bin", 3, 40000);
    EXPECT_EQ(fileBytes(good).size(), 40032u);
    uint8_t type = 255;
    _Version_Info_CIM version{};
    uint16_t device = 65535;
    ASSERT_EQ(ZD_Flash_GetHeaderInfo(good.c_str(), &type, &version, &device), 0);
    EXPECT_EQ(type, 3);
    EXPECT_EQ(device, 4660);
    EXPECT_EQ(version.part1, 3);
    EXPECT_EQ(version.part3, 2);
    EXPECT_EQ(version.part4, 19);
    std::vector<uint8_t> path = lastRecord("ZD_Flash_GetHeaderInfo");
    EXPECT_EQ(std::string(path.begin(), path.end()), good);

    std::string nine = image("nine.bin", 9, 100);
    ASSERT_EQ(ZD_Flash_GetHeaderInfo(nine.c_str(), &type, &version, &device), 0);
    EXPECT_EQ(type, 9);

    type = 255;
    EXPECT_EQ(ZD_Flash_GetHeaderInfo(m_dir.file("missing.bin").c_str(), &type, &version, &device), 4);
    EXPECT_EQ(type, 255);

    std::vector<uint8_t> bytes = fileBytes(good);
    zdtest::writeFile(m_dir.file("short.bin"), std::string(bytes.begin(), bytes.begin() + 20));
    EXPECT_EQ(ZD_Flash_GetHeaderInfo(m_dir.file("short.bin").c_str(), &type, &version, &device), 185);
    zdtest::writeFile(m_dir.file("cut.bin"), std::string(bytes.begin(), bytes.end() - 1));
    EXPECT_EQ(ZD_Flash_GetHeaderInfo(m_dir.file("cut.bin").c_str(), &type, &version, &device), 185);
    bytes[12] ^= 1;  // version changed after the checksum was made
    zdtest::writeFile(m_dir.file("bad.bin"), std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(ZD_Flash_GetHeaderInfo(m_dir.file("bad.bin").c_str(), &type, &version, &device), 185);
    EXPECT_EQ(ZD_Flash_GetHeaderInfo(nullptr, &type, &version, &device), 7);

    // A FIFO or a directory is refused at once, not waited on.
    const std::string fifo = m_dir.file("fifo.bin");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    auto check = std::async(std::launch::async,
                            [&] { return ZD_Flash_GetHeaderInfo(fifo.c_str(), &type, &version, &device); });
    const bool waited = check.wait_for(std::chrono::seconds(10)) != std::future_status::ready;
    if (waited) close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));  // a writer lets it go on
    EXPECT_FALSE(waited);
    EXPECT_EQ(check.get(), 4);
    EXPECT_EQ(ZD_Flash_GetHeaderInfo(m_dir.path().c_str(), &type, &version, &device), 4);
}

TEST_F(SimFirmwareTest, OneAndTwoPassFlash) {
    std::vector<uint8_t> bytes = fileBytes(image("fw.bin", 3, 70000));  // three pages
    EXPECT_EQ(sendPage(0, 3, bytes, 0), 156);  // no pass open
    ASSERT_EQ(preData(0, 3, static_cast<uint32_t>(bytes.size())), 0);
    EXPECT_EQ(sendPage(0, 3, bytes, 1), 7);                          // gap
    EXPECT_EQ(sendPage(0, 3, bytes, 0, 1000, 0), 7);                 // short non-last page
    EXPECT_EQ(sendPage(0, 9, bytes, 0), 155);                        // other image type
    _Flash_Page page{};
    EXPECT_EQ(ZD_Flash_Bin(0, 14, 3, &page), 7);
    ASSERT_EQ(sendPage(0, 3, bytes, 0), 0);
    ASSERT_EQ(sendPage(0, 3, bytes, 1), 0);
    EXPECT_EQ(firmwareVersion(0).part1, 2);
    EXPECT_EQ(sendPage(0, 3, bytes, 2, 0, 0), 7);  // the last page must say so
    drainEvents(0);
    ASSERT_EQ(sendPage(0, 3, bytes, 2), 0);
    EXPECT_EQ(firmwareVersion(0).part4, 19);  // every part: the upload tests
    std::vector<EventRecord> events = drainEvents(0);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].evt_class, 10);
    EXPECT_EQ(events[0].params[0], 3u);
    EXPECT_TRUE(zdtest::contains(calls(), "ZD_Flash_Bin 0 15 3\n"));
    EXPECT_EQ(lastRecord("ZD_Flash_Bin").size(), sizeof(_Flash_Page));

    // A corrupted image is refused at its last page and changes nothing.
    std::vector<uint8_t> other = fileBytes(image("fw2.bin", 3, 100));
    other[40] ^= 0xFF;
    EXPECT_EQ(sendPass(0, 3, other), 185);
    EXPECT_EQ(firmwareVersion(0).part4, 19);
    EXPECT_EQ(preData(0, 5, 100), 155);
    EXPECT_EQ(preData(0, 3, 0), 185);
    EXPECT_EQ(preData(0, 9, 100), 156);  // adapter 0 takes one pass

    // Adapter 1 takes the image twice, the second pass repeating the first.
    bytes = fileBytes(image("fw.bin", 3, 65536 - 32));
    zdsim_clear_calls();
    ASSERT_EQ(sendPass(1, 3, bytes), 0);
    EXPECT_EQ(firmwareVersion(1).part1, 2);  // waits for the second pass
    EXPECT_EQ(preData(1, 9, 1234), 156);     // another length
    ASSERT_EQ(sendPass(1, 9, bytes), 0);
    EXPECT_EQ(firmwareVersion(1).part1, 3);
    EXPECT_EQ(zdsim_call_count("ZD_Flash_Bin"), 4u);

    std::vector<uint8_t> different = fileBytes(image("fw3.bin", 3, 65536 - 32));
    ASSERT_EQ(sendPass(1, 3, bytes), 0);
    different[100] ^= 1;
    EXPECT_EQ(sendPass(1, 9, different), 185);  // the second pass must repeat the first
}

TEST_F(SimFirmwareTest, FlashWhileAnotherThreadReads) {
    std::vector<uint8_t> bytes = fileBytes(image("big.bin", 3, 40 * ZD_FLASH_PAGE_DATA));
    std::atomic<bool> done{false};
    std::atomic<int> badReads{0};
    std::thread reader([&] {
        while (!done.load()) {
            if (readAll<_HD_Info>(ZD_PD_GetHDInfo, 0).size() != 8) ++badReads;
            if (vd(0, 0).status != 15) ++badReads;
            _Adapter_Info info{};
            uint8_t count = 0;
            if (ZD_Adapter_GetInfo(0, &count, &info) != 0) ++badReads;
        }
    });
    uint8_t status = sendPass(0, 3, bytes);
    done = true;
    reader.join();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(badReads.load(), 0);
    EXPECT_EQ(firmwareVersion(0).part1, 3);
}

TEST(SimImageTool, WritesAValidImage) {
    zdtest::TempDir dir;
    std::string out = dir.file("tool.bin");
    std::string tool = std::string(ZD_BINARY_DIR) + "/bin/zdsim-mkimage";
    if (!zdtest::fileExists(tool)) GTEST_SKIP() << "zdsim-mkimage not built";
    std::string command = tool + " --type 3 --device 17 --version 5.6.7.8 --size 1000 " + out;
    ASSERT_EQ(std::system(command.c_str()), 0);
    uint8_t type = 0;
    _Version_Info_CIM version{};
    uint16_t device = 0;
    ASSERT_EQ(ZD_Flash_GetHeaderInfo(out.c_str(), &type, &version, &device), 0);
    EXPECT_EQ(device, 17);
    EXPECT_EQ(version.part2, 6);
    EXPECT_EQ(version.part4, 8);
    EXPECT_NE(std::system((tool + " --version 1.2 " + out + " 2>/dev/null").c_str()), 0);
}
