// The host volume table's two changes: emptying it and adding an entry.
#include "volumes/host_volumes.h"

void ClearHostVolumes(HostVolumeTable& table) {
    for (unsigned i = 0; i < table.count; ++i) {
        table.entries[i].diskName.clear();
        table.entries[i].serial.clear();
    }
    table.count = 0;
}

bool AddHostVolume(HostVolumeTable& table, std::string_view diskName, std::string_view serial) {
    if (table.count >= static_cast<unsigned>(kHostVolumeEntries)) return false;
    HostVolume& entry = table.entries[table.count];
    if (!entry.diskName.assign(diskName)) return false;
    if (!entry.serial.assign(serial)) {
        entry.diskName.clear();
        return false;
    }
    ++table.count;
    return true;
}
