// vyProbeVol: asks the server's client about volumes named with /q or in a
// volume list file (/f). With /m, names that are disk names of this host
// are replaced by the volumes' serials first.
#include <cstdio>
#include <string_view>

#include "core/launcher.h"
#include "volumes/volumes.h"

namespace {

int ReportNoVolumeList() {
    Print("vyProbeVol: Volume list file %s does not exist\n", g.volumeListFile.c_str());
    return kExitNoVolumeList;
}

// The volume list file named with /f: 17 when it cannot be opened or read,
// 18 when it names no volume, else what reading it gave.
int ReadVolumeListFile() {
    FILE* file = std::fopen(g.volumeListFile.c_str(), "r");
    if (file == nullptr) return ReportNoVolumeList();
    int result = ReadVolumeList(file);
    // A file that opens but cannot be read (a folder, on POSIX) must not
    // pass for an empty list, nor its names read so far for the whole list.
    if (result == 0 && std::ferror(file)) result = ReportNoVolumeList();
    std::fclose(file);
    if (result == 0 && g.volumeCount == 0) {
        Print("vyProbeVol: No volumes specified in the given file\n");
        result = kExitNoVolumes;
    }
    return result;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// The serial of the host disk of that name, or the name itself. A name
// longer than any disk name can be never matches and is passed on whole.
std::string_view Resolve(const HostVolumeTable& host, std::string_view name) {
    for (unsigned i = 0; i < host.count; ++i) {
        const HostVolume& v = host.entries[i];
        if (SameIgnoringCase(v.diskName.view(), name)) return v.serial.view();
    }
    return name;
}

int QueryVolumes(HostVolumeTable& hostVolumes) {
    if (g.volumeCount == 0 && !g.volumeListFile.given()) {
        Print("vyProbeVol: Missing parameters\n");
        return kExitMissingArgument;
    }
    if (g.volumeListFile.given()) {
        int result = ReadVolumeListFile();
        if (result != 0) return result;
    }
    int result = CheckVolumeRoom();
    if (result != 0) return result;

    if (!g.mapFlag) {
        for (int i = 0; i < g.volumeCount; ++i) g.resolvedVolumes[i].assign(g.requestedVolumes[i].view());
        return 0;
    }
    // Discovery's result does not matter here: without volumes every name
    // is passed on as it is.
    ReportFiles files;
    if (NameReportFiles(&files) == 0) DiscoverVolumes(false, files, hostVolumes);
    for (int i = 0; i < g.volumeCount && g.requestedVolumes[i].given(); ++i) {
        g.resolvedVolumes[i].assign(Resolve(hostVolumes, g.requestedVolumes[i].view()));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    InitGlobals();
    g.programType = kVyProbeVol;

    HostVolumeTable hostVolumes;
    int result = InitParameter(argc, argv);
    if (result == 0) result = SetCLIEnv();
    if (result == 0) result = GetPwd();
    if (result == 0) result = CheckServer();
    if (result == 0) result = QueryVolumes(hostVolumes);
    if (result == 0) result = ExecuteJava();
    return result;
}
