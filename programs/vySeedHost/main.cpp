// vySeedHost: tells the server's client which volumes this host sees,
// through a volume file that the class reads while it runs. The file and
// its folder are removed when the class has ended, whatever its status.
#include <cstdio>
#include <string>

#include "core/files.h"
#include "core/launcher.h"
#include "volumes/volumes.h"

namespace {

// The folder of the run's own that holds the volume file, once it is made.
std::string volumeFolder;

int WriteVolumeFile(HostVolumeTable& hostVolumes) {
    // Without volumes the file is written empty.
    ReportFiles files;
    if (NameReportFiles(&files) == 0) DiscoverVolumes(false, files, hostVolumes);

    std::string directory;
    if (!ReadCurrentDirectory(&directory)) {
        Print("%s: Failed to get CDW\n", ProgramName());
        return kExitNoCurrentDir;
    }
    return CreateVolumeFile(directory, hostVolumes, &volumeFolder);
}

}  // namespace

int main(int argc, char** argv) {
    InitGlobals();
    g.programType = kVySeedHost;

    HostVolumeTable hostVolumes;
    int result = InitParameter(argc, argv);
    if (result == 0) result = SetCLIEnv();
    if (result == 0) result = GetPwd();
    if (result == 0) result = CheckServer();
    if (result == 0) result = WriteVolumeFile(hostVolumes);
    if (result != 0) return result;

    result = ExecuteJava();
    RemoveVolumeFile(&volumeFolder);
    return result;
}
