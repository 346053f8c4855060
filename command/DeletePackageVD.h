// "DeletePackageVD": deletes the package VD whose disk group id is the key.
//
// run() stops a running background activity of the disk group and of its
// virtual disk, deletes the first virtual disk that the controller accepts
// to delete ("DeleteMBR", default 1, is passed on), then the disk group.
// When the controller refuses the disk group with 76, the metadata of every
// member disk and then every spare is wiped; the result is 0 when the last
// wipe succeeded, else 181. A USB adapter is rescanned afterwards. Result 8
// when the disk group is not found or refuses to stop its activity.
#pragma once

#include "api/records/Records.h"
#include "command/Command.h"

class APIVDStatusData;

class DeletePackageVD : public Command<unsigned short> {
public:
    DeletePackageVD();
    ~DeletePackageVD() override = default;

    void prepare(unsigned char adapterId) override;
    void replacePara(StructMiddle* para) override;
    void run() override;

private:
    void stopActivities(const _DG_Info& group, APIVDStatusData& statuses);
    void deleteGroup(const _DG_Info& group);
    void wipeDisks(const _DG_Info& group);

    uint8_t m_deleteMBR = 1;
};
