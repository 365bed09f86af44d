// DiscoverVolumes: the host's volumes from the multipath driver's report, or
// from the drive inquiry when the report cannot be had, added to the host
// volume table; the report's text is kept for the listing.
#include <cstdio>
#include <string>

#include "core/files.h"
#include "core/launcher.h"
#include "platform/files.h"
#include "platform/process.h"
#include "volumes/report.h"
#include "volumes/volumes.h"

namespace {

int CouldNotOpenReport(const std::string& name) {
    Print("%s: vyShowLuns could not open file %s\n", ProgramName(), name.c_str());
    return kExitDiscovery;
}

// "<command> <report> <errors>" with both paths quoted, so that a blank in
// the current directory cannot split them. False when it does not fit,
// which a directory of at most 259 characters rules out.
bool Compose(Text<4096>& command, const char* head, const ReportFiles& files, const char* between) {
    return command.assign(head) && command.append(platform::InterpreterWord(files.report)) &&
           command.append(between) && command.append(platform::InterpreterWord(files.errors));
}

// The run's folder and the report and error files in it, from the report
// command until discovery is done: an interrupt that ends the program
// meanwhile (a second Ctrl-C as the tool ends, say) removes them first;
// the folder, when discovery made it, goes with everything in it at the end
// (what the erase command could not remove too), whatever the outcome.
class RemovedOnInterrupt {
public:
    RemovedOnInterrupt(const ReportFiles& files, bool folderMade) : files_(files), folderMade_(folderMade) {
        if (folderMade_) platform::RemoveOnInterrupt(files_.folder.c_str());
        platform::RemoveOnInterrupt(files_.report.c_str());
        platform::RemoveOnInterrupt(files_.errors.c_str());
    }
    ~RemovedOnInterrupt() {
        if (folderMade_) platform::RemovePrivateFolder(files_.folder.c_str());
        platform::ForgetOnInterrupt(files_.report.c_str());
        platform::ForgetOnInterrupt(files_.errors.c_str());
        if (folderMade_) platform::ForgetOnInterrupt(files_.folder.c_str());
    }
    RemovedOnInterrupt(const RemovedOnInterrupt&) = delete;
    RemovedOnInterrupt& operator=(const RemovedOnInterrupt&) = delete;

private:
    const ReportFiles& files_;
    const bool folderMade_;
};

// Both files made new and owner-only in the run's folder before the
// interpreter writes into them, so that its redirections neither follow nor
// replace anything else under their names. False when a name is taken; a
// file made here is removed again then. A file that cannot be made for
// another reason is left to the interpreter, whose redirection then fails
// the same way.
bool CreateReportFiles(const ReportFiles& files) {
    const platform::NewFile report = platform::CreateNewPrivateFile(files.report.c_str());
    if (report == platform::NewFile::kExists) return false;
    const platform::NewFile errors = platform::CreateNewPrivateFile(files.errors.c_str());
    if (errors == platform::NewFile::kExists) {
        if (report == platform::NewFile::kCreated) platform::RemoveFile(files.report.c_str());
        return false;
    }
    return true;
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

void TakeReport(std::string_view report, HostVolumeTable& table) {
    ReportReader reader(report);
    ReportDevice device;
    while (reader.Next(&device)) AddHostVolume(table, device.diskName.view(), device.serial.view());
}

void TraceHostVolumes(const HostVolumeTable& table) {
    if (!g.debug) return;
    Print("TotalDrives = %d\n", static_cast<int>(table.count));
    for (unsigned i = 0; i < table.count; ++i) {
        Print("%s - %s = 1\n", table.entries[i].diskName.c_str(), table.entries[i].serial.c_str());
    }
}

void FindHostVolumes(Discovery& found, DriveAccess& drives) {
    ReportFiles files;
    if (NameReportFiles(&files) == 0 && DiscoverVolumes(files, found, drives) == 0) TraceHostVolumes(found.table);
}

bool ReadReportFile(const char* path, std::string* text) {
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) return false;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text->append(buffer, n);
    const bool read = !std::ferror(file);
    std::fclose(file);
    return read;
}

bool RunFolderPath(const std::string& directory, std::string* folder) {
    std::string parent;
    std::string name;
    if (!platform::RunFolderParent(directory, &parent) || !platform::FreshTempName(&name, parent)) return false;
    *folder = parent + name;
    return true;
}

int NameReportFiles(ReportFiles* files) {
    std::string directory;
    if (!ReadCurrentDirectory(&directory)) {
        Print("%s: Failed to get CDW\n", ProgramName());
        return kExitDiscovery;
    }
    std::string reportName;
    std::string errorName;
    if (!RunFolderPath(directory, &files->folder) || !platform::FreshNameIn(files->folder, &reportName) ||
        !platform::FreshNameIn(files->folder, &errorName)) {
        return CouldNotOpenReport(directory);  // nowhere to receive the report
    }
    files->report = files->folder + reportName;
    files->errors = files->folder + errorName;
    return kExitOk;
}

int DiscoverVolumes(const ReportFiles& files, Discovery& found, DriveAccess& drives) {
    ClearHostVolumes(found.table);
    found.report.clear();
    found.source = VolumeSource::kInquiry;

    // Nothing writes into the files while no system command runs: they are
    // not made then, and the report cannot be opened. A folder that cannot
    // be made for another reason than its name is left to the interpreter,
    // whose redirection then fails.
    bool folderMade = false;
    if (!g.noSystemCommand) {
        const platform::NewFile folder = platform::CreatePrivateFolder(files.folder.c_str());
        if (folder == platform::NewFile::kExists) return CouldNotOpenReport(files.report);
        folderMade = folder == platform::NewFile::kCreated;
        if (!CreateReportFiles(files)) {
            if (folderMade) platform::RemovePrivateFolder(files.folder.c_str());
            return CouldNotOpenReport(files.report);
        }
    }
    RemovedOnInterrupt temporaryFiles(files, folderMade);
    Text<4096> command;
    const int status = Compose(command, "lanectl query device > ", files, " 2>") ? RunShellCommand(command.c_str()) : -1;
    if (status == 0) {
        if (!ReadReportFile(files.report.c_str(), &found.report)) {
            found.report.clear();
            return CouldNotOpenReport(files.report);
        }
        found.source = VolumeSource::kReport;
        TakeReport(found.report, found.table);
        return kExitOk;
    }

    if (g.debug) Print("Run Inquiry\n");
    const std::string head = std::string(platform::kEraseCommand) + " ";
    if (Compose(command, head.c_str(), files, " ")) RunShellCommand(command.c_str());
    TakeInquiredDrives(drives, found.table);
    return kExitOk;
}
