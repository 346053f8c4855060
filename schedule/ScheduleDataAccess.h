// The schedule store and runner.
//
// Schedules live as rows "Sch" of the table "BGASchedules" in the schedule
// file (the path in ZDBRIDGE_DB_PATH when the library was loaded, otherwise
// "/etc/db.xml"), keyed by the column "index". An object loads the table
// once when built, so build one per request: the schedule commands and the
// "Schedule" provider do.
//
//   ScheduleDataAccess store;
//   store.AddSchedule(info);        // false when 32 schedules are stored
//   store.RunSchedule(start);       // starts every schedule due now
//
// Status of a schedule ("S"): "0" when added, "1" once a check found it due,
// "2" after it ran; the run's result code goes to "R" and, on failure, the
// virtual disk's RAID level and status to "VM" and "VS" ("4": no such disk).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "schedule/DataReader.h"
#include "schedule/DataTable.h"
#include "schedule/ScheduleInfoRecord.h"

class Log;
struct _Adapter_Info;

class ScheduleDataAccess {
public:
    // Starts the activity of a due schedule on an adapter, as the front end's
    // own command would, and answers its result code; nothing when the
    // schedule's activity type ("BT") starts nothing.
    using ActivityStarter = std::function<std::optional<uint8_t>(const _Schedule_Info& schedule, uint8_t adapter)>;

    // Most schedules stored, listed, or found due at one check.
    static constexpr int kMaxSchedules = 32;
    // Most adapters examined when a schedule runs.
    static constexpr int kMaxAdapters = 32;

    // On the configured schedule file.
    ScheduleDataAccess();
    // On the schedule file at path (created when missing).
    explicit ScheduleDataAccess(const std::string& path);
    ~ScheduleDataAccess();
    ScheduleDataAccess(const ScheduleDataAccess&) = delete;
    ScheduleDataAccess& operator=(const ScheduleDataAccess&) = delete;

    // The schedule file's path: ZDBRIDGE_DB_PATH as the library found it
    // when loaded, or "/etc/db.xml".
    static const std::string& configuredPath();

    // Fills up to kMaxSchedules records in key order ("index" as text).
    void GetAllScheduleInfo(_Schedule_Info* infos, int& count);
    // Fills info from the first row whose "index", as a number, is index;
    // leaves it as it was when there is none.
    void GetScheduleInfoByID(_Schedule_Info& info, uint64_t index);
    enum AddResult { kAdded, kStoreFull, kNotSaved };
    // Writes a new schedule from info's setting fields with a fresh index;
    // kStoreFull (nothing written) when kMaxSchedules are stored, kNotSaved
    // when the file could not take it.
    AddResult AddSchedule(const _Schedule_Info& info);
    // Removes the schedule with that index, if stored; false when a stored
    // schedule could not be removed from the file.
    bool RemoveSchedule(uint16_t index);
    // Marks every schedule due now with status "1" in the file and answers
    // their indexes (at most kMaxSchedules); false when the marks could not
    // be saved.
    bool checkBgaSchedules(uint64_t* indexes, int& count);
    // Runs every schedule due now through start and records the outcomes in
    // the file. Nothing runs when the due marks cannot be saved (a schedule
    // whose state cannot be kept would run again at every check); false then,
    // or when an outcome could not be recorded.
    bool RunSchedule(const ActivityStarter& start);

private:
    static bool isDue(const DataRow& row);
    // Runs one due schedule and notes its outcome in its row; nothing when
    // its adapter or activity is missing.
    void runOne(uint64_t index, const _Adapter_Info* adapters, int adapterCount, const ActivityStarter& start);

    Log* m_log;
    std::string m_path;
    DataReader m_reader;
    std::unique_ptr<DataTable> m_pScheduleTable;
};
