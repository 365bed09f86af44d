// The host volume table: the storage server's volumes that this host sees,
// each as the host's disk name and the volume's serial, in the order found.
#ifndef VY_VOLUMES_HOST_VOLUMES_H
#define VY_VOLUMES_HOST_VOLUMES_H

#include <string_view>

#include "core/text.h"

constexpr int kHostVolumeEntries = 100;

struct HostVolume {
    Text<19> diskName;
    Text<10> serial;
};

// The filled entries are the first `count` ones, and only those: every
// entry from the count on is empty. AddHostVolume and ClearHostVolumes keep
// it so; readers walk entries[0..count).
struct HostVolumeTable {
    HostVolume entries[kHostVolumeEntries];
    unsigned count = 0;
};

// Empties every filled entry and sets the count to 0.
void ClearHostVolumes(HostVolumeTable& table);
// Fills the next entry; false, with nothing changed, when the table is full
// or a value does not fit its field.
bool AddHostVolume(HostVolumeTable& table, std::string_view diskName, std::string_view serial);

#endif
