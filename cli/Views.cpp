#include "cli/Views.h"

#include "cli/ProgressBar.h"

namespace zdctl::Views {

using zdfront::Tone;

Color color(Tone tone)
{
    switch (tone) {
    case Tone::Good: return Color::Green;
    case Tone::Attention: return Color::Yellow;
    case Tone::Bad: return Color::Red;
    case Tone::Spare: return Color::Cyan;
    case Tone::Neutral: return Color::None;
    }
    return Color::None;
}

std::string joined(const std::vector<std::string>& items, const std::string& separator)
{
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
    return text;
}

std::string joined(const std::vector<uint64_t>& ids, const std::string& separator)
{
    std::vector<std::string> texts;
    for (uint64_t id : ids) texts.push_back(std::to_string(id));
    return joined(texts, separator);
}

std::string activityText(const std::optional<zdfront::Activity>& activity)
{
    if (!activity) return "-";
    std::string text = activity->type.text + " " + std::to_string(activity->percent) + "% " +
                       ProgressBar::bar(activity->percent, 10);
    if (!activity->running()) text += " (" + activity->status.text + ")";
    return text;
}

TablePrinter::Cell arrayStatusCell(const zdfront::Array& array) { return {array.status.text, color(array.tone())}; }

TablePrinter::Cell diskStatusCell(const zdfront::Disk& disk) { return {disk.status.text, color(disk.tone())}; }

std::string diskArrayText(const zdfront::Disk& disk)
{
    if (disk.array) return std::to_string(*disk.array);
    if (disk.dedicatedSpareOf) return "spare of " + std::to_string(*disk.dedicatedSpareOf);
    return "-";
}

void printArrays(Context& context, const std::vector<zdfront::Array>& arrays, const std::string& prefix)
{
    TablePrinter table(context.terminal());
    table.column("Array", TablePrinter::Right).column("Name").column("RAID").column("Status")
        .column("Size", TablePrinter::Right).column("Disks", TablePrinter::Right).column("Spares").column("Activity");
    for (const zdfront::Array& array : arrays)
        table.row({std::to_string(array.id), array.name, array.raid.text, arrayStatusCell(array),
                   context.size(array.sizeSectors), std::to_string(array.disks.size()),
                   array.spares.empty() ? "-" : joined(array.spares),
                   activityText(array.activity)});
    table.print(context.out(), prefix);
}

void printDisks(Context& context, const std::vector<zdfront::Disk>& disks, bool detailed, const std::string& prefix)
{
    TablePrinter table(context.terminal());
    table.column("Disk", TablePrinter::Right).column("Status").column("Size", TablePrinter::Right)
        .column("Array", TablePrinter::Right);
    if (detailed) table.column("Model").column("Serial");
    table.column("Activity");
    for (const zdfront::Disk& disk : disks) {
        std::vector<TablePrinter::Cell> row{std::to_string(disk.id), diskStatusCell(disk),
                                            disk.present ? context.size(disk.sizeSectors) : "-", diskArrayText(disk)};
        if (detailed) {
            row.emplace_back(disk.model);
            row.emplace_back(disk.serial);
        }
        row.emplace_back(activityText(disk.activity));
        table.row(std::move(row));
    }
    table.print(context.out(), prefix);
}

}  // namespace zdctl::Views
