// The enumeration tables that turn the numbers of answers and requests into
// display texts ("VDCache", "PDStatus", "Error", ...).
//
// Each table is a constant XML text built once and kept for the life of the
// library:
//     <RAID><Item><Enum>0</Enum><String>RAID 0</String></Item>...</RAID>
// An entry to preselect carries `default= 'true'` on its Item. getData finds
// a table by its exact name and answers "<NotFound/>" for any other name;
// the returned text must not be freed or changed.
#pragma once

#include <map>
#include <string>

class Ranges {
public:
    Ranges();
    const char* getData(const std::string& name) const;

private:
    std::map<std::string, const char*> m_tables;
};
