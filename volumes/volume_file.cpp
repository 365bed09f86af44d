// The lines of the volume file that vySeedHost hands to its class.
#include <cstdio>
#include <string>

#include "core/state.h"
#include "volumes/volumes.h"

bool WriteVolumeLines(std::FILE* file, const HostVolumeTable& table) {
    for (unsigned i = 0; i < table.count; ++i) {
        const HostVolume& v = table.entries[i];
        std::string line = "-l " + std::string(v.diskName.view()) + " -r " + std::string(v.serial.view()) + " ";
        if (std::fprintf(file, "%s\n", line.c_str()) < 0) return false;
        if (g.debug) Print("%s\n", line.c_str());
    }
    // Data still buffered must reach the file too: a full disk shows here.
    return std::fflush(file) == 0;
}
