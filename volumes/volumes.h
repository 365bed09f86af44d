// Host volume discovery: the storage server's volumes that this host sees,
// each as the host's disk name and the volume's serial.
//
// The first source is the multipath driver's report ("lanectl query
// device"); when that tool cannot run, every physical drive is asked
// directly (inquiry.h).
#ifndef VY_VOLUMES_VOLUMES_H
#define VY_VOLUMES_VOLUMES_H

#include <cstdio>
#include <string>
#include <string_view>

#include "volumes/host_volumes.h"
#include "volumes/inquiry.h"

// The paths of the report's file and of the tool's error file.
struct ReportFiles {
    std::string report;
    std::string errors;
};

// Two fresh names in the current directory for the report and error files.
// Returns 0; 30 with a message when the current directory cannot be read
// (or is longer than 259 characters) or no free name is left.
int NameReportFiles(ReportFiles* files);

// Fills the table with the host's volumes and, when print is set, prints
// them: the report's heading and its listed devices' rows, or the
// inquiry's list (PrintVolumeList), or "No 7315 volumes found". Returns 0
// when at least one volume was found, 18 when none was, 30 when the report
// cannot be opened or a report or error file name is taken. When the report
// cannot be had, the drives are asked instead.
//
// The report and error files are created new and owner-only, then written
// by the tool's command through the command interpreter; discovery removes
// them again before it returns.
int DiscoverVolumes(bool print, const ReportFiles& files, HostVolumeTable& table,
                    DriveAccess& drives = SystemDrives());

// Adds every device of the multipath driver's report, as text read in text
// mode, to the table (a device beyond its room is still listed) and, when
// print is set, prints one row per listed device. The heading is the
// caller's.
void TakeReport(std::string_view report, HostVolumeTable& table, bool print);

// The inquiry's list of the table's volumes, each disk name padded to 16
// columns, under its two heading lines.
void PrintVolumeList(const HostVolumeTable& table);

// Writes one line per host volume, in table order: "-l ", the disk
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
