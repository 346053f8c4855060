#include "cli/Views.h"

#include "cli/Health.h"
#include "cli/ProgressBar.h"

namespace zdctl::Views {

namespace {

std::string activityText(Context& context, const Record& record, const char* typeField, const char* typeTable)
{
    uint64_t type = record.number(typeField);
    if (type == 0) return "-";
    uint64_t percent = record.number("BGAPercentage");
    std::string text = context.ranges().text(typeTable, type) + " " + std::to_string(percent) + "% " +
                       ProgressBar::bar(static_cast<unsigned>(percent), 10);
    uint64_t status = record.number("BGAStatus");
    if (status != 1) text += " (" + context.ranges().text("BGAStatus", status) + ")";
    return text;
}

Json numbers(const std::vector<std::string>& items)
{
    Json list = Json::array();
    for (const std::string& item : items) list.push_back(Answer::toNumber(item).value_or(0));
    return list;
}

}  // namespace

std::string joined(const std::vector<std::string>& items, const std::string& separator)
{
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
    return text;
}

std::string arrayActivity(Context& context, const Record& array)
{
    return activityText(context, array, "VDBGAType", "VDBGAType");
}

std::string diskActivity(Context& context, const Record& disk)
{
    return activityText(context, disk, "PDBGAType", "PDBGAType");
}

Json activityJson(Context& context, const Record& record, const char* typeField, const char* typeTable)
{
    uint64_t type = record.number(typeField);
    if (type == 0) return nullptr;
    Json activity;
    activity["type"] = type;
    activity["type_text"] = context.ranges().text(typeTable, type);
    activity["status"] = record.number("BGAStatus");
    activity["status_text"] = context.ranges().text("BGAStatus", record.number("BGAStatus"));
    activity["percent"] = record.number("BGAPercentage");
    return activity;
}

Json arrayJson(Context& context, const Record& array)
{
    Json json;
    json["id"] = array.number("ID");
    json["name"] = array.get("Name");
    json["raid"] = array.number("RAID");
    json["raid_text"] = context.ranges().text("RAID", array.number("RAID"));
    json["status"] = array.number("VDStatus");
    json["status_text"] = context.ranges().text("VDStatus", array.number("VDStatus"));
    json["size_sectors"] = array.number("Size");
    if (array.has("Disks"))
        json["disks"] = numbers(array.list("Disks"));
    else
        json["disk_count"] = array.number("PDCount");
    json["spares"] = numbers(array.list("SpareDisks"));
    json["activity"] = activityJson(context, array, "VDBGAType", "VDBGAType");
    return json;
}

TablePrinter::Cell arrayStatusCell(Context& context, const Record& array)
{
    uint64_t status = array.number("VDStatus");
    return {context.ranges().text("VDStatus", status), Health::arrayColor(status)};
}

std::map<uint64_t, uint64_t> diskOwners(Context& context, const std::vector<Record>& arrays)
{
    std::map<uint64_t, uint64_t> owners;
    for (const Record& array : arrays) {
        std::optional<Record> full = context.trySingle("PackageVD", array.get("ID"));
        if (!full) continue;
        for (const std::string& disk : full->list("Disks"))
            if (auto id = Answer::toNumber(disk)) owners[*id] = array.number("ID");
    }
    return owners;
}

Json diskJson(Context& context, const Record& disk, const std::map<uint64_t, uint64_t>& owners)
{
    Json json;
    uint64_t id = disk.number("ID");
    json["id"] = id;
    json["status"] = disk.number("PDStatus");
    json["status_text"] = context.ranges().text("PDStatus", disk.number("PDStatus"));
    json["size_sectors"] = disk.number("Size");
    auto owner = owners.find(id);
    json["array"] = owner == owners.end() ? Json(nullptr) : Json(owner->second);
    if (disk.has("PackageVDID")) json["spare_of_array"] = disk.number("PackageVDID");
    if (disk.has("Model")) json["model"] = disk.get("Model");
    if (disk.has("Serial")) json["serial"] = disk.get("Serial");
    if (disk.has("PDBGAType")) json["activity"] = activityJson(context, disk, "PDBGAType", "PDBGAType");
    return json;
}

TablePrinter::Cell diskStatusCell(Context& context, const Record& disk)
{
    uint64_t status = disk.number("PDStatus");
    return {context.ranges().text("PDStatus", status), Health::diskColor(status)};
}

}  // namespace zdctl::Views
