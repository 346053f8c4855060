// "GetCreateTarget" and "GetMigrateTarget" through the loaded bridge, and the
// RAID rules behind them: the capacity split answered for every RAID level
// (against what the simulated controller computes), the record sent for the
// calculation, and every refusal.
#include <gtest/gtest.h>

#include "ArrayTestSupport.h"
#include "request/RaidRules.h"

using namespace arraytest;

namespace {

using Lines = std::vector<std::string>;

constexpr uint64_t kDiskSize = 1000000;

std::string distribution(const char* name, uint64_t available, uint64_t backup, uint64_t unused) {
    return std::string("<") + name + "><Available>" + std::to_string(available) + "</Available><Backup>" +
           std::to_string(backup) + "</Backup><Unused>" + std::to_string(unused) + "</Unused></" + name + ">";
}

// The redundancy share of a virtual disk of size s on n disks, p of them parity.
uint64_t backupOf(uint8_t raid, uint64_t s, uint64_t n, uint64_t p) {
    switch (raid) {
        case 1:
        case 16:
            return s;
        case 5:
            return n > 1 ? s / (n - 1) : 0;
        case 6:
        case 96:
            return p < n ? s * p / (n - p) : 0;
        case 80:
            return n > 4 ? s / (n / 2 - 1) : 0;
        default:
            return 0;
    }
}

// The capacity the simulated controller computes for a record.
uint64_t controllerCapacity(_CreateOrModify_DG_Param record) {
    record.size = zdU64Make(0);
    EXPECT_EQ(ZD_CreateOrModify_DG(kTbAdapter, &record, 1), 0);
    return zdU64Value(record.size);
}

std::string createRequest(int raid, int parity, const std::vector<unsigned>& disks) {
    std::string xml = "<GetCreateTarget>";
    if (raid >= 0) xml += "<RAID>" + std::to_string(raid) + "</RAID>";
    if (parity >= 0) xml += "<ParityNumber>" + std::to_string(parity) + "</ParityNumber>";
    if (!disks.empty()) xml += disksXml(disks);
    return xml + "</GetCreateTarget>";
}

class TargetTest : public ArrayTest {
protected:
    void SetUp() override {
        ArrayTest::SetUp();
        for (int i = 0; i < 8; ++i) {
            int disk = zdsim_add_disk(kTbAdapter, kDiskSize);
            ASSERT_GE(disk, 0);
            extra.push_back(static_cast<unsigned>(disk));
        }
        ASSERT_TRUE(findGroup(kTbAdapter, "Data", data));
        zdsim_clear_calls();
    }

    std::vector<unsigned> firstExtra(size_t n) const { return {extra.begin(), extra.begin() + n}; }
    std::string migrateRequest(int raid, int parity, const std::vector<unsigned>& disks, bool withKey = true) {
        std::string xml = "<GetMigrateTarget>";
        if (withKey) xml += "<ID>" + std::to_string(data.ld_ids[0]) + "</ID>";
        if (raid >= 0) xml += "<RAID>" + std::to_string(raid) + "</RAID>";
        if (parity >= 0) xml += "<ParityNumber>" + std::to_string(parity) + "</ParityNumber>";
        if (!disks.empty()) xml += disksXml(disks);
        return xml + "</GetMigrateTarget>";
    }

    std::vector<unsigned> extra;  // eight free disks of kDiskSize
    _DG_Info data;
};

const std::string kCreateZeros = distribution("GetCreateTarget", 0, 0, 0);

}  // namespace

TEST(RaidRules, RanksLevelsAndDiskCounts) {
    // {level, rank}: RAID 10 ranks with RAID 1, unknown levels as themselves.
    const int ranks[][2] = {{5, 5},  {6, 7},  {16, RAID_MODE_MAP(1)}, {17, 1}, {80, 6}, {96, 8}, {102, 0},
                            {15, 0}, {42, 42}};
    for (const auto& r : ranks) EXPECT_EQ(RAID_MODE_MAP(r[0]), r[1]) << r[0];
    EXPECT_GT(RAID_MODE_MAP(5), RAID_MODE_MAP(1));  // RAID 5 cannot become RAID 1

    for (uint8_t level : {0, 1, 5, 6, 16, 80, 96, 15, 102}) EXPECT_EQ(valid_raid_mode(level), 0) << int(level);
    for (uint8_t level : {17, 2, 50, 60, 255}) EXPECT_EQ(valid_raid_mode(level), 14) << int(level);

    // {disks, level, parity, answer}: the counts the create-target refusals below
    // do not reach. RAID 1E is refused by valid_raid_mode only.
    const uint8_t counts[][4] = {{1, 0, 0, 57},  {2, 0, 0, 0},   {3, 5, 0, 0},  {2, 6, 3, 57},
                                 {3, 6, 3, 0},   {2, 16, 0, 57}, {4, 16, 0, 0}, {6, 80, 0, 0},
                                 {5, 96, 2, 57}, {6, 96, 2, 0},  {1, 17, 0, 0}};
    for (const auto& c : counts) {
        EXPECT_EQ(check_migration_para(_Migrate_DG_Param{c[0], c[1], c[2]}), c[3])
            << int(c[0]) << " disks, RAID " << int(c[1]);
    }
}

TEST_F(TargetTest, CreateTargetAnswersTheControllersCapacityForEveryLevel) {
    struct Case {
        uint8_t raid;
        uint8_t parity;
        size_t disks;
    };
    for (const Case& c : {Case{0, 0, 2}, Case{1, 0, 2}, Case{5, 0, 3}, Case{6, 2, 4}, Case{16, 0, 4},
                          Case{80, 0, 6}, Case{96, 2, 8}}) {
        SCOPED_TRACE("RAID " + std::to_string(c.raid));
        zdsim_clear_calls();
        const std::string answer = condition(createRequest(c.raid, c.parity, firstExtra(c.disks)));

        _CreateOrModify_DG_Param expected;
        std::memset(&expected, 0, sizeof(expected));
        expected.dg_id = 0xFFFF;
        expected.raid_level = c.raid;
        expected.parity_count = c.parity;
        expected.stripe_size = 64;
        expected.disk_count = static_cast<uint8_t>(c.disks);
        for (size_t i = 0; i < c.disks; ++i) expected.disk_ids[i] = static_cast<uint16_t>(extra[i]);
        EXPECT_EQ(bytesOf(lastRecord<_CreateOrModify_DG_Param>("ZD_CreateOrModify_DG")), bytesOf(expected));
        EXPECT_EQ(zdsim_call_count("ZD_CreateOrModify_DG"), 1u);
        EXPECT_EQ(actions(), Lines{"ZD_CreateOrModify_DG 0 1"});

        const uint64_t total = kDiskSize * c.disks;
        const uint64_t size = controllerCapacity(expected);
        ASSERT_GT(size, 0u);
        const uint64_t backup = backupOf(c.raid, size, c.disks, c.parity);
        const uint64_t unused = backup + size < total ? total - backup - size : 0;
        EXPECT_EQ(answer, distribution("GetCreateTarget", size, backup, unused));
    }
    EXPECT_TRUE(zdtest::contains(log(), "CreateTarget ZD_CreateOrModify_DG:(file "));
}

TEST_F(TargetTest, CreateTargetRefusalsAnswerZerosWithoutCalculation) {
    struct Case {
        uint8_t raid;
        size_t disks;
    };
    for (const Case& c : {Case{1, 3}, Case{16, 5}, Case{80, 7}, Case{80, 4}, Case{17, 4}, Case{5, 2}}) {
        SCOPED_TRACE("RAID " + std::to_string(c.raid) + " on " + std::to_string(c.disks));
        EXPECT_EQ(condition(createRequest(c.raid, 0, firstExtra(c.disks))), kCreateZeros);
    }
    EXPECT_EQ(zdsim_call_count("ZD_CreateOrModify_DG"), 0u);

    // RAID 15 passes the rules; what the controller makes of it is answered.
    ASSERT_EQ(condition(createRequest(15, 0, firstExtra(2))).find("<GetCreateTarget><Available>"), 0u);
    EXPECT_EQ(zdsim_call_count("ZD_CreateOrModify_DG"), 1u);
}

TEST_F(TargetTest, CreateTargetKeepsFieldsAndRefusesLongDiskLists) {
    const std::string raid5 = condition(createRequest(5, 0, firstExtra(3)));
    ASSERT_NE(raid5, kCreateZeros);

    zdsim_clear_calls();
    EXPECT_EQ(condition(createRequest(0, -1, repeated(extra[0], 193))), kCreateZeros);
    EXPECT_EQ(calls(), Lines{});

    // The refused request stored nothing: RAID 5 on the three disks again.
    EXPECT_EQ(condition(createRequest(-1, -1, {})), raid5);
    EXPECT_EQ(condition(createRequest(-1, -1, repeated(extra[0], 192))).find("<GetCreateTarget>"), 0u);
    EXPECT_EQ(lastRecord<_CreateOrModify_DG_Param>("ZD_CreateOrModify_DG").disk_count, 192);
}

TEST_F(TargetTest, MigrateTargetAnswersTheControllersCapacity) {
    const std::vector<unsigned> disks = {0, 1, 2, 3, 5};
    const std::string answer = condition(migrateRequest(6, 2, disks));
    _CreateOrModify_DG_Param sent = lastRecord<_CreateOrModify_DG_Param>("ZD_CreateOrModify_DG");
    EXPECT_EQ(sent.dg_id, data.id);
    EXPECT_EQ(zdU64Value(sent.size), 0u);
    EXPECT_EQ(sent.raid_level, 6);
    EXPECT_EQ(sent.parity_count, 2);
    EXPECT_EQ(sent.disk_count, 5);
    EXPECT_EQ(actions(), Lines{"ZD_CreateOrModify_DG 0 1"});

    uint64_t total = 0;
    for (unsigned disk : disks) total += diskSize(kTbAdapter, static_cast<uint16_t>(disk));
    const uint64_t size = controllerCapacity(sent);
    ASSERT_GE(size, zdU64Value(data.total_size));
    const uint64_t backup = backupOf(6, size, 5, 2);
    EXPECT_EQ(answer, distribution("GetMigrateTarget", size, backup, backup + size < total ? total - backup - size : 0));
    EXPECT_TRUE(zdtest::contains(log(), "MigrateTarget found old member disk:"));
    EXPECT_TRUE(zdtest::contains(log(), "MigrateTarget found diff disk:"));

    // Without "ID" the previous array is used.
    EXPECT_EQ(condition(migrateRequest(-1, -1, {}, false)), answer);
}

TEST_F(TargetTest, MigrateTargetRefusals) {
    const uint64_t big = diskSize(kTbAdapter, 0);
    const auto zerosWithUnused = [](uint64_t unused) { return distribution("GetMigrateTarget", 0, 0, unused); };

    EXPECT_EQ(condition(migrateRequest(1, 0, {0, 1})), zerosWithUnused(0));  // rank 5 above rank 1
    EXPECT_TRUE(zdtest::contains(log(), "MigrateTarget:(RAID_MODE_MAP failed source 5, target 1)"));
    EXPECT_EQ(condition(migrateRequest(17, 0, {0, 1, 2, 3, 5})), zerosWithUnused(0));
    EXPECT_TRUE(zdtest::contains(log(), "MigrateTarget:(valid_raid_mode failed target 17)"));
    EXPECT_EQ(condition(migrateRequest(16, 0, {0, 1, 2, 3, 5})), zerosWithUnused(0));
    EXPECT_TRUE(zdtest::contains(log(), "MigrateTarget:(check_migration_para failed raid mode 0x10, disk count 5)"));

    EXPECT_EQ(condition(migrateRequest(5, 0, {5, 6, 7})), zerosWithUnused(3 * big));
    EXPECT_TRUE(zdtest::contains(log(), "MigrateTarget target has not old member disk:"));
    EXPECT_EQ(condition(migrateRequest(5, 0, {0, 1, 2, 3})), zerosWithUnused(4 * big));
    EXPECT_TRUE(zdtest::contains(log(), "MigrateTarget target has not diff disk:"));
    EXPECT_EQ(zdsim_call_count("ZD_CreateOrModify_DG"), 0u);

    // RAID 6 on four disks holds less than the RAID 5 it would replace.
    EXPECT_EQ(condition(migrateRequest(6, 2, {0, 1, 2, 5})), zerosWithUnused(4 * big));
    EXPECT_EQ(zdsim_call_count("ZD_CreateOrModify_DG"), 1u);
    EXPECT_TRUE(zdtest::contains(log(), "MigrateTarget target size is smaller:"));
    // Fewer of the array's own disks and no new one: only the capacity refuses it.
    EXPECT_EQ(condition(migrateRequest(5, 0, {0, 1, 2})), zerosWithUnused(3 * big));
    EXPECT_EQ(zdsim_call_count("ZD_CreateOrModify_DG"), 2u);

    // An unknown virtual disk, and a disk list that does not fit.
    EXPECT_EQ(condition("<GetMigrateTarget><ID>77</ID><RAID>5</RAID>" + disksXml({0, 1, 2, 3, 5}) +
                        "</GetMigrateTarget>"),
              zerosWithUnused(0));
    zdsim_clear_calls();
    EXPECT_EQ(condition(migrateRequest(5, 0, repeated(0, 193))), zerosWithUnused(0));
    EXPECT_EQ(calls(), Lines{});
}
