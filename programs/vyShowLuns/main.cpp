// vyShowLuns: lists the storage server's volumes that this host sees. With
// "-z" it prints nothing and answers only through its exit status: 0 when a
// volume is there, 18 when none is.
#include "core/launcher.h"
#include "volumes/volumes.h"

int main(int argc, char** argv) {
    InitGlobals();
    g.programType = kVyShowLuns;

    // No Java is started, so only PATH is set: it leads the command
    // interpreter to the multipath driver's tool.
    Discovery hostVolumes;
    ReportFiles files;
    int result = InitParameter(argc, argv);
    if (result == 0) result = SetPathEnv();
    if (result == 0) result = NameReportFiles(&files);
    if (result == 0) result = DiscoverVolumes(files, hostVolumes);
    if (result == 0) result = ListVolumes(hostVolumes, g.quietFlag);
    return result;
}
