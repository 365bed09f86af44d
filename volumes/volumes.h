// Host volume discovery: the storage server's volumes that this host sees,
// each as the host's disk name and the volume's serial.
//
// The first source is the multipath driver's report ("lanectl query
// device"); when that tool cannot run, every physical drive is asked
// directly (inquiry.h).
#ifndef VY_VOLUMES_VOLUMES_H
#define VY_VOLUMES_VOLUMES_H

#include <cstdio>
#include <string_view>

#include "core/text.h"
#include "volumes/inquiry.h"

constexpr int kHostVolumeEntries = 100;

struct HostVolume {
    bool inUse = false;  // the entry is filled
    Text<19> diskName;
    Text<10> serial;
};

// The filled entries are always the first ones: readers walk from the first
// entry and stop at the first one not in use. AddHostVolume keeps the count
// and the entries in use in step.
struct HostVolumeTable {
    HostVolume entries[kHostVolumeEntries];
    unsigned count = 0;
};

// The host's volumes of this run, filled by DiscoverVolumes.
extern HostVolumeTable hostVolumes;

// Empties every entry and sets the count to 0.
void ClearHostVolumes(HostVolumeTable& table);
// Fills the next entry; false, with nothing changed, when the table is full.
bool AddHostVolume(HostVolumeTable& table, std::string_view diskName, std::string_view serial);

// Fills the table with the host's volumes and, when print is set, prints
// them. Returns 0 when at least one volume was found, 18 when none was, 30
// when the current directory cannot be read or the report cannot be opened.
// When the report cannot be had, the drives are asked instead.
int DiscoverVolumes(bool print, HostVolumeTable& table, DriveAccess& drives = SystemDrives());

// The result of the discovery, decided from the discovered volumes: 0 when
// the table holds one, else 18. With print set it prints the list of the
// inquiry's volumes, or nothing more when the report's rows are out already
// (rowsPrinted), or "No 7315 volumes found".
int PrintVolumeList(const HostVolumeTable& table, bool print, bool rowsPrinted);

// Reads the multipath driver's device report, as text read in text mode:
// records its devices in the table and, when print is set, prints one row
// per listed device. The heading is the caller's.
void ParseReport(std::string_view report, HostVolumeTable& table, bool print);

// Writes one line per host volume in use, in table order: "-l ", the disk
// name, " -r ", the serial and one blank, then a line end; with debug each
// line is printed as well. False when any write fails.
bool WriteVolumeLines(std::FILE* file, const HostVolumeTable& table);

// vyProbeVol's volume list file, open for reading: each line holds none, one
// or two white-space-separated names, appended in file order to the
// requested volumes (the volume count grows by one for each). A line is read
// in pieces of at most 501 characters. Returns 0; 16 with a message at a
// line of three or more names; 12 with a message at a name over 49
// characters or the 257th name. What was added before the failure stays.
// Messages name the volume list file of the invocation state.
int ReadVolumeList(std::FILE* file);

#endif
