#include "schedule/ScheduleDataAccess.h"

#include <stdlib.h>
#include <time.h>

#include <limits>
#include <set>
#include <vector>

#include "api/ListWrappers.h"
#include "api/records/RecordText.h"
#include "api/zd_api.h"
#include "base/Log.h"
#include "middle/SingleTypeParser.h"
#include "schedule/Schedule.h"

namespace {

const char kTableName[] = "root/BGASchedules";
const char kTableElement[] = "BGASchedules";
const char kRowElement[] = "Sch";
const char kKeyColumn[] = "index";

// Read once, when the library is loaded.
const std::string g_configuredPath = [] {
    const char* path = getenv("ZDBRIDGE_DB_PATH");
    return std::string(path != nullptr && *path != '\0' ? path : "/etc/db.xml");
}();

void fillRecord(const DataRow& row, _Schedule_Info& info) {
    info.Index = row.getValueByName("index");
    info.AdapterID = row.getValueByName("A");
    info.AdapterSN = row.getValueByName("SN");
    info.PackageVDID = row.getValueByName("VDID");
    info.VDBGAType = row.getValueByName("BT");
    info.ScheduleType = row.getValueByName("ST");
    info.SettingTime = row.getValueByName("Time");
    info.SettingDate = row.getValueByName("Date");
    info.SettingDateSupplement = row.getValueByName("DS");
    info.StartTime = row.getValueByName("start");
    info.Status = row.getValueByName("S");
    info.Result = row.getValueByName("R");
    info.RAID = row.getValueByName("VM");
    info.VDStatus = row.getValueByName("VS");
}

// count is a whole multiple of interval (interval at least 2).
bool isMultiple(int64_t count, uint64_t interval) {
    if (interval > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return count == 0;
    return count % static_cast<int64_t>(interval) == 0;
}

// A 16-bit index not among the stored ones: the generator, seeded with the
// current second, shifted above the current millisecond (0 to 999) in the
// low 10 bits, drawn again while it gives a stored index. Far fewer indexes
// are stored than can be drawn; should the draws still not find a free one,
// the lowest free index is taken.
uint32_t newIndex(const std::set<uint64_t>& stored) {
    constexpr int kDraws = 1000;
    srand(static_cast<unsigned>(Schedule::nowSeconds()));
    for (int draw = 0; draw < kDraws; ++draw) {
        const uint32_t high = (static_cast<uint32_t>(rand()) << 10) & 0xFFFF;
        const uint32_t index = high | (static_cast<uint32_t>(Schedule::nowMillisecond()) & 0x3FF);
        if (stored.count(index) == 0) return index;
    }
    uint32_t index = 0;
    while (stored.count(index) != 0) ++index;
    return index;
}

// The virtual disk a schedule works on, read as its command reads its key.
uint16_t diskKey(const _Schedule_Info& info) {
    U16Parser parser;
    parser.parse(info.PackageVDID);
    uint16_t key = 0;
    parser.setValue(key);
    return key;
}

}  // namespace

const std::string& ScheduleDataAccess::configuredPath() { return g_configuredPath; }

ScheduleDataAccess::ScheduleDataAccess() : ScheduleDataAccess(configuredPath()) {}

ScheduleDataAccess::ScheduleDataAccess(const std::string& path)
    : m_log(Log::getLog()), m_path(path), m_reader(path, DataReader::STORAGE_TYPE_XML) {
    m_log->startLine(Log::util, "ScheduleDataAccess");
    m_log->writeFormatInfo("db.xml path: %s", m_path.c_str());
    m_log->endLine();
    m_pScheduleTable = m_reader.getTable(kTableName, {kKeyColumn});
}

ScheduleDataAccess::~ScheduleDataAccess() {
    m_reader.recycleTable(m_pScheduleTable);
    Log::clear();
}

void ScheduleDataAccess::GetAllScheduleInfo(_Schedule_Info* infos, int& count) {
    m_log->startLine(Log::util, "ScheduleDataAccess::GetAllScheduleInfo");
    m_log->writeFormatInfo("total: %d", static_cast<int>(m_pScheduleTable->getRowCount()));
    count = 0;
    for (const auto& entry : m_pScheduleTable->rows()) {
        if (count >= kMaxSchedules) break;
        fillRecord(*entry.second, infos[count]);
        m_log->writeFormatInfo("index: %d", count);
        ++count;
    }
    m_log->endLine();
}

void ScheduleDataAccess::GetScheduleInfoByID(_Schedule_Info& info, uint64_t index) {
    m_log->startLine(Log::util, "ScheduleDataAccess::GetScheduleInfoByID");
    m_log->writeFormatInfo("index: %llu", static_cast<unsigned long long>(index));
    for (const auto& entry : m_pScheduleTable->rows()) {
        const std::string keyIndex = entry.second->getValueByName(kKeyColumn);
        m_log->writeFormatInfo("keyIndex: %s", keyIndex.c_str());
        if (Schedule::toNumber(keyIndex) == index) {
            fillRecord(*entry.second, info);
            break;
        }
    }
    m_log->endLine();
}

ScheduleDataAccess::AddResult ScheduleDataAccess::AddSchedule(const _Schedule_Info& info) {
    const int stored = static_cast<int>(m_pScheduleTable->getRowCount());
    if (stored >= kMaxSchedules) {
        m_log->startLine(Log::util, "ScheduleDataAccess::AddSchedule");
        m_log->writeFormatInfo("count: %d", stored);
        m_log->endLine();
        return kStoreFull;
    }
    // Stored indexes as numbers, the way a schedule is looked up by index.
    std::set<uint64_t> storedIndexes;
    for (const auto& entry : m_pScheduleTable->rows()) {
        storedIndexes.insert(Schedule::toNumber(entry.second->getValueByName(kKeyColumn)));
    }
    const std::string index = std::to_string(newIndex(storedIndexes));
    m_log->startLine(Log::util, "ScheduleDataAccess::AddSchedule");
    m_log->writeFormatInfo("index: %s", index.c_str());
    m_log->writeFormatInfo("sn: %s", info.AdapterSN.c_str());
    m_log->endLine();

    DataRow row;
    row.changeValue("index", index);
    row.changeValue("A", info.AdapterID);
    row.changeValue("SN", info.AdapterSN);
    row.changeValue("VDID", info.PackageVDID);
    row.changeValue("ST", info.ScheduleType);
    row.changeValue("BT", info.VDBGAType);
    row.changeValue("Time", info.SettingTime);
    row.changeValue("Date", info.SettingDate);
    row.changeValue("DS", info.SettingDateSupplement);
    row.changeValue("start", Schedule::getNow());
    row.changeValue("S", "0");
    row.changeValue("R", "0");
    row.changeValue("VM", "");
    row.changeValue("VS", "");

    m_log->startLine(Log::util, "ScheduleDataAccess::addNode");
    m_log->endLine();
    return m_reader.addNode(kTableElement, kRowElement, row) ? kAdded : kNotSaved;
}

bool ScheduleDataAccess::RemoveSchedule(uint16_t index) {
    DataKey key;
    key.setValue(kKeyColumn, std::to_string(index));
    return m_pScheduleTable->getRow(key) == nullptr || m_reader.deleteNode(kRowElement, kKeyColumn, key);
}

bool ScheduleDataAccess::isDue(const DataRow& row) {
    const uint64_t type = Schedule::toNumber(Schedule::formatNum(row.getValueByName("ST"), 1));
    const uint64_t status = Schedule::toNumber(Schedule::formatNum(row.getValueByName("S"), 1));
    if (status == 1) return false;  // already waiting to run

    if (type == 0) {  // run once, at the first check after its moment
        if (status == 2) return false;
        return Schedule::notAfterNow(Schedule::formatNum(row.getValueByName("Date"), 8),
                                     Schedule::formatNum(row.getValueByName("Time"), 4));
    }

    const uint64_t interval = Schedule::formatInterval(row.getValueByName("Date"));
    const std::string start = Schedule::formatNum(row.getValueByName("start"), 8);
    const bool considered =
        Schedule::inDate(start, static_cast<int>(type)) || (status == 0 && Schedule::beforeNow(start));
    if (!considered) return false;

    bool due = false;
    switch (type) {
    case 1:
        due = interval < 2 || isMultiple(Schedule::daysCountFromNow(start), interval);
        break;
    case 2:
        due = static_cast<uint64_t>(Schedule::getNowWeekDay()) ==
                  Schedule::formatWeekDate(row.getValueByName("DS")) &&
              (interval < 2 || isMultiple(Schedule::weeksCountFromNow(start), interval));
        break;
    case 3:
        due = static_cast<uint64_t>(Schedule::getNowMonthDay()) ==
                  Schedule::formatMonthDate(row.getValueByName("DS")) &&
              (interval < 2 || isMultiple(Schedule::monthsCountFromNow(start), interval));
        break;
    default:
        break;
    }
    return due && Schedule::inTimeArea(row.getValueByName("Time"));
}

bool ScheduleDataAccess::checkBgaSchedules(uint64_t* indexes, int& count) {
    m_log->startLine(Log::api_data, "checkBgaSchedules");
    m_log->writeFormatInfo(" m_pScheduleTable->getRowCount() %d", static_cast<int>(m_pScheduleTable->getRowCount()));
    m_log->endLine();

    count = 0;
    for (const auto& entry : m_pScheduleTable->rows()) {
        if (count >= kMaxSchedules) break;
        DataRow& row = *entry.second;
        if (!isDue(row)) continue;
        row.changeValue("S", "1");
        indexes[count++] = Schedule::toNumber(row.getValueByName(kKeyColumn));
    }

    m_log->startLine(Log::api_data, "checkBgaSchedules");
    m_log->writeFormatInfo(" runCount %d", count);
    m_log->endLine();
    return m_pScheduleTable->flashData();
}

bool ScheduleDataAccess::RunSchedule(const ActivityStarter& start) {
    uint64_t indexes[kMaxSchedules];
    int dueCount = 0;
    if (!checkBgaSchedules(indexes, dueCount)) return false;
    if (dueCount == 0) return true;

    // The library fills one record per adapter; room for every u8 count.
    std::vector<_Adapter_Info> adapters(256);
    uint8_t adapterCount = 0;
    if (ZD_Adapter_GetInfo(255, &adapterCount, adapters.data()) != 0) return true;  // the due rows wait
    const int examined = adapterCount < kMaxAdapters ? adapterCount : kMaxAdapters;

    for (int i = 0; i < dueCount; ++i) runOne(indexes[i], adapters.data(), examined, start);
    return m_pScheduleTable->flashData();  // every outcome in one save
}

void ScheduleDataAccess::runOne(uint64_t index, const _Adapter_Info* adapters, int adapterCount,
                                const ActivityStarter& start) {
    _Schedule_Info info;
    GetScheduleInfoByID(info, index);

    m_log->startLine(Log::util, "ScheduleDataAccess::RunSchedule");
    int adapter = 255;
    for (int position = 0; position < adapterCount; ++position) {
        const std::string serial = recordText(adapters[position].serial_number, sizeof adapters[position].serial_number);
        m_log->writeFormatInfo("schedule %s, local %s", info.AdapterSN.c_str(), serial.c_str());
        if (info.AdapterSN.empty() && !info.AdapterID.empty()) {
            uint64_t id = Schedule::toNumber(info.AdapterID);
            adapter = id < 255 ? static_cast<int>(id) : 255;
            break;
        }
        // Every adapter is compared (and logged); the last match is taken.
        if (info.AdapterSN == serial) adapter = position;
    }
    m_log->writeFormatInfo("found adapter: %d", adapter);
    m_log->endLine();
    if (adapter == 255) return;  // stays at "1"

    const std::optional<uint8_t> started = start(info, static_cast<uint8_t>(adapter));
    if (!started) return;  // stays at "1"
    const uint8_t result = *started;

    DataKey key;
    key.setValue(kKeyColumn, info.Index);
    DataRow* row = m_pScheduleTable->getRow(key);
    if (row == nullptr) return;
    row->changeValue("start", Schedule::getNow());
    row->changeValue("S", "2");
    row->changeValue("R", std::to_string(result));
    if (result != 0) {
        APIVDInfoData virtualDisks;
        virtualDisks.readSingle(static_cast<uint8_t>(adapter));
        bool found = false;
        const _LD_Info* disk = virtualDisks.getData(diskKey(info), found);
        if (found) {
            row->changeValue("VM", std::to_string(disk->raid_level));
            row->changeValue("VS", std::to_string(disk->status));
        } else {
            row->changeValue("VS", "4");
        }
    }
}
