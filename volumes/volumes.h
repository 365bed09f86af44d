// Host volume discovery: the storage server's volumes that this host sees,
// each as the host's disk name and the volume's serial.
//
// The first source is the multipath driver's report ("lanectl query
// device"); when that tool cannot run, every physical drive is asked
// directly (inquiry.h). Discovery returns what it found and prints none of
// it; vyShowLuns lists it (ListVolumes), vyProbeVol and vySeedHost use the
// table.
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

// Where discovery found the host's volumes: the multipath driver's report,
// kept as its text so that the listing can read the listed devices' rows
// from it again, or the drive inquiry.
enum class VolumeSource { kReport, kInquiry };

// What discovery returns: the host volume table and where it came from. A
// local of the entry point, passed down.
struct Discovery {
    HostVolumeTable table;
    VolumeSource source = VolumeSource::kInquiry;
    std::string report;  // the report's text, with kReport; else empty
};

// Fills found with the host's volumes, printing nothing of them (only the
// debug trace of the commands it runs). Returns 0, whether volumes were
// found or not; 30 with a message when the report cannot be read or the
// folder's or a file's name is taken, the table then empty. When the report
// cannot be had, the drives are asked instead.
//
// The run's folder is made new and owner-only, the report and error files
// new and owner-only in it; the tool's command then writes into them
// through the command interpreter. Discovery removes the files and the
// folder again before it returns, whatever the outcome; an interrupt that
// ends the program meanwhile removes them too.
int DiscoverVolumes(const ReportFiles& files, Discovery& found, DriveAccess& drives = SystemDrives());

// The whole file, read in text mode. False when it cannot be opened or
// read (a folder in its place, say): a report read in part must not pass
// for the whole.
bool ReadReportFile(const char* path, std::string* text);

// Adds every device of the multipath driver's report, as text read in text
// mode, to the table (a device beyond its room is left out).
void TakeReport(std::string_view report, HostVolumeTable& table);

// With debug, the table: "TotalDrives = <count>", then "<disk> - <serial> =
// 1" for each entry. Nothing without debug.
void TraceHostVolumes(const HostVolumeTable& table);

// Discovery for a program that uses the table and lists nothing
// (vyProbeVol /m, vySeedHost): the report files named, the volumes
// discovered into found and, with debug, traced. Its outcome does not
// matter to them: when the names cannot be had or discovery fails (its
// message printed), found's table stays empty.
void FindHostVolumes(Discovery& found, DriveAccess& drives = SystemDrives());

// vyShowLuns's listing of what discovery found: from the report, its
// heading and one row per listed device (a device beyond the table's room
// too); then the debug trace (TraceHostVolumes); then "No 7315 volumes
// found" when the table is empty, else, from the inquiry, its list
// (PrintVolumeList). Quiet prints nothing but the debug trace. Returns 0
// when the table holds a volume, 18 when it holds none.
int ListVolumes(const Discovery& found, bool quiet);

// The report's rows: one per listed device, in report order, the disk name
// padded to nine columns, the serial and the paths' names, eight a line.
// The heading is the caller's.
void PrintReportRows(std::string_view report);

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

// vySeedHost's step before its class: discovery into found (with its debug
// trace; without volumes, or when discovery fails, the file is written
// empty), then the volume file beside the current directory
// (CreateVolumeFile), its folder's path into *folder. Returns 0; 13 with
// "Failed to get CDW" when the current directory cannot be read; else what
// CreateVolumeFile gives.
int WriteVolumeFile(Discovery& found, std::string* folder, DriveAccess& drives = SystemDrives());

// vyProbeVol's volume list file, open for reading: each line holds none, one
// or two white-space-separated names, appended in file order to the
// requested volumes (the volume count grows by one for each). A line is read
// in pieces of at most 501 characters. Returns 0; 16 with a message at a
// line of three or more names; 12 with a message at a name over 49
// characters or the 257th name. What was added before the failure stays.
// Messages name the volume list file of the invocation state.
int ReadVolumeList(std::FILE* file);

// vyProbeVol's steps, in the order it takes them (CheckVolumeRoom, in
// core/launcher.h, between the list file and /m).
//
// 10 with "Missing parameters" when neither a volume nor a volume list file
// is given; else 0.
int CheckVolumesGiven();
// The volume list file of the invocation state, when one is given, read
// with ReadVolumeList: 17 when it cannot be opened or read (a folder, say),
// 18 when it names no volume, else what ReadVolumeList gives. 0 without a
// file.
int ReadVolumeListFile();
// Without /m, the resolved volumes are the requested ones. With /m,
// discovery fills found, with its debug trace (its outcome does not matter:
// without volumes every name passes as it is), and ResolveVolumes maps the
// names. Returns 0.
int MapVolumes(Discovery& found, DriveAccess& drives = SystemDrives());
// The resolved volumes from the requested ones: without /m each as it is;
// with /m a name equal to a disk name of host, ignoring the case of the
// letters a to z alone, becomes that volume's serial, any other passes
// whole, and resolution stops at the first empty name.
void ResolveVolumes(const HostVolumeTable& host);

#endif
