// "MigratePackageVD": migrates the package VD whose disk group id is the key
// to another RAID level ("RAID", "ParityNumber") or set of disks ("Disks").
//
// replacePara checks the level and that its rank does not fall below the
// disk group's (14 "Invalid RAID mode") and copies the disk group's stripe
// size, block size and raid_aux into the sticky migration record; run()
// checks that the disk count fits the level (57) and starts the migration.
// A disk list longer than the record's 192 ids is refused with 7.
#pragma once

#include "api/records/Records.h"
#include "command/Command.h"

class MigratePackageVD : public Command<_CreateOrModify_DG_Param> {
public:
    MigratePackageVD();
    ~MigratePackageVD() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;

private:
    // Disk count, level and parity count of the request, for the rules.
    _Migrate_DG_Param m_migrate{};
};
