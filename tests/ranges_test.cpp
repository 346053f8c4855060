// Enumeration tables: every table's full text, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "middle/Ranges.h"

namespace {

const std::vector<std::pair<std::string, std::string>> kExpected = {
    {"VDCache",
     "<VDCache><Item default= 'true'><Enum>0</Enum><String>Performance</String></Item>"
     "<Item><Enum>1</Enum><String>Protection</String></Item></VDCache>"},
    {"PDCache",
     "<PDCache><Item default= 'true'><Enum>1</Enum><String>Enable</String></Item>"
     "<Item><Enum>0</Enum><String>Disable</String></Item></PDCache>"},
    {"InitType",
     "<InitType><Item default= 'true'><Enum>0</Enum><String>Quick</String></Item>"
     "<Item><Enum>1</Enum><String>ForeGround</String></Item>"
     "<Item><Enum>2</Enum><String>BackGround</String></Item>"
     "<Item><Enum>3</Enum><String>None</String></Item></InitType>"},
    {"CheckType",
     "<CheckType><Item><Enum>0</Enum><String>Check Only</String></Item>"
     "<Item><Enum>1</Enum><String>Check & Fix</String></Item></CheckType>"},
    {"VDBGAType",
     "<VDBGAType><Item><Enum>0</Enum><String>None</String></Item>"
     "<Item><Enum>1</Enum><String>Rebuild</String></Item>"
     "<Item><Enum>2</Enum><String>Check & Fix</String></Item>"
     "<Item><Enum>4</Enum><String>Check Only</String></Item>"
     "<Item><Enum>8</Enum><String>Init Quick</String></Item>"
     "<Item><Enum>16</Enum><String>Init BackGround</String></Item>"
     "<Item><Enum>32</Enum><String>Migrate</String></Item>"
     "<Item><Enum>512</Enum><String>Media Patrol</String></Item></VDBGAType>"},
    {"PDBGAType",
     "<PDBGAType><Item><Enum>0</Enum><String>None</String></Item>"
     "<Item><Enum>1</Enum><String>Media Patrol</String></Item></PDBGAType>"},
    {"BGAStatus",
     "<BGAStatus><Item><Enum>0</Enum><String>None</String></Item>"
     "<Item><Enum>1</Enum><String>Running</String></Item>"
     "<Item><Enum>2</Enum><String>Aborted</String></Item>"
     "<Item><Enum>3</Enum><String>Paused</String></Item></BGAStatus>"},
    {"BGAControl",
     "<BGAControl><Item><Enum>1</Enum><String>Restart</String></Item>"
     "<Item><Enum>2</Enum><String>Pause</String></Item>"
     "<Item><Enum>3</Enum><String>Resume</String></Item>"
     "<Item><Enum>4</Enum><String>Abort</String></Item></BGAControl>"},
    {"VDStatus",
     "<VDStatus><Item><Enum>0</Enum><String>Functional but not initialized</String></Item>"
     "<Item><Enum>1</Enum><String>Degrade</String></Item>"
     "<Item><Enum>4</Enum><String>Offline</String></Item>"
     "<Item><Enum>5</Enum><String>Partially Optimal</String></Item>"
     "<Item><Enum>6</Enum><String>Foreign</String></Item>"
     "<Item><Enum>7</Enum><String>Importable foreign</String></Item>"
     "<Item><Enum>8</Enum><String>Not importable foreign</String></Item>"
     "<Item><Enum>11</Enum><String>Conflicted</String></Item>"
     "<Item><Enum>12</Enum><String>Plugin conflicted</String></Item>"
     "<Item><Enum>15</Enum><String>Functional and initialized</String></Item></VDStatus>"},
    {"PDStatus",
     "<PDStatus><Item><Enum>1</Enum><String>Free</String></Item>"
     "<Item><Enum>2</Enum><String>Assigned</String></Item>"
     "<Item><Enum>5</Enum><String>Global Spare (Free)</String></Item>"
     "<Item><Enum>6</Enum><String>Global Spare (Assigned)</String></Item>"
     "<Item><Enum>9</Enum><String>Offline (Free)</String></Item>"
     "<Item><Enum>10</Enum><String>Offline (Assigned)</String></Item>"
     "<Item><Enum>16</Enum><String>Smart Checking</String></Item>"
     "<Item><Enum>32</Enum><String>Media Patrol</String></Item>"
     "<Item><Enum>34</Enum><String>Media Patrol (Assigned)</String></Item>"
     "<Item><Enum>37</Enum><String>Media Patrol (Spared)</String></Item>"
     "<Item><Enum>96</Enum><String>Media Patrol (Dedicated Spare)</String></Item>"
     "<Item><Enum>65</Enum><String>Dedicated Spare (Free)</String></Item>"
     "<Item><Enum>66</Enum><String>Dedicated Spare (Assigned)</String></Item>"
     "<Item><Enum>96</Enum><String>Media Patrol (Dedicated Spare)</String></Item>"
     "<Item><Enum>97</Enum><String>Media Patrol (Dedicated Spare,Free)</String></Item>"
     "<Item><Enum>98</Enum><String>Media Patrol (Dedicated Spare,Assigned)</String></Item></PDStatus>"},
    {"FileType", "<FileType><Item><Enum>3</Enum><String>Firmware</String></Item></FileType>"},
    {"EvtClass",
     "<EvtClass><Item><Enum>0</Enum><String>Adapter</String></Item>"
     "<Item><Enum>1</Enum><String>VD</String></Item>"
     "<Item><Enum>2</Enum><String>HD</String></Item>"
     "<Item><Enum>10</Enum><String>Flash</String></Item>"
     "<Item><Enum>12</Enum><String>Misc</String></Item>"
     "<Item><Enum>13</Enum><String>Disk Array</String></Item>"
     "<Item><Enum>15</Enum><String>OEM</String></Item></EvtClass>"},
    {"EvtSeverity",
     "<EvtSeverity><Item><Enum>2</Enum><String>Info</String></Item>"
     "<Item><Enum>3</Enum><String>Warning</String></Item>"
     "<Item><Enum>6</Enum><String>Critical</String></Item></EvtSeverity>"},
    {"ScheduleType",
     "<ScheduleType><Item><Enum>0</Enum><String>Run Once</String></Item>"
     "<Item><Enum>1</Enum><String>Daily</String></Item>"
     "<Item><Enum>2</Enum><String>Weekly</String></Item>"
     "<Item><Enum>3</Enum><String>Monthly</String></Item></ScheduleType>"},
    {"Error",
     "<Error><Item><Enum>0</Enum><String>No error</String></Item>"
     "<Item><Enum>1</Enum><String>Failed</String></Item>"
     "<Item><Enum>4</Enum><String>Resource not available</String></Item>"
     "<Item><Enum>5</Enum><String>Data out of range</String></Item>"
     "<Item><Enum>6</Enum><String>Invalid request</String></Item>"
     "<Item><Enum>7</Enum><String>Invalid request parameter</String></Item>"
     "<Item><Enum>8</Enum><String>Invalid virtual disk id</String></Item>"
     "<Item><Enum>9</Enum><String>Invalid physical disk id</String></Item>"
     "<Item><Enum>10</Enum><String>Invalid expander id</String></Item>"
     "<Item><Enum>11</Enum><String>Invalid port multiplexer id</String></Item>"
     "<Item><Enum>12</Enum><String>Invalid block disk id</String></Item>"
     "<Item><Enum>13</Enum><String>Invalid adapter id</String></Item>"
     "<Item><Enum>14</Enum><String>Invalid RAID mode</String></Item>"
     "<Item><Enum>19</Enum><String>Not supported</String></Item>"
     "<Item><Enum>51</Enum><String>Target physical disk is part of the virtual disk and is functional</String></Item>"
     "<Item><Enum>31</Enum><String>Failed to pass command because target is busy</String></Item>"
     "<Item><Enum>52</Enum><String>Target size should no less than source</String></Item>"
     "<Item><Enum>53</Enum><String>Specified physical disk is not a spare drive</String></Item>"
     "<Item><Enum>54</Enum><String>Specified physical disk  is a spare driv</String></Item>"
     "<Item><Enum>55</Enum><String>Specified physical disk doesn't exist</String></Item>"
     "<Item><Enum>56</Enum><String>HD is assigned already</String></Item>"
     "<Item><Enum>57</Enum><String>Number of physical disks doesn't fit the specified RAID level</String></Item>"
     "<Item><Enum>58</Enum><String>Virtual disk is not ready to receive command</String></Item>"
     "<Item><Enum>59</Enum><String>Specified virtual disk doesn't exist</String></Item>"
     "<Item><Enum>60</Enum><String>Specified virtual disk is functional</String></Item>"
     "<Item><Enum>61</Enum><String>Virtual disk is currently having BGA</String></Item>"
     "<Item><Enum>62</Enum><String>Virtual disk has not BGA</String></Item>"
     "<Item><Enum>63</Enum><String>BGA is running</String></Item>"
     "<Item><Enum>64</Enum><String>Internal error, no virtual disk id available</String></Item>"
     "<Item><Enum>65</Enum><String>Can not create virtual disk with ATAPI drive</String></Item>"
     "<Item><Enum>66</Enum><String>Invalid RAID6 parity disk count</String></Item>"
     "<Item><Enum>67</Enum><String>Invalid block size</String></Item>"
     "<Item><Enum>68</Enum><String>Migration is not necessary</String></Item>"
     "<Item><Enum>69</Enum><String>Stripe block size mismatch</String></Item>"
     "<Item><Enum>70</Enum><String>Migration is not supported</String></Item>"
     "<Item><Enum>71</Enum><String>Virtual disk is not fully initialized</String></Item>"
     "<Item><Enum>72</Enum><String>Virtual disk name is invalid</String></Item>"
     "<Item><Enum>73</Enum><String>Physical disks are not of the same type</String></Item>"
     "<Item><Enum>74</Enum><String>Physical disks are not of the same block size</String></Item>"
     "<Item><Enum>81</Enum><String>Another array is currently doing migration. Only one migration is allowed at "
     "any time</String></Item>"
     "<Item><Enum>82</Enum><String>Array is currently having BGA</String></Item>"
     "<Item><Enum>88</Enum><String>Media Patrol is running</String></Item>"
     "<Item><Enum>151</Enum><String>Adapter id and device id doesn't match</String></Item>"
     "<Item><Enum>152</Enum><String>Invalid physical disk count</String></Item>"
     "<Item><Enum>153</Enum><String>Invalid BGA action</String></Item>"
     "<Item><Enum>154</Enum><String>Specified physical disks are on different adapter</String></Item>"
     "<Item><Enum>155</Enum><String>Invalid flash type</String></Item>"
     "<Item><Enum>156</Enum><String>Invalid flash action</String></Item>"
     "<Item><Enum>158</Enum><String>Virtual disk has running OS in it</String></Item>"
     "<Item><Enum>159</Enum><String>Disk has running OS in it</String></Item>"
     "<Item><Enum>181</Enum><String>Device is busy</String></Item>"
     "<Item><Enum>185</Enum><String>Invalid flash descriptor data</String></Item>"
     "<Item><Enum>188</Enum><String>Raid allows one media patrol only</String></Item>"
     "<Item><Enum>189</Enum><String>target spare disk is using</String></Item></Error>"},
    {"DeviceType",
     "<DeviceType><Item><Enum>0x00</Enum><String>DIRECT_ACCESS_BLOCK</String></Item>"
     "<Item><Enum>0x01</Enum><String>SEQ_ACCESS</String></Item>"
     "<Item><Enum>0x02</Enum><String>PRINTER</String></Item>"
     "<Item><Enum>0x03</Enum><String>PROCESSOR</String></Item>"
     "<Item><Enum>0x04</Enum><String>WRITE_ONCE</String></Item>"
     "<Item><Enum>0x05</Enum><String>CD_DVD</String></Item>"
     "<Item><Enum>0x07</Enum><String>OPTICAL_MEMORY</String></Item>"
     "<Item><Enum>0x08</Enum><String>MEDIA_CHANGER</String></Item>"
     "<Item><Enum>0x0C</Enum><String>STORAGE_ARRAY_CTRL</String></Item></DeviceType>"},
    {"PDFeature",
     "<PDFeature><Item><Enum>1</Enum><String>NCQ</String></Item>"
     "<Item><Enum>2</Enum><String>TCQ</String></Item>"
     "<Item><Enum>4</Enum><String>1.5G</String></Item>"
     "<Item><Enum>8</Enum><String>3G</String></Item>"
     "<Item><Enum>16</Enum><String>Write Cache</String></Item>"
     "<Item><Enum>32</Enum><String>48Bits</String></Item>"
     "<Item><Enum>64</Enum><String>SMART</String></Item>"
     "<Item><Enum>128</Enum><String>6G</String></Item>"
     "<Item><Enum>1024</Enum><String>12G</String></Item></PDFeature>"},
    {"RAID",
     "<RAID><Item><Enum>0</Enum><String>RAID 0</String></Item>"
     "<Item><Enum>1</Enum><String>RAID 1</String></Item>"
     "<Item><Enum>16</Enum><String>RAID 10</String></Item>"
     "<Item><Enum>17</Enum><String>RAID 1E</String></Item>"
     "<Item><Enum>5</Enum><String>RAID 5</String></Item>"
     "<Item><Enum>6</Enum><String>RAID 6</String></Item>"
     "<Item><Enum>80</Enum><String>RAID 50</String></Item>"
     "<Item><Enum>96</Enum><String>RAID 60</String></Item></RAID>"},
    {"StripeSize",
     "<StripeSize><Item><Enum>16</Enum><String>16 K</String></Item>"
     "<Item><Enum>32</Enum><String>32 K</String></Item>"
     "<Item default= 'true'><Enum>64</Enum><String>64 K</String></Item>"
     "<Item><Enum>128</Enum><String>128 K</String></Item>"
     "<Item><Enum>256</Enum><String>256 K</String></Item>"
     "<Item><Enum>512</Enum><String>512 K</String></Item>"
     "<Item><Enum>1024</Enum><String>1024 K</String></Item></StripeSize>"},
    {"OEMType",
     "<OEMType><Item><Enum>2</Enum><String>RAID Status</String></Item>"
     "<Item><Enum>3</Enum><String>Drive Status</String></Item>"
     "<Item><Enum>6</Enum><String>Fan Status</String></Item>"
     "<Item><Enum>8</Enum><String>User Request</String></Item>"
     "<Item><Enum>9</Enum><String>NXP Version</String></Item>"
     "<Item><Enum>12</Enum><String>Buzzer Status</String></Item>"
     "<Item><Enum>13</Enum><String>Buzzer Ringing</String></Item></OEMType>"},
    {"OEMValue",
     "<OEMValue><Item><Enum>0</Enum><String>User Req Low Power</String></Item>"
     "<Item><Enum>1</Enum><String>User Req Buzz Off</String></Item>"
     "<Item><Enum>2</Enum><String>User Req Identify</String></Item>"
     "<Item><Enum>10</Enum><String>User Req Alarm</String></Item></OEMValue>"},
    {"AdapterLinkType",
     "<AdapterLinkType><Item><Enum>0</Enum><String>TB</String></Item>"
     "<Item><Enum>1</Enum><String>USB</String></Item></AdapterLinkType>"},
    {"ScheduleStatus",
     "<ScheduleStatus><Item><Enum>0</Enum><String>notstart</String></Item>"
     "<Item><Enum>2</Enum><String>run</String></Item></ScheduleStatus>"},
    {"RoundingScheme",
     "<RoundingScheme><Item><Enum>0</Enum><String>none</String></Item>"
     "<Item><Enum>1</Enum><String>1G</String></Item>"
     "<Item><Enum>2</Enum><String>10G</String></Item></RoundingScheme>"},
};

}  // namespace

TEST(Ranges, EveryTableByteForByte) {
    ASSERT_EQ(24u, kExpected.size());
    const Ranges ranges;
    for (const auto& table : kExpected) {
        const char* text = ranges.getData(table.first);
        ASSERT_NE(nullptr, text) << table.first;
        EXPECT_EQ(table.second, text) << table.first;
    }
}

TEST(Ranges, UnknownNamesAnswerNotFound) {
    const Ranges ranges;
    for (const char* name : {"raid", "", "RAID ", "RAI"}) EXPECT_STREQ("<NotFound/>", ranges.getData(name)) << name;
    // The texts are shared constants: two dispatchers see the same memory.
    const Ranges other;
    EXPECT_EQ(ranges.getData("RAID"), other.getData("RAID"));
}
