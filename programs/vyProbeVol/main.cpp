// vyProbeVol: asks the server's client about volumes named with /q or in a
// volume list file (/f). With /m, names that are disk names of this host
// are replaced by the volumes' serials first.
#include "core/launcher.h"
#include "volumes/volumes.h"

int main(int argc, char** argv) {
    InitGlobals();
    g.programType = kVyProbeVol;

    Discovery hostVolumes;
    int result = InitParameter(argc, argv);
    if (result == 0) result = SetCLIEnv();
    if (result == 0) result = GetPwd();
    if (result == 0) result = CheckServer();
    if (result == 0) result = CheckVolumesGiven();
    if (result == 0) result = ReadVolumeListFile();
    if (result == 0) result = CheckVolumeRoom();
    if (result == 0) result = MapVolumes(hostVolumes);
    if (result == 0) result = ExecuteJava();
    return result;
}
