// The controller ABI (api/zd_api.h) served by the simulator: thin C entry
// points that lock the enclosure, record the call, answer an injected status
// if one is set, and otherwise do the work on the adapter model as one
// EnclosureCall (the shared state brought up to date, the change committed).
#include "api/zd_api.h"

#include <chrono>
#include <cstring>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/ActivityEngine.h"
#include "sim/ArrayOperations.h"
#include "sim/DiskOperations.h"
#include "sim/Enclosure.h"
#include "sim/EventCodes.h"
#include "sim/FirmwareImage.h"
#include "sim/ListReply.h"
#include "sim/OemEnclosure.h"
#include "sim/RecordView.h"

namespace {

constexpr uint8_t kInvalidParameter = 7;
constexpr uint8_t kInvalidAdapter = 13;
// Answers for an id the adapter does not have.
constexpr uint8_t kDiskAbsent = 9;
constexpr uint8_t kVdAbsent = 59;
constexpr uint8_t kGroupAbsent = 8;
enum class Change { None, OnSuccess };

// The record argument of a call, as the call record keeps it.
struct RecordBytes {
    const void* bytes = nullptr;
    size_t size = 0;
};

template <typename T>
RecordBytes recordOf(const T* pointer) {
    return RecordBytes{pointer, pointer != nullptr ? sizeof(T) : 0};
}

RecordBytes headerOf(const void* buffer) { return RecordBytes{buffer, buffer != nullptr ? sizeof(_Request_Header) : 0}; }

// Adds the time from its construction to its destruction to the call record.
class CallTimer {
public:
    explicit CallTimer(CallRecorder& recorder) : m_recorder(recorder), m_start(std::chrono::steady_clock::now()) {}
    ~CallTimer() {
        const auto elapsed = std::chrono::steady_clock::now() - m_start;
        m_recorder.addTime(static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count()));
    }
    CallTimer(const CallTimer&) = delete;
    CallTimer& operator=(const CallTimer&) = delete;

private:
    CallRecorder& m_recorder;
    std::chrono::steady_clock::time_point m_start;
};

// Records the call, then answers an injected status if one is set. Answers
// whether the call goes on.
bool admit(Enclosure& e, const char* function, std::initializer_list<uint64_t> args, RecordBytes record,
           uint8_t& status) {
    std::string line = function;
    for (uint64_t arg : args) line += " " + std::to_string(arg);
    e.recorder().record(function, line, record.bytes, record.size);
    std::optional<uint8_t> injected = e.injector().take(function);
    if (injected) status = *injected;
    return !injected;
}

// A call that does not touch the enclosure's shared state: recorded and timed,
// then work(enclosure) or an injected status.
template <typename Work>
uint8_t serveLocal(const char* function, std::initializer_list<uint64_t> args, RecordBytes record, Work work) {
    Enclosure& e = Enclosure::instance();
    std::lock_guard<std::mutex> lock(e.mutex());
    const CallTimer timer(e.recorder());
    uint8_t status = 0;
    return admit(e, function, args, record, status) ? work(e) : status;
}

// A call on the shared state: recorded and timed, then an injected status, or
// work(enclosure) on the enclosure as it is now, its change committed before
// it returns. A change that cannot be committed is undone and answered
// with Enclosure::kStatusNotSaved.
template <typename Work>
uint8_t serve(const char* function, std::initializer_list<uint64_t> args, RecordBytes record, Change change, Work work) {
    Enclosure& e = Enclosure::instance();
    std::lock_guard<std::mutex> lock(e.mutex());
    const CallTimer timer(e.recorder());
    uint8_t status = 0;
    if (!admit(e, function, args, record, status)) return status;
    EnclosureCall call(e);
    status = work(e);
    if (change == Change::OnSuccess && status == 0) e.changed();
    if (!call.commit() && status == 0) return Enclosure::kStatusNotSaved;
    return status;
}

// As serve, for a call on one adapter (13 when the adapter is unknown).
template <typename Work>
uint8_t serveAdapter(const char* function, uint8_t adapter, std::initializer_list<uint64_t> args, RecordBytes record,
                     Change change, Work work) {
    return serve(function, args, record, change, [&](Enclosure& e) -> uint8_t {
        AdapterModel* a = e.scanned(adapter);
        return a == nullptr ? kInvalidAdapter : work(*a);
    });
}

// A list read: renders every record of the adapter, then answers the request.
template <typename T, typename Render>
uint8_t serveList(const char* function, uint8_t adapter, void* buffer, uint8_t absentStatus, Render render) {
    return serveAdapter(function, adapter, {adapter}, headerOf(buffer), Change::None, [&](AdapterModel& a) -> uint8_t {
        if (buffer == nullptr) return kInvalidParameter;
        std::vector<std::pair<uint16_t, T>> records;
        render(a, records);
        return answerList(buffer, a.info.max_buffer_kb, records, absentStatus);
    });
}

// Whether a record of the item is listed: pulled disks are not.
bool listed(const Disk& d) { return d.present; }
template <typename Item>
bool listed(const Item&) {
    return true;
}

// A list read of one kind of item of the adapter (disks, virtual disks or
// disk groups), one record make(adapter, item) for each listed item the
// request can reach.
template <typename T, typename Item, typename Make>
uint8_t serveItems(const char* function, uint8_t adapter, void* buffer, uint8_t absentStatus,
                   std::map<uint16_t, Item> AdapterModel::*items, Make make) {
    return serveList<T>(function, adapter, buffer, absentStatus, [&](AdapterModel& a, auto& out) {
        const ListWindow window = listWindow<T>(buffer, a.info.max_buffer_kb);
        const std::map<uint16_t, Item>& all = a.*items;
        for (auto it = all.lower_bound(window.first); it != all.end() && out.size() < window.count; ++it) {
            if (window.single && it->first != window.first) break;
            if (listed(it->second)) out.emplace_back(it->first, make(a, it->second));
        }
    });
}

uint8_t hdInfoList(const char* function, uint8_t adapter, void* buffer) {
    auto render = [adapter](const AdapterModel& a, const Disk& d) { return view::hdInfo(a, d, adapter); };
    return serveItems<_HD_Info>(function, adapter, buffer, kDiskAbsent, &AdapterModel::disks, render);
}

// The adapter's record (info or config) of one adapter, or of all scanned
// adapters into an array when adapter is 0xFF.
template <typename T>
uint8_t serveAdapterRecord(const char* function, uint8_t adapter, uint8_t* count, T* out, T AdapterModel::*record) {
    return serve(function, {adapter}, recordOf(out), Change::None, [&](Enclosure& e) -> uint8_t {
        if (out == nullptr) return kInvalidParameter;
        if (adapter == 0xFF) {
            uint8_t n = 0;
            for (uint8_t i = 0; i < e.scannedCount(); ++i) {
                if (AdapterModel* a = e.scanned(i)) out[n++] = a->*record;
            }
            if (count != nullptr) *count = n;
            return 0;
        }
        AdapterModel* a = e.scanned(adapter);
        if (a == nullptr) return kInvalidAdapter;
        *out = a->*record;
        if (count != nullptr) *count = 1;
        return 0;
    });
}

}  // namespace

extern "C" {

uint8_t ZD_API_Initialize(void) {
    return serveLocal("ZD_API_Initialize", {}, {}, [](Enclosure& e) -> uint8_t {
        e.initialize();
        return 0;
    });
}

uint8_t ZD_API_Finalize(void) {
    return serveLocal("ZD_API_Finalize", {}, {}, [](Enclosure&) -> uint8_t { return 0; });
}

const char* ZD_API_Version(void) {
    serveLocal("ZD_API_Version", {}, {}, [](Enclosure&) -> uint8_t { return 0; });
    return "zdsim 1.0.0";
}

uint8_t ZD_API_RescanAdapter(void) {
    return serve("ZD_API_RescanAdapter", {}, {}, Change::None, [](Enclosure& e) -> uint8_t {
        e.rescan();
        return 0;
    });
}

uint8_t ZD_Adapter_GetCount(void) {
    return serve("ZD_Adapter_GetCount", {}, {}, Change::None, [](Enclosure& e) { return e.scannedCount(); });
}

uint8_t ZD_Adapter_GetInfo(uint8_t adapter, uint8_t* count, _Adapter_Info* info) {
    return serveAdapterRecord("ZD_Adapter_GetInfo", adapter, count, info, &AdapterModel::info);
}

uint8_t ZD_Adapter_GetConfig(uint8_t adapter, uint8_t* count, _Adapter_Config_V2* config) {
    return serveAdapterRecord("ZD_Adapter_GetConfig", adapter, count, config, &AdapterModel::config);
}

uint8_t ZD_Adapter_SetConfig(uint8_t adapter, _Adapter_Config_V2* config) {
    return serveAdapter("ZD_Adapter_SetConfig", adapter, {adapter}, recordOf(config), Change::OnSuccess,
                        [&](AdapterModel& a) -> uint8_t {
                            if (config == nullptr) return kInvalidParameter;
                            bool rebuildTurnedOn = a.config.auto_rebuild == 0 && config->auto_rebuild != 0;
                            a.config = *config;
                            a.config.serial_number[sizeof(a.config.serial_number) - 1] = '\0';
                            a.config.alias[sizeof(a.config.alias) - 1] = '\0';
                            a.event(kEvtAdapter, evt::kAdapterSettings, kSevInfo, 0);
                            if (rebuildTurnedOn) DiskOperations(a).autoRebuild();
                            return 0;
                        });
}

uint8_t ZD_Adapter_Get_OEM_Data(uint8_t adapter, _Adapter_OEM_Data* packet) {
    return serveAdapter("ZD_Adapter_Get_OEM_Data", adapter, {adapter}, recordOf(packet), Change::None,
                        [&](AdapterModel& a) -> uint8_t {
                            return packet == nullptr ? kInvalidParameter : OemEnclosure(a).get(*packet);
                        });
}

uint8_t ZD_Adapter_Set_OEM_Data(uint8_t adapter, _Adapter_OEM_Data* packet) {
    return serveAdapter("ZD_Adapter_Set_OEM_Data", adapter, {adapter}, recordOf(packet), Change::OnSuccess,
                        [&](AdapterModel& a) -> uint8_t {
                            return packet == nullptr ? kInvalidParameter : OemEnclosure(a).set(*packet);
                        });
}

uint8_t ZD_Adapter_Get_OEM_Info(uint8_t adapter, _Adapter_OEM_Info* packet) {
    return serveAdapter("ZD_Adapter_Get_OEM_Info", adapter, {adapter}, recordOf(packet), Change::None,
                        [&](AdapterModel& a) -> uint8_t {
                            return packet == nullptr ? kInvalidParameter : OemEnclosure(a).info(*packet);
                        });
}

uint8_t ZD_PD_GetHDInfo_Ext(uint8_t adapter, void* buffer) { return hdInfoList("ZD_PD_GetHDInfo_Ext", adapter, buffer); }

uint8_t ZD_PD_GetHDInfo(uint8_t adapter, void* buffer) { return hdInfoList("ZD_PD_GetHDInfo", adapter, buffer); }

uint8_t ZD_PD_GetConfig(uint8_t adapter, void* buffer) {
    return serveItems<_HD_CONFIG>("ZD_PD_GetConfig", adapter, buffer, kDiskAbsent, &AdapterModel::disks,
                                  [](const AdapterModel&, const Disk& d) { return view::hdConfig(d); });
}

uint8_t ZD_PD_GetBGAStatus(uint8_t adapter, void* buffer) {
    return serveItems<_HD_BGA_STATUS>("ZD_PD_GetBGAStatus", adapter, buffer, kDiskAbsent, &AdapterModel::disks,
                                      view::hdBgaStatus);
}

uint8_t ZD_PD_GetHDRaidStatus(uint8_t adapter, void* buffer) {
    return serveItems<_HD_RAID_STATUS>("ZD_PD_GetHDRaidStatus", adapter, buffer, kDiskAbsent, &AdapterModel::disks,
                                       view::hdRaidStatus);
}

uint8_t ZD_LD_GetInfo(uint8_t adapter, void* buffer) {
    return serveItems<_LD_Info>("ZD_LD_GetInfo", adapter, buffer, kVdAbsent, &AdapterModel::vds, view::ldInfo);
}

uint8_t ZD_LD_GetConfig(uint8_t adapter, void* buffer) {
    return serveItems<_LD_Config>("ZD_LD_GetConfig", adapter, buffer, kVdAbsent, &AdapterModel::vds,
                                  [](const AdapterModel&, const VirtualDisk& v) { return view::ldConfig(v); });
}

uint8_t ZD_LD_GetStatus(uint8_t adapter, void* buffer) {
    return serveItems<_LD_STATUS>("ZD_LD_GetStatus", adapter, buffer, kVdAbsent, &AdapterModel::vds, view::ldStatus);
}

uint8_t ZD_DG_GetInfo(uint8_t adapter, void* buffer) {
    return serveItems<_DG_Info>("ZD_DG_GetInfo", adapter, buffer, kGroupAbsent, &AdapterModel::groups, view::dgInfo);
}

uint8_t ZD_DG_GetConfig(uint8_t adapter, void* buffer) {
    return serveItems<_DG_CONFIG>("ZD_DG_GetConfig", adapter, buffer, kGroupAbsent, &AdapterModel::groups,
                                  [](const AdapterModel&, const DiskGroup& g) { return view::dgConfig(g); });
}

uint8_t ZD_BLK_GetInfo(uint8_t adapter, void* buffer) {
    return serveList<_BLOCK_INFO>("ZD_BLK_GetInfo", adapter, buffer, 12, [](AdapterModel& a, auto& out) {
        for (const auto& [id, disk] : a.blocks) out.emplace_back(id, view::blockInfo(id, disk));
    });
}

uint8_t ZD_PD_GET_SMART_INFO(uint8_t adapter, uint16_t hd, uint16_t max_entries, _SMART_ARRAY* smart) {
    return serveAdapter("ZD_PD_GET_SMART_INFO", adapter, {adapter, hd, max_entries}, recordOf(smart), Change::None,
                        [&](AdapterModel& a) -> uint8_t {
                            if (smart == nullptr) return kInvalidParameter;
                            const Disk* d = a.presentDisk(hd);
                            if (d == nullptr) return kDiskAbsent;
                            *smart = view::smart(*d, max_entries);
                            return 0;
                        });
}

uint8_t ZD_LD_GetTargetLDInfo(uint8_t adapter, uint16_t ld, _LD_Info* info) {
    return serveAdapter("ZD_LD_GetTargetLDInfo", adapter, {adapter, ld}, recordOf(info), Change::None,
                        [&](AdapterModel& a) -> uint8_t {
                            if (info == nullptr) return kInvalidParameter;
                            const VirtualDisk* v = a.vd(ld);
                            if (v == nullptr) return kVdAbsent;
                            const Activity* migration = a.activeActivity(ActivityKind::Migrate, v->dg);
                            if (migration == nullptr) return 62;
                            *info = view::targetLdInfo(a, *v, *migration);
                            return 0;
                        });
}

uint8_t ZD_PD_SetConfig(uint8_t adapter, uint16_t hd, _HD_CONFIG* config) {
    return serveAdapter("ZD_PD_SetConfig", adapter, {adapter, hd}, recordOf(config), Change::OnSuccess,
                        [&](AdapterModel& a) -> uint8_t {
                            return config == nullptr ? kInvalidParameter : DiskOperations(a).setConfig(hd, *config);
                        });
}

uint8_t ZD_PD_BGAControl(uint8_t adapter, uint16_t hd, uint8_t action) {
    return serveAdapter("ZD_PD_BGAControl", adapter, {adapter, hd, action}, {}, Change::OnSuccess,
                        [&](AdapterModel& a) { return ActivityEngine(a).controlDisk(hd, action); });
}

uint8_t ZD_PD_StartMediaPatrol(uint8_t adapter, uint16_t hd) {
    return serveAdapter("ZD_PD_StartMediaPatrol", adapter, {adapter, hd}, {}, Change::OnSuccess,
                        [&](AdapterModel& a) { return DiskOperations(a).startMediaPatrol(hd); });
}

uint8_t ZD_PD_WipeHDMDD(uint8_t adapter, uint16_t hd, uint8_t flag) {
    return serveAdapter("ZD_PD_WipeHDMDD", adapter, {adapter, hd, flag}, {}, Change::OnSuccess,
                        [&](AdapterModel& a) { return DiskOperations(a).wipe(hd); });
}

uint8_t ZD_PD_Spare2FreeHD(uint8_t adapter, uint16_t hd) {
    return serveAdapter("ZD_PD_Spare2FreeHD", adapter, {adapter, hd}, {}, Change::OnSuccess,
                        [&](AdapterModel& a) { return DiskOperations(a).spareToFree(hd); });
}

uint8_t ZD_PD_FreeHD2DGSpare(uint8_t adapter, uint16_t hd, uint16_t dg) {
    return serveAdapter("ZD_PD_FreeHD2DGSpare", adapter, {adapter, hd, dg}, {}, Change::OnSuccess,
                        [&](AdapterModel& a) { return DiskOperations(a).freeToDedicatedSpare(hd, dg); });
}

uint8_t ZD_PD_FreeHD2GlobalSpare(uint8_t adapter, uint16_t hd) {
    return serveAdapter("ZD_PD_FreeHD2GlobalSpare", adapter, {adapter, hd}, {}, Change::OnSuccess,
                        [&](AdapterModel& a) { return DiskOperations(a).freeToGlobalSpare(hd); });
}

uint8_t ZD_CreateOrModify_DG(uint8_t adapter, _CreateOrModify_DG_Param* param, uint8_t mode) {
    return serveAdapter("ZD_CreateOrModify_DG", adapter, {adapter, mode}, recordOf(param),
                        mode == 0 ? Change::OnSuccess : Change::None, [&](AdapterModel& a) -> uint8_t {
                            return param == nullptr ? kInvalidParameter : ArrayOperations(a).createGroup(*param, mode);
                        });
}

uint8_t ZD_Create_PackageVD(uint8_t adapter, _Create_PackageVD_Param* param) {
    return serveAdapter("ZD_Create_PackageVD", adapter, {adapter}, recordOf(param), Change::OnSuccess,
                        [&](AdapterModel& a) -> uint8_t {
                            return param == nullptr ? kInvalidParameter : ArrayOperations(a).createPackage(*param);
                        });
}

uint8_t ZD_CreateOrModify_VD(uint8_t adapter, _CreateOrModify_VD_Param* param) {
    return serveAdapter("ZD_CreateOrModify_VD", adapter, {adapter}, recordOf(param), Change::OnSuccess,
                        [&](AdapterModel& a) -> uint8_t {
                            return param == nullptr ? kInvalidParameter : ArrayOperations(a).createVd(*param);
                        });
}

uint8_t ZD_DG_SetConfig(uint8_t adapter, uint16_t dg, _DG_CONFIG* config) {
    return serveAdapter("ZD_DG_SetConfig", adapter, {adapter, dg}, recordOf(config), Change::OnSuccess,
                        [&](AdapterModel& a) -> uint8_t {
                            return config == nullptr ? kInvalidParameter : ArrayOperations(a).setGroupConfig(dg, *config);
                        });
}

uint8_t ZD_LD_SetConfig(uint8_t adapter, uint16_t ld, _LD_Config* config) {
    return serveAdapter("ZD_LD_SetConfig", adapter, {adapter, ld}, recordOf(config), Change::OnSuccess,
                        [&](AdapterModel& a) -> uint8_t {
                            return config == nullptr ? kInvalidParameter : ArrayOperations(a).setVdConfig(ld, *config);
                        });
}

uint8_t ZD_DG_BGAControl(uint8_t adapter, uint16_t dg, uint8_t action) {
    return serveAdapter("ZD_DG_BGAControl", adapter, {adapter, dg, action}, {}, Change::OnSuccess,
                        [&](AdapterModel& a) { return ActivityEngine(a).controlGroup(dg, action); });
}

uint8_t ZD_LD_BGAControl(uint8_t adapter, uint16_t ld, uint8_t action) {
    return serveAdapter("ZD_LD_BGAControl", adapter, {adapter, ld, action}, {}, Change::OnSuccess,
                        [&](AdapterModel& a) { return ActivityEngine(a).controlVd(ld, action); });
}

uint8_t ZD_LD_Delete(uint8_t adapter, uint16_t ld, uint8_t flag) {
    return serveAdapter("ZD_LD_Delete", adapter, {adapter, ld, flag}, {}, Change::OnSuccess,
                        [&](AdapterModel& a) { return ArrayOperations(a).deleteVd(ld); });
}

uint8_t ZD_DG_Delete(uint8_t adapter, uint16_t dg) {
    return serveAdapter("ZD_DG_Delete", adapter, {adapter, dg}, {}, Change::OnSuccess,
                        [&](AdapterModel& a) { return ArrayOperations(a).deleteGroup(dg); });
}

uint8_t ZD_LD_StartINIT(uint8_t adapter, uint16_t ld, uint8_t type) {
    return serveAdapter("ZD_LD_StartINIT", adapter, {adapter, ld, type}, {}, Change::OnSuccess,
                        [&](AdapterModel& a) { return ActivityEngine(a).startInit(ld, type); });
}

uint8_t ZD_LD_StartConsistencyCheck(uint8_t adapter, uint16_t ld, uint8_t option) {
    return serveAdapter("ZD_LD_StartConsistencyCheck", adapter, {adapter, ld, option}, {}, Change::OnSuccess,
                        [&](AdapterModel& a) { return ActivityEngine(a).startCheck(ld, option); });
}

uint8_t ZD_LD_DG_StartRebuild(uint8_t adapter, _Rebuild_Param* param) {
    return serveAdapter("ZD_LD_DG_StartRebuild", adapter, {adapter}, recordOf(param), Change::OnSuccess,
                        [&](AdapterModel& a) -> uint8_t {
                            return param == nullptr ? kInvalidParameter : ArrayOperations(a).startRebuild(*param);
                        });
}

uint8_t ZD_DG_StartMigration(uint8_t adapter, _CreateOrModify_DG_Param* param) {
    return serveAdapter("ZD_DG_StartMigration", adapter, {adapter}, recordOf(param), Change::OnSuccess,
                        [&](AdapterModel& a) -> uint8_t {
                            return param == nullptr ? kInvalidParameter : ArrayOperations(a).startMigration(*param);
                        });
}

uint8_t ZD_EVT_GetEvent(uint8_t adapter, uint8_t max, uint8_t* count, void* events) {
    return serveAdapter("ZD_EVT_GetEvent", adapter, {adapter, max}, {}, Change::None,
                        [&](AdapterModel& a) -> uint8_t {
                            if (count == nullptr || events == nullptr) return kInvalidParameter;
                            std::vector<EventRecord> drained(max);
                            uint8_t n = a.events.drain(max, drained.data());
                            std::memcpy(events, drained.data(), n * sizeof(EventRecord));
                            *count = n;
                            return 0;
                        });
}

uint8_t ZD_Flash_GetHeaderInfo(const char* path, uint8_t* type, _Version_Info_CIM* version, uint16_t* device_id) {
    RecordBytes record{path, path != nullptr ? std::strlen(path) : 0};
    return serveLocal("ZD_Flash_GetHeaderInfo", {}, record, [&](Enclosure&) -> uint8_t {
        if (path == nullptr) return kInvalidParameter;
        FirmwareInfo info;
        if (uint8_t status = firmware::readFile(path, info)) return status;
        if (type != nullptr) *type = info.imageType;
        if (version != nullptr) *version = info.version;
        if (device_id != nullptr) *device_id = info.deviceId;
        return 0;
    });
}

uint8_t ZD_Flash_PreData(uint8_t adapter, void* request) {
    RecordBytes record{request, request != nullptr ? sizeof(_Flash_PreData) : 0};
    return serveAdapter("ZD_Flash_PreData", adapter, {adapter}, record, Change::None, [&](AdapterModel& a) -> uint8_t {
        if (request == nullptr) return kInvalidParameter;
        _Flash_PreData pre;
        std::memcpy(&pre, request, sizeof(pre));
        bool twoPasses = (a.info.AdvancedFeatures2 & ZD_FEATURE_TWO_PASS_FLASH) != 0;
        uint8_t status = a.flash.prepare(pre.image_type, pre.file_length, twoPasses);
        if (status == 0 && pre.image_type == ZD_FLASH_IMAGE_FIRST) {
            a.event(kEvtFlash, evt::kFlashStarted, kSevInfo, 0, {pre.file_length, 0, 0, 0});
        }
        return status;
    });
}

uint8_t ZD_Flash_Bin(uint8_t adapter, uint8_t fifteen, uint8_t image_type, void* page) {
    uint32_t delay = 0;
    {
        Enclosure& e = Enclosure::instance();
        std::lock_guard<std::mutex> lock(e.mutex());
        delay = e.pageDelayMs();
    }
    if (delay != 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    RecordBytes record{page, page != nullptr ? sizeof(_Flash_Page) : 0};
    return serve("ZD_Flash_Bin", {adapter, fifteen, image_type}, record, Change::None, [&](Enclosure& e) -> uint8_t {
        AdapterModel* a = e.scanned(adapter);
        if (a == nullptr) return kInvalidAdapter;
        if (page == nullptr) return kInvalidParameter;
        const auto* flashPage = static_cast<const _Flash_Page*>(page);
        bool twoPasses = (a->info.AdvancedFeatures2 & ZD_FEATURE_TWO_PASS_FLASH) != 0;
        std::optional<FirmwareInfo> installed;
        uint8_t status = a->flash.page(fifteen, image_type, *flashPage, twoPasses, installed);
        if (status == firmware::kStatusInvalid) a->event(kEvtFlash, evt::kFlashFailed, kSevWarning, 0);
        if (installed) {
            const _Version_Info_CIM& v = installed->version;
            a->info.firmware_version = v;
            a->event(kEvtFlash, evt::kFlashCompleted, kSevInfo, 0, {v.part1, v.part2, v.part3, v.part4});
            e.changed();
        }
        return status;
    });
}

}  // extern "C"
