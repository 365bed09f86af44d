// vyProbeVol's /m: requested names that are disk names of this host become
// the volumes' serials.
#include <string_view>

#include "core/state.h"
#include "volumes/volumes.h"

namespace {

// Only the letters a to z fold: a disk name is ASCII, and no locale decides
// which other bytes count as the same.
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

}  // namespace

void ResolveVolumes(const HostVolumeTable& host) {
    if (!g.mapFlag) {
        for (int i = 0; i < g.volumeCount; ++i) g.resolvedVolumes[i].assign(g.requestedVolumes[i].view());
        return;
    }
    for (int i = 0; i < g.volumeCount && g.requestedVolumes[i].given(); ++i) {
        g.resolvedVolumes[i].assign(Resolve(host, g.requestedVolumes[i].view()));
    }
}

int MapVolumes(Discovery& found, DriveAccess& drives) {
    if (g.mapFlag) FindHostVolumes(found, drives);
    ResolveVolumes(found.table);
    return 0;
}
