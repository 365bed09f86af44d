// DiscoverVolumes: the host's volumes from the multipath driver's report, or
// from the drive inquiry when the report cannot be had; PrintVolumeList: the
// result and, for the inquiry, the list of the volumes found.
#include <cstdio>
#include <string>

#include "core/files.h"
#include "core/launcher.h"
#include "platform/platform.h"
#include "volumes/volumes.h"

HostVolumeTable hostVolumes;

namespace {

constexpr std::size_t kListNameWidth = 16;  // the disk name column of the inquiry's list

int CouldNotOpenReport() {
    Print("%s: vyShowLuns could not open file %s\n", ProgramName(), g.reportFileName.c_str());
    return kExitDiscovery;
}

// "<command> <report> <errors>" with both paths quoted, so that a blank in
// the current directory cannot split them. False when it does not fit,
// which a directory of at most 259 characters rules out.
bool Compose(Text<4096>& command, const char* head, const char* between) {
    return command.assign(head) && command.append(platform::InterpreterWord(g.reportFileName.view())) &&
           command.append(between) && command.append(platform::InterpreterWord(g.errorFileName.view()));
}

// The whole file, read in text mode as the report was written. False when
// it cannot be opened or read: a report read in part must not pass for the
// whole.
bool ReadTextFile(const char* path, std::string* text) {
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) return false;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text->append(buffer, n);
    const bool read = !std::ferror(file);
    std::fclose(file);
    return read;
}

// The report and error files, from the report command until discovery is
// done: an interrupt that ends the program meanwhile (a second Ctrl-C as
// the tool ends, say) removes them first.
class RemovedOnInterrupt {
public:
    RemovedOnInterrupt() {
        platform::RemoveOnInterrupt(g.reportFileName.c_str());
        platform::RemoveOnInterrupt(g.errorFileName.c_str());
    }
    ~RemovedOnInterrupt() {
        platform::ForgetOnInterrupt(g.reportFileName.c_str());
        platform::ForgetOnInterrupt(g.errorFileName.c_str());
    }
    RemovedOnInterrupt(const RemovedOnInterrupt&) = delete;
    RemovedOnInterrupt& operator=(const RemovedOnInterrupt&) = delete;
};

void PrintReportHeading() {
    Print(" Vpath    Serial    Volume Names\n");
    Print("-------  --------  --------------\n");
}

void TakeInquiredDrives(DriveAccess& drives, HostVolumeTable& table) {
    unsigned found = 0;
    int numbers[kMaxDrives];
    Text<9> serials[kMaxDrives];
    InquireDrives(drives, &found, numbers, serials);
    // "Disk" and at most 11 characters of number: fits its 18.
    for (unsigned i = 0; i < found; ++i) AddHostVolume(table, "Disk" + std::to_string(numbers[i]), serials[i].view());
}

}  // namespace

void ClearHostVolumes(HostVolumeTable& table) {
    for (HostVolume& entry : table.entries) {
        entry.inUse = 0;
        entry.diskName.clear();
        entry.serial.clear();
    }
    table.count = 0;
}

bool AddHostVolume(HostVolumeTable& table, std::string_view diskName, std::string_view serial) {
    if (table.count >= static_cast<unsigned>(kHostVolumeEntries)) return false;
    HostVolume& entry = table.entries[table.count];
    entry.inUse = true;
    entry.diskName.assign(diskName);
    entry.serial.assign(serial);
    ++table.count;
    return true;
}

int DiscoverVolumes(bool print, HostVolumeTable& table, DriveAccess& drives) {
    ClearHostVolumes(table);
    bool rowsPrinted = false;

    std::string directory;
    if (!ReadCurrentDirectory(&directory)) {
        Print("%s: Failed to get CDW\n", ProgramName());
        return kExitDiscovery;
    }
    g.reportFileName.assign(directory);
    g.errorFileName.assign(directory);
    std::string reportName;
    std::string errorName;
    if (!platform::FreshTempName(&reportName) || !platform::FreshTempName(&errorName) ||
        !g.reportFileName.append(reportName) || !g.errorFileName.append(errorName)) {
        return CouldNotOpenReport();  // no free name: nothing can receive the report
    }

    RemovedOnInterrupt temporaryFiles;
    Text<4096> command;
    const int status = Compose(command, "lanectl query device > ", " 2>") ? RunShellCommand(command.c_str()) : -1;
    if (status == 0) {
        rowsPrinted = true;
        std::string report;
        if (!ReadTextFile(g.reportFileName.c_str(), &report)) return CouldNotOpenReport();
        if (print) PrintReportHeading();
        ParseReport(report, table, print);
        RemoveIfPresent(g.reportFileName.c_str());
        RemoveIfPresent(g.errorFileName.c_str());
    } else {
        if (g.debug) Print("Run Inquiry\n");
        const std::string head = std::string(platform::kEraseCommand) + " ";
        if (Compose(command, head.c_str(), " ")) RunShellCommand(command.c_str());
        TakeInquiredDrives(drives, table);
    }

    if (g.debug) {
        Print("TotalDrives = %d\n", static_cast<int>(table.count));
        for (unsigned i = 0; i < table.count; ++i) {
            const HostVolume& entry = table.entries[i];
            Print("%s - %s = %d\n", entry.diskName.c_str(), entry.serial.c_str(), entry.inUse ? 1 : 0);
        }
    }
    return PrintVolumeList(table, print, rowsPrinted);
}

int PrintVolumeList(const HostVolumeTable& table, bool print, bool rowsPrinted) {
    const HostVolume* entries = table.entries;
    const bool found = entries[0].inUse;
    if (!print) return found ? kExitOk : kExitNoVolumes;
    if (!found) {
        Print("vyShowLuns: No 7315 volumes found\n");
        return kExitNoVolumes;
    }
    if (rowsPrinted) return kExitOk;  // the rows went out while the report was read

    Print("disk name     7315 serial number\n");
    Print("------------  ------------------\n");
    for (int i = 0; i < kHostVolumeEntries && entries[i].inUse; ++i) {
        Print("%s", entries[i].diskName.c_str());
        for (std::size_t width = entries[i].diskName.size(); width < kListNameWidth; ++width) Print(" ");
        Print("%s\n", entries[i].serial.c_str());
    }
    return kExitOk;
}
