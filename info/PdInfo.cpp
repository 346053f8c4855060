#include "info/PdInfo.h"

#include <algorithm>
#include <vector>

#include "api/APIAdapterConfigData.h"
#include "api/APISMARTData.h"
#include "api/ListWrappers.h"
#include "api/records/RecordText.h"
#include "info/FieldText.h"
#include "middle/StructMiddle.h"
#include "middle/XMLMiddle.h"

namespace {

// "PDStatus" shown for a disk whose RAID state cannot be read: "Offline (Assigned)".
constexpr uint8_t kStatusUnknown = 10;
// The fields of one disk's description, SMART attributes included.
constexpr size_t kDiskFields = 32;

template <typename Field>
std::vector<std::string> smartColumn(const _SMART_ARRAY& smart, uint16_t count, Field field) {
    std::vector<std::string> texts;
    for (uint16_t i = 0; i < count; ++i) texts.push_back(field(smart.entries[i]));
    return texts;
}

}  // namespace

PdInfo::PdInfo() : Info("PD") {}

bool PdInfo::getSingle(uint32_t adapterId, const std::string& key, std::string& result) {
    const uint8_t adapter = static_cast<uint8_t>(adapterId);
    const uint16_t id = u16Key(key);

    bool found = false;
    APIPdInfoData infoData;
    infoData.readSingle(adapter);
    const _HD_Info* info = infoData.getData(id, found);
    if (!found) return false;

    APIPdBgaInfoData bgaData;
    bgaData.readSingle(adapter);
    const _HD_BGA_STATUS* bga = bgaData.getData(id, found);
    APIPdConfigData configData;
    configData.readSingle(adapter);
    const _HD_CONFIG* config = configData.getData(id, found);
    APIPdRaidStatus statusData;
    statusData.readSingle(adapter);
    const _HD_RAID_STATUS* status = statusData.getData(id, found);

    XMLMiddle doc;
    StructMiddle* s = doc.addStruct(m_name, kDiskFields);
    s->addSingle("ID", u16Text(id));
    s->addSingle("Size", u64Text(info->size));
    s->addSingle("PDStatus", u8Text(status->status));
    if (status->status & ZD_PD_DEDICATED_SPARE_BIT) s->addSingle("PackageVDID", u16Text(status->dg_id));
    s->addSingle("DeviceType", u8Text(info->device_type));
    s->addSingle("CurrentSpeed", u8Text(config->current_speed));
    s->addSingle("AdapterID", u8Text(info->adapter_id));
    s->addSingle("ParentID", u16Text(info->parent_id));
    s->addSingle("ParentDeviceType", u8Text(info->parent_device_type));
    s->addSingle("ParentPort", u8Text(info->parent_port));
    s->addSingle("Feature", u32Text(info->feature_bits));
    s->addSingle("Model", recordText(info->model, sizeof(info->model)));
    s->addSingle("Serial", recordText(info->serial_number, sizeof(info->serial_number)));
    s->addSingle("Firmware", recordText(info->firmware_revision, sizeof(info->firmware_revision)));
    s->addSingle("PDBGAType", u8Text(bga->bga_type));
    s->addSingle("BGAStatus", u8Text(bga->bga_status));
    s->addSingle("BGAPercentage", u16Text(bga->percentage));
    addSmart(adapter, id, s);

    doc.printTo(result);
    return found;
}

void PdInfo::addSmart(uint8_t adapter, uint16_t id, StructMiddle* s) {
    bool found = false;
    APIAdapterConfigData configData;
    configData.readSingle(adapter);
    const _Adapter_Config_V2* config = configData.getData(adapter, found);
    if (config->smart_polling == 0) {
        s->addSingle("PDSMART", "0");
        return;
    }
    APISMARTData smartData;
    smartData.readSingle(adapter);
    const _SMART_ARRAY* smart = smartData.getData(id, found);
    s->addSingle("PDSMART", found ? "1" : "0");
    if (!found) return;

    const uint16_t count = std::min<uint16_t>(smart->entry_count, ZD_SMART_MAX_ENTRIES);
    using Entry = _SMART_ENTRY;
    s->addArray("SMARTID", "ID", smartColumn(*smart, count, [](const Entry& e) { return u8Text(e.attribute_id); }));
    s->addArray("SMARTAttributeName", "AttributeName", smartColumn(*smart, count, [](const Entry& e) {
                    return fieldText(e.attribute_name, sizeof(e.attribute_name));
                }));
    s->addArray("SMARTCurrentValue", "CurrentValue",
                smartColumn(*smart, count, [](const Entry& e) { return u8Text(e.current_value); }));
    s->addArray("SMARTWorstValue", "WorstValue",
                smartColumn(*smart, count, [](const Entry& e) { return u8Text(e.worst_value); }));
    s->addArray("SMARTThresholdValue", "ThresholdValue",
                smartColumn(*smart, count, [](const Entry& e) { return u8Text(e.threshold_value); }));
    s->addArray("SMARTRawValue0", "RawValue0",
                smartColumn(*smart, count, [](const Entry& e) { return u8Text(e.raw_value0); }));
    s->addArray("SMARTRawValue1", "RawValue1",
                smartColumn(*smart, count, [](const Entry& e) { return u8Text(e.raw_value1); }));
    s->addArray("SMARTStatusFlags", "StatusFlags",
                smartColumn(*smart, count, [](const Entry& e) { return u8Text(e.status_flags); }));
}

void PdInfo::getArray(uint32_t adapterId, std::string& result) {
    const uint8_t adapter = static_cast<uint8_t>(adapterId);
    APIPdInfoData infoData;
    infoData.readRange(adapter);
    APIPdRaidStatus statusData;
    statusData.readSingle(adapter);

    XMLMiddle doc(m_name + "s");
    while (!infoData.isEnd()) {
        bool found = false;
        const _HD_Info* info = infoData.getData(infoData.getID(), found);
        bool statusFound = false;
        const _HD_RAID_STATUS* status = statusData.getData(info->id, statusFound);
        StructMiddle* s = doc.addStruct(m_name);
        s->addSingle("ID", u16Text(info->id));
        s->addSingle("Size", u64Text(info->size));
        s->addSingle("PDStatus", u8Text(statusFound ? status->status : kStatusUnknown));
        if (statusFound && (status->status & ZD_PD_DEDICATED_SPARE_BIT)) {
            s->addSingle("PackageVDID", u16Text(status->dg_id));
        }
        infoData.moveToNext();
    }
    doc.printTo(result);
}
