// Model: the enclosure as every front end sees it.
//
// Adapters, arrays, disks, events and schedules, read once from the bridge's
// answers (front/Enclosure.h) with every enumerated number beside its range
// text. zdctl's tables and JSON, zdmond's comparison and metrics and the web
// API all work on these types; none of them reads a bridge answer itself.
// Sizes are in 512-byte sectors, as the controller reports them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "front/Health.h"

namespace zdfront {

// An enumerated value of one of the bridge's range tables and its display text.
struct Enumerated {
    uint64_t value = 0;
    std::string text;
};

// A background activity (rebuild, init, check, migrate, media patrol).
struct Activity {
    Enumerated type;    // "VDBGAType" or "PDBGAType"
    Enumerated status;  // "BGAStatus": running, aborted, paused
    unsigned percent = 0;
    bool running() const;
    bool aborted() const;
};

struct AdapterSpeeds {
    uint64_t sync = 0, init = 0, rebuild = 0, migrate = 0, diskCheck = 0;
};

struct Adapter {
    uint64_t id = 0;
    std::string alias, serial, firmware, bootloader, driver, nxpVersion;
    Enumerated link;  // "AdapterLinkType"
    uint64_t vendor = 0, device = 0, subVendor = 0, subDevice = 0, revision = 0;
    uint64_t ports = 0, maxDisks = 0, maxParityDisks = 0;
    std::vector<Enumerated> raidLevels, stripeSizes;
    bool alarm = false, autoRebuild = false, copyBack = false, smartPoll = false, identifySupported = false;
    AdapterSpeeds speeds;
    std::optional<bool> buzzerRinging;  // nothing when the adapter has no buzzer
};

struct Capacity {
    uint64_t available = 0, redundancy = 0, unused = 0;
};

struct MigrationTarget {
    Enumerated raid;
    uint64_t sizeSectors = 0;
    std::vector<uint64_t> disks;
};

// One member slot or spare of an array with its disk's state (mdadm --detail style).
struct ArrayMember {
    uint64_t disk = 0;
    bool spare = false;    // a dedicated spare rather than a member slot
    bool present = true;   // false: the disk is missing
    Enumerated status;     // the disk's "PDStatus", or "Missing"
    uint64_t sizeSectors = 0;
    Tone tone() const { return present ? Health::diskTone(status.value) : Tone::Bad; }
};

struct Array {
    uint64_t id = 0;
    std::string name;
    Enumerated raid, status;
    uint64_t sizeSectors = 0;
    std::vector<uint64_t> disks;  // member disks in slot order
    std::vector<uint64_t> spares;  // dedicated spares
    std::optional<Activity> activity;
    // Detail, read for `array show` and the web page's array view.
    Enumerated stripeSize, volumeCache, diskCache;
    uint64_t usedSectors = 0, freeSectors = 0;
    std::optional<Capacity> capacity;
    std::optional<MigrationTarget> migration;
    std::vector<ArrayMember> members;  // member slots in order, then the spares (detailed reads)

    Tone tone() const { return Health::arrayTone(status.value); }
};

struct SmartAttribute {
    uint64_t id = 0;
    std::string name;
    uint64_t value = 0, worst = 0, threshold = 0, raw = 0, flags = 0;
    // The normalised value has reached the vendor's threshold (0 means none).
    bool failing() const { return threshold != 0 && value <= threshold; }
    bool failedBefore() const { return threshold != 0 && worst <= threshold; }
};

struct Disk {
    uint64_t id = 0;
    bool present = true;  // false: an empty slot (a pulled disk)
    Enumerated status;    // "PDStatus"
    uint64_t sizeSectors = 0;
    std::optional<uint64_t> array;             // the array it is a member of
    std::optional<uint64_t> dedicatedSpareOf;  // the array it is a dedicated spare of
    std::optional<Activity> activity;
    // Detail of the disk's own answer.
    std::string model, serial, firmware;
    Enumerated deviceType;  // "DeviceType"
    Enumerated features;    // "PDFeature" flags, text "NCQ, SMART"
    uint64_t currentSpeed = 0, parentId = 0, parentDeviceType = 0, parentPort = 0;
    bool smartRead = false;
    std::vector<SmartAttribute> smart;

    Tone tone() const { return present ? Health::diskTone(status.value) : Tone::Neutral; }
};

// The SMART verdict of a disk, smartctl -H style.
enum class SmartVerdict { Unknown, Passed, Failing };
SmartVerdict smartVerdict(const Disk& disk);
const char* smartVerdictText(SmartVerdict verdict);

// How a background activity ended, as the controller's event reports it.
struct ActivityEnd {
    std::string activity;   // "Check & Fix", "Initialisation", "Rebuild", "Migrate", "Media Patrol"
    bool completed = false;  // false: aborted or stopped before its end
    // Of a consistency check: the inconsistent stripes it found and repaired.
    std::optional<uint64_t> inconsistenciesFound, inconsistenciesRepaired;
};

struct Event {
    uint64_t index = 0, adapter = 0, time = 0, code = 0, device = 0;
    Enumerated eventClass, severity;  // "EvtClass", "EvtSeverity"
    // The device it is about: "adapter 0", "array 0 "Data"", "disk 3 (ZDS DT4000-7K2, serial ZS1001280003)".
    std::string deviceText;
    // What happened: "failed", "Check & Fix completed: 3 inconsistent stripes found, 3 repaired".
    std::string text;
    std::optional<std::string> name;   // the virtual disk's name, as the bridge adds it
    std::optional<uint64_t> array;     // the array it is about, by its id in the listings
    std::string diskModel, diskSerial;  // the disk it is about, while the disk is present
    std::optional<Enumerated> raidBefore, raidAfter;
    std::vector<uint64_t> params, senseData;
    std::string serial;                 // the adapter's
    std::optional<ActivityEnd> activityEnd;  // set when the event ends a background activity

    // "array 0 "Data": Check & Fix completed: ..."
    std::string summary() const { return deviceText + ": " + text; }
    // Whether it reports the end of an activity of that array or disk.
    bool endsActivityOfArray(uint64_t id) const;
    bool endsActivityOfDisk(uint64_t id) const;
};

struct Schedule {
    static constexpr uint64_t kDiskPatrol = 33;  // the "VDBGAType" of a disk's media patrol

    uint64_t index = 0, adapter = 0, target = 0;
    std::string adapterSerial;
    Enumerated activity;  // "VDBGAType"; 33 patrols a disk
    Enumerated repeat;    // "ScheduleType"
    std::string time;     // HHMM
    std::string date;     // YYYYMMDD of a schedule that runs once, else the interval
    uint64_t day = 0;     // weekday (0 = Sunday) or day of the month
    std::string lastStart;
    Enumerated status, result;  // "ScheduleStatus", "Error"
    // After a run that failed to start: the array's RAID level and state then.
    std::optional<Enumerated> raidAtRun, arrayStatusAtRun;
    bool targetsDisk() const;
    bool ran() const;
    // "2026-12-06 14:30" of the last run; "-" before the first.
    std::string lastStartText() const;
    // "-" (not run yet), "started", or "refused: <Error text> (array was Offline)".
    std::string resultText() const;
    std::string whenText() const;  // "Weekly on Tuesday at 23:00", "every 2 days at 03:00"
};

struct Problem {
    Verdict verdict = Verdict::Healthy;
    std::string text;  // "adapter 0 array 1 is Degrade"
};

// One adapter with everything on it.
struct AdapterState {
    Adapter adapter;
    std::vector<Array> arrays;
    std::vector<Disk> disks;  // slot order, empty slots included
};

// The whole enclosure at one moment.
struct Snapshot {
    std::vector<AdapterState> adapters;
    std::vector<Problem> problems() const;
    Verdict verdict() const;
};

}  // namespace zdfront
