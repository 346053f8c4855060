// Views: how zdctl shows the model in its tables.
//
// Status, array and disk commands show the same arrays and disks; these
// helpers turn model objects (front/Model.h) into table cells and tables.
// They format only: every text comes from the model.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/Context.h"
#include "cli/TablePrinter.h"
#include "front/Model.h"

namespace zdctl::Views {

Color color(zdfront::Tone tone);

// "Init BackGround 47% [####......]" or "-" when no activity runs.
std::string activityText(const std::optional<zdfront::Activity>& activity);
TablePrinter::Cell arrayStatusCell(const zdfront::Array& array);
TablePrinter::Cell diskStatusCell(const zdfront::Disk& disk);
// "3", "spare of 0" or "-".
std::string diskArrayText(const zdfront::Disk& disk);

// The array table of `array list` and `status`.
void printArrays(Context& context, const std::vector<zdfront::Array>& arrays, const std::string& prefix = "");
// The disk table; detailed adds the model and serial columns (`disk list`).
void printDisks(Context& context, const std::vector<zdfront::Disk>& disks, bool detailed,
                const std::string& prefix = "");

std::string joined(const std::vector<std::string>& items, const std::string& separator = ", ");
std::string joined(const std::vector<uint64_t>& ids, const std::string& separator = ", ");

}  // namespace zdctl::Views
