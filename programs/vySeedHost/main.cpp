// vySeedHost: tells the server's client which volumes this host sees,
// through a volume file that the class reads while it runs. The file is
// removed when the class has ended, whatever its status.
#include <cstdio>
#include <string>

#include "core/files.h"
#include "core/launcher.h"
#include "platform/platform.h"
#include "volumes/volumes.h"

namespace {

// Removes the volume file, and with it the need to remove it on an
// interrupt.
void DiscardVolumeFile() {
    const char* path = g.volumeFilePath.c_str();
    RemoveIfPresent(path);
    platform::ForgetOnInterrupt(path);
}

// One line per host volume: "-l <disk> -r <serial> ". Every write and the
// close are checked: a list cut short by a full disk must never reach the
// server as if it were complete.
int WriteVolumeFile(HostVolumeTable& hostVolumes) {
    // Without volumes the file is written empty.
    ReportFiles files;
    if (NameReportFiles(&files) == 0) DiscoverVolumes(false, files, hostVolumes);

    std::string directory;
    if (!ReadCurrentDirectory(&directory)) {
        Print("%s: Failed to get CDW\n", ProgramName());
        return kExitNoCurrentDir;
    }
    std::string name;
    if (!platform::FreshTempName(&name) || !g.volumeFilePath.assign(directory + name)) {
        Print("%s: Failed to open file %s\n", ProgramName(), (directory + name).c_str());
        return kExitVolumeFile;
    }
    const char* path = g.volumeFilePath.c_str();
    if (g.debug) Print("volumeFileName %s\n", path);

    // Created new: a file that appeared under this name in the meantime is
    // neither replaced nor followed.
    FILE* file = platform::CreateNewTextFile(path);
    if (file == nullptr) {
        Print("%s: Failed to open file %s\n", ProgramName(), path);
        return kExitVolumeFile;
    }
    // From here until it is removed, an interrupt (a second Ctrl-C as the
    // class ends, say) must not leave the file behind.
    platform::RemoveOnInterrupt(path);
    bool written = WriteVolumeLines(file, hostVolumes);
    written = std::fclose(file) == 0 && written;
    if (!written) {
        Print("%s: Failed to open file %s\n", ProgramName(), path);
        DiscardVolumeFile();
        return kExitVolumeFile;
    }
    if (g.debug) Print("Loop done!\n");
    return 0;
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
    DiscardVolumeFile();
    return result;
}
