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

// The report's file and the tool's error file, in a folder of their own,
// made for the run (RunFolderPath).
struct ReportFiles {
    std::string folder;
    std::string report;
    std::string errors;
};

// A fresh path for a folder of the run's own, beside the current directory
// given (platform::RunFolderParent says where): false when no folder is
// such that no other user can swap what is in it, or no name is free.
bool RunFolderPath(const std::string& directory, std::string* folder);

// The run's folder and two fresh names in it for the report and error
// files. Returns 0; 30 with a message when the current directory cannot be
// read (or is longer than 259 characters) or no folder can be had for them.
int NameReportFiles(ReportFiles* files);

// Fills the table with the host's volumes and, when print is set, prints
// them: the report's heading and its listed devices' rows, or the
// inquiry's list (PrintVolumeList), or "No 7315 volumes found". Returns 0
// when at least one volume was found, 18 when none was, 30 when the report
// cannot be read or the folder's or a file's name is taken. When the report
// cannot be had, the drives are asked instead.
//
// The run's folder is made new and owner-only, the report and error files
// new and owner-only in it; the tool's command then writes into them
// through the command interpreter. Discovery removes the files and the
// folder again before it returns, whatever the outcome; an interrupt that
// ends the program meanwhile removes them too.
int DiscoverVolumes(bool print, const ReportFiles& files, HostVolumeTable& table,
                    DriveAccess& drives = SystemDrives());

// The whole file, read in text mode. False when it cannot be opened or
// read (a folder in its place, say): a report read in part must not pass
// for the whole.
bool ReadReportFile(const char* path, std::string* text);

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

// vySeedHost's volume file: a fresh file in a folder of the run's own
// (RunFolderPath beside directory, the current directory), both made new
// and owner-only, so that no other user can read the file or put another in
// its place before the class reads it; its path is put into the volume file
// path of the invocation state and the folder's into *folder. With debug,
// "volumeFileName <path>", each line and "Loop done!" are printed. Returns
// 0; 14 with "Failed to open file <path>" when the folder or the file
// cannot be made or a write fails, whatever was made removed again.
int CreateVolumeFile(const std::string& directory, const HostVolumeTable& table, std::string* folder);

// Removes the volume file and its folder (when *folder names one; it is
// emptied), and with them their removal on an interrupt.
void RemoveVolumeFile(std::string* folder);

// vyProbeVol's volume list file, open for reading: each line holds none, one
// or two white-space-separated names, appended in file order to the
// requested volumes (the volume count grows by one for each). A line is read
// in pieces of at most 501 characters. Returns 0; 16 with a message at a
// line of three or more names; 12 with a message at a name over 49
// characters or the 257th name. What was added before the failure stays.
// Messages name the volume list file of the invocation state.
int ReadVolumeList(std::FILE* file);

#endif
