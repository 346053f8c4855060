// Creation, deletion, settings, rebuild and migration of the disk groups and
// virtual disks of one adapter: the work behind ZD_CreateOrModify_DG,
// ZD_CreateOrModify_VD, ZD_Create_PackageVD, ZD_LD_Delete, ZD_DG_Delete,
// ZD_DG_SetConfig, ZD_LD_SetConfig, ZD_LD_DG_StartRebuild and
// ZD_DG_StartMigration. Every request is checked whole before anything
// changes, so a refused request leaves the adapter as it was. Answers are the
// controller's status codes (0 = success).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "api/records/Records.h"
#include "sim/AdapterModel.h"

class ArrayOperations {
public:
    explicit ArrayOperations(AdapterModel& adapter) : m_adapter(adapter) {}

    // mode 0 creates (writes the new dg_id and size), 1 only computes size.
    uint8_t createGroup(_CreateOrModify_DG_Param& param, uint8_t mode);
    // Creates a virtual disk on an existing group; writes the new ld_id.
    uint8_t createVd(_CreateOrModify_VD_Param& param);
    // Group and virtual disk in one call (AdvancedFeatures2 bit 1).
    uint8_t createPackage(_Create_PackageVD_Param& param);
    uint8_t deleteVd(uint16_t vdId);
    uint8_t deleteGroup(uint16_t groupId);
    uint8_t setGroupConfig(uint16_t groupId, const _DG_CONFIG& config);
    uint8_t setVdConfig(uint16_t vdId, const _LD_Config& config);
    uint8_t startRebuild(const _Rebuild_Param& param);
    uint8_t startMigration(const _CreateOrModify_DG_Param& param);

    // Rounding schemes of virtual disk sizes: 1 = 1 GB, 2 = 10 GB steps.
    static uint64_t roundSize(uint64_t sectors, uint8_t scheme);
    static bool validName(const std::string& name);

private:
    struct GroupPlan {
        uint8_t level = 0;
        uint8_t parity = 0;
        uint16_t stripe = 64;
        uint32_t blockSize = 512;
        uint64_t capacity = 0;
        std::vector<uint16_t> members;
    };
    struct VdPlan {
        std::string name;
        uint64_t size = 0;
        uint16_t stripe = 64;
        uint8_t initType = 0;
    };

    uint8_t planGroup(const _CreateOrModify_DG_Param& param, bool strict, GroupPlan& plan) const;
    uint8_t planVd(const _CreateOrModify_VD_Param& param, const GroupPlan& group, uint64_t freeSpace,
                   size_t vdCount, VdPlan& plan) const;
    uint8_t checkDisks(const uint16_t* ids, unsigned count, uint16_t ownGroup, bool strict,
                       std::vector<uint16_t>& out, uint32_t& blockSize) const;
    uint16_t addGroup(const GroupPlan& plan, const std::string& name, uint8_t raidAux);
    uint16_t addVd(uint16_t groupId, const VdPlan& plan);

    AdapterModel& m_adapter;
};
