// Views: the shared ways of showing arrays, disks and their activities.
//
// Status, array and disk commands show the same records; these helpers turn
// an answer record into its JSON object and its table cells, with every
// enumerated number shown through its range text.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "cli/Answer.h"
#include "cli/Context.h"
#include "cli/TablePrinter.h"

namespace zdctl::Views {

// "Init BackGround 47% [####......]" or "-" when no activity runs.
std::string arrayActivity(Context& context, const Record& array);
std::string diskActivity(Context& context, const Record& disk);
Json activityJson(Context& context, const Record& record, const char* typeField, const char* typeTable);

Json arrayJson(Context& context, const Record& array);
TablePrinter::Cell arrayStatusCell(Context& context, const Record& array);

// disk id -> array id, from the members of every array of the selected adapter.
std::map<uint64_t, uint64_t> diskOwners(Context& context, const std::vector<Record>& arrays);
Json diskJson(Context& context, const Record& disk, const std::map<uint64_t, uint64_t>& owners);
TablePrinter::Cell diskStatusCell(Context& context, const Record& disk);

std::string joined(const std::vector<std::string>& items, const std::string& separator = ", ");

}  // namespace zdctl::Views
