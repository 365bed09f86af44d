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
    unsigned char inUse = 0;  // 1 when the entry is filled
    Text<19> diskName;
    Text<10> serial;
};

// The filled entries are always the first ones: readers walk from the first
// entry and stop at the first one not in use.
struct HostVolumeTable {
    HostVolume entries[kHostVolumeEntries];
    unsigned count = 0;
};

// Filled once per run by DiscoverVolumes; read by the programs that need the
// host's volumes.
extern HostVolumeTable hostVolumes;

// Empties every entry and sets the count to 0.
void ClearHostVolumes(HostVolumeTable& table);

// Fills hostVolumes and, unless the quiet flag is set, prints the volume
// list. Returns 0 when at least one volume was found, 18 when none was, 30
// when the current directory cannot be read or the report cannot be opened.
// The second form asks the given drives instead of the system's when the
// report cannot be had.
int DiscoverVolumes();
int DiscoverVolumes(DriveAccess& drives);

// The result of the discovery, decided from hostVolumes; prints the list of
// the inquiry's volumes (reportUsed 0), or nothing more when the report's
// rows are already out (reportUsed 1), or "No 7315 volumes found".
int PrintVolumeList(int reportUsed);

// Reads the multipath driver's device report, as text read in text mode:
// records its devices in the table and, unless the quiet flag is set, prints
// one row per listed device. The heading is the caller's.
void ParseReport(std::string_view report, HostVolumeTable& table);

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
