#include "info/AdapterInfo.h"

#include <vector>

#include "api/APIAdapterConfigData.h"
#include "api/APIAdapterInfoData.h"
#include "api/APIOEMData.h"
#include "api/APIOEMInfo.h"
#include "api/NxpVersionCache.h"
#include "info/FieldText.h"
#include "middle/StructMiddle.h"
#include "middle/VersionParser.h"
#include "middle/XMLMiddle.h"

namespace {

constexpr uint8_t kMaxStripeSizes = 16;
constexpr uint8_t kMaxRaidModes = 8;
// An adapter of this sub-device with 12 disk slots is shown as sub-device 4.
constexpr uint16_t kTwelveBaySubDevice = 3;
constexpr uint16_t kTwelveBaySubDeviceShown = 4;
constexpr uint16_t kTwelveBays = 12;
// The fields of one adapter's description.
constexpr size_t kAdapterFields = 32;
// Adapters of this device id cannot identify their enclosure.
constexpr uint16_t kNoIdentifyDevice = 2;

template <typename V>
std::string versionText(const V& version) {
    VersionParser parser;
    parser.parse(version);
    return parser.toString();
}

std::vector<std::string> u16Texts(const uint16_t* values, uint8_t count) {
    std::vector<std::string> texts;
    for (uint8_t i = 0; i < count; ++i) texts.push_back(u16Text(values[i]));
    return texts;
}

}  // namespace

AdapterInfo::AdapterInfo(NxpVersionCache& nxpCache) : Info("Adapter"), m_nxpCache(nxpCache) {}

bool AdapterInfo::getSingle(uint32_t, const std::string& key, std::string& result) {
    uint8_t id = u8Key(key);

    bool found = false;
    APIAdapterInfoData infoData;
    infoData.readSingle(id);
    const _Adapter_Info* info = infoData.getData(id, found);
    APIAdapterConfigData configData;
    configData.readSingle(id);
    const _Adapter_Config_V2* config = configData.getData(id, found);

    // The NXP cache, the OEM details and the answered ID cover indexes 0 to 7.
    if (id >= NxpVersionCache::kSlots) id = 0;
    if (!m_nxpCache.valid(id)) {
        APINXPVer nxp;
        nxp.readSingle(id);
        bool nxpFound = false;
        const _Adapter_OEM_Data& reply = *nxp.getData(id, nxpFound);
        m_nxpCache.store(id, reply, nxpFound);
    }
    APIOEMInfo oemInfo;
    oemInfo.readSingle(id);
    oemInfo.readData();

    XMLMiddle doc;
    StructMiddle* s = doc.addStruct(m_name, kAdapterFields);
    s->addSingle("ID", u8Text(id));
    s->addSingle("Firmware", versionText(info->firmware_version));
    s->addSingle("Bootloader", versionText(info->bootloader_version));
    s->addSingle("Driver", versionText(info->driver_version));
    if (m_nxpCache.valid(id)) {
        const _Adapter_OEM_Data& nxp = m_nxpCache.reply(id);
        const unsigned char bytes[4] = {nxp.oem_value, nxp.oem_id, nxp.force, nxp.oem_byte12};
        s->addSingle("NXPVersion", versionText(bytes));
    }
    s->addSingle("Revision", u8Text(info->revision));
    s->addSingle("Vendor", u16Text(info->vendor_id));
    s->addSingle("SubVendor", u16Text(info->sub_vendor_id));
    s->addSingle("Device", u16Text(info->device_id));
    const bool twelveBay = info->sub_device_id == kTwelveBaySubDevice && info->max_pd == kTwelveBays;
    s->addSingle("SubDevice", u16Text(twelveBay ? kTwelveBaySubDeviceShown : info->sub_device_id));
    s->addSingle("PortCount", u8Text(info->port_count));
    s->addSingle("MaxParityDisks", u8Text(info->max_parity_disks));
    s->addSingle("MaxPD", u16Text(info->max_pd != 0 ? info->max_pd : info->max_pd_small));

    uint16_t values[kMaxStripeSizes];
    uint8_t count = 0;
    infoData.getStripeSizeSupportArray(count, values, kMaxStripeSizes);
    s->addArray("SupportStripeSize", "StripeSize", u16Texts(values, count));
    infoData.getRAIDSupportArray(count, values, kMaxRaidModes);
    s->addArray("SupportRAIDMode", "RAID", u16Texts(values, count));

    s->addSingle("SyncSpeed", u8Text(config->sync_speed));
    s->addSingle("CopyBack", u8Text(config->copy_back));
    s->addSingle("AlarmStatus", u8Text(config->alarm_on));
    s->addSingle("InitSpeed", u8Text(config->init_speed));
    s->addSingle("RebuildSpeed", u8Text(config->rebuild_speed));
    s->addSingle("MigrateSpeed", u8Text(config->migrate_speed));
    s->addSingle("DiskCheckSpeed", u8Text(config->disk_check_speed));
    s->addSingle("AutoRebuild", u8Text(config->auto_rebuild));
    s->addSingle("SMARTPoll", u8Text(config->smart_polling));
    s->addSingle("Alias", fieldText(config->alias, sizeof(config->alias)));
    s->addSingle("Serial", fieldText(info->serial_number, sizeof(info->serial_number)));
    const bool identify = info->device_id != kNoIdentifyDevice && oemInfo.supportID();
    s->addSingle("SupportIdentify", u8Text(identify ? 1 : 0));
    s->addSingle("AdapterLinkType", u8Text(oemInfo.returnLinkType()));

    doc.printTo(result);
    return found;
}

void AdapterInfo::getArray(uint32_t adapterId, std::string& result) {
    const uint8_t adapter = static_cast<uint8_t>(adapterId);
    APIAdapterInfoData infoData;
    infoData.readRange(adapter);
    APIAdapterConfigData configData;
    configData.readSingle(adapter);

    XMLMiddle doc(m_name + "s");
    while (!infoData.isEnd()) {
        const uint8_t id = static_cast<uint8_t>(infoData.getID());
        bool found = false;
        const _Adapter_Info* info = infoData.getData(id, found);
        StructMiddle* s = doc.addStruct(m_name);
        s->addSingle("ID", u8Text(id));
        const bool twelveOrMore = info->sub_device_id == kTwelveBaySubDevice && info->max_pd >= kTwelveBays;
        s->addSingle("SubDevice", u16Text(twelveOrMore ? kTwelveBaySubDeviceShown : info->sub_device_id));
        s->addSingle("MaxPD", u16Text(info->max_pd));
        const _Adapter_Config_V2* config = configData.getData(id, found);
        s->addSingle("Alias", fieldText(config->alias, sizeof(config->alias)));
        infoData.moveToNext();
    }
    doc.printTo(result);
}
