// vySeedHost: tells the server's client which volumes this host sees,
// through a volume file that the class reads while it runs. The file and
// its folder are removed when the class has ended, whatever its status.
#include <string>

#include "core/launcher.h"
#include "volumes/volumes.h"

int main(int argc, char** argv) {
    InitGlobals();
    g.programType = kVySeedHost;

    Discovery hostVolumes;
    std::string volumeFolder;  // the folder of the run's own that holds the volume file
    int result = InitParameter(argc, argv);
    if (result == 0) result = SetCLIEnv();
    if (result == 0) result = GetPwd();
    if (result == 0) result = CheckServer();
    if (result == 0) result = WriteVolumeFile(hostVolumes, &volumeFolder);
    if (result != 0) return result;

    result = ExecuteJava();
    RemoveVolumeFile(&volumeFolder);
    return result;
}
