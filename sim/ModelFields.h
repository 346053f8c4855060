// Named numeric properties of adapters and disks, shared by the control
// interface (zdsim_set_adapter_value, zdsim_set_disk_value) and the state
// file, so that both use the same names.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/AdapterModel.h"

struct AdapterField {
    const char* name;
    uint64_t (*get)(const AdapterModel&);
    void (*set)(AdapterModel&, uint64_t);
};

struct DiskField {
    const char* name;
    uint64_t (*get)(const Disk&);
    void (*set)(Disk&, uint64_t);
};

const std::vector<AdapterField>& adapterFields();
const std::vector<DiskField>& diskFields();
const AdapterField* findAdapterField(const char* name);
const DiskField* findDiskField(const char* name);
