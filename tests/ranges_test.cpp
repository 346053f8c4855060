// Enumeration tables: every table in the one text form front ends parse,
// and the entries whose exact bytes are easiest to get wrong. The display
// texts themselves reach users through zdctl's tables, checked in its tests.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "middle/Ranges.h"
#include "support/TestSupport.h"

TEST(Ranges, EveryTableInTheOneTextForm) {
    const Ranges ranges;
    const std::regex form("<(\\w+)>(<Item( default= 'true')?><Enum>([0-9]+|0x[0-9A-F]{2})</Enum>"
                          "<String>[^<>]+</String></Item>)+</\\1>");
    for (const char* name : {"VDCache", "PDCache", "InitType", "CheckType", "VDBGAType", "PDBGAType", "BGAStatus",
                             "BGAControl", "VDStatus", "PDStatus", "FileType", "EvtClass", "EvtSeverity",
                             "ScheduleType", "Error", "DeviceType", "PDFeature", "RAID", "StripeSize", "OEMType",
                             "OEMValue", "AdapterLinkType", "ScheduleStatus", "RoundingScheme"}) {
        const std::string text = ranges.getData(name);
        EXPECT_TRUE(std::regex_match(text, form)) << text;
        EXPECT_EQ(text.rfind(std::string("<") + name + ">", 0), 0u) << text;
    }
    struct Entry {
        const char* table;
        const char* item;
    };
    for (const Entry& entry : {
             Entry{"VDCache", "<VDCache><Item default= 'true'><Enum>0</Enum><String>Performance</String></Item>"},
             Entry{"CheckType", "<Item><Enum>1</Enum><String>Check & Fix</String></Item></CheckType>"},
             Entry{"StripeSize", "<Item><Enum>32</Enum><String>32 K</String></Item>"
                                 "<Item default= 'true'><Enum>64</Enum><String>64 K</String></Item>"},
             Entry{"DeviceType", "<Item><Enum>0x0C</Enum><String>STORAGE_ARRAY_CTRL</String></Item></DeviceType>"},
             Entry{"Error", "<Item><Enum>54</Enum><String>Specified physical disk  is a spare driv</String></Item>"},
             Entry{"PDStatus", "<Item><Enum>66</Enum><String>Dedicated Spare (Assigned)</String></Item>"
                               "<Item><Enum>96</Enum><String>Media Patrol (Dedicated Spare)</String></Item>"},
             Entry{"RAID", "<Item><Enum>16</Enum><String>RAID 10</String></Item>"
                           "<Item><Enum>17</Enum><String>RAID 1E</String></Item>"},
         }) {
        EXPECT_TRUE(zdtest::contains(ranges.getData(entry.table), entry.item));
    }
    EXPECT_EQ(zdtest::countOf(ranges.getData("Error"), "<Item>"), 54u);
    EXPECT_EQ(zdtest::countOf(ranges.getData("PDStatus"), "<Item>"), 16u);
}

TEST(Ranges, UnknownNamesAnswerNotFound) {
    const Ranges ranges;
    for (const char* name : {"raid", "", "RAID ", "RAI"}) EXPECT_STREQ("<NotFound/>", ranges.getData(name)) << name;
    // The texts are shared constants: two dispatchers see the same memory.
    const Ranges other;
    EXPECT_EQ(ranges.getData("RAID"), other.getData("RAID"));
}
