// The volume file that vySeedHost hands to its class: what discovery found,
// one line a volume.
#include <cstdio>
#include <string>

#include "core/files.h"
#include "core/launcher.h"
#include "core/state.h"
#include "platform/files.h"
#include "platform/process.h"
#include "volumes/volumes.h"

bool WriteVolumeLines(std::FILE* file, const HostVolumeTable& table) {
    for (unsigned i = 0; i < table.count; ++i) {
        const HostVolume& v = table.entries[i];
        std::string line = "-l " + std::string(v.diskName.view()) + " -r " + std::string(v.serial.view()) + " ";
        if (std::fprintf(file, "%s\n", line.c_str()) < 0) return false;
        if (g.debug) Print("%s\n", line.c_str());
    }
    // Data still buffered must reach the file too: a full disk shows here.
    return std::fflush(file) == 0;
}

int CreateVolumeFile(const std::string& directory, const HostVolumeTable& table, std::string* folder) {
    std::string name;
    if (!RunFolderPath(directory, folder) || !platform::FreshNameIn(*folder, &name) ||
        !g.volumeFilePath.assign(*folder + name)) {
        Print("%s: Failed to open file %s\n", ProgramName(), (folder->empty() ? directory : *folder + name).c_str());
        folder->clear();
        return kExitVolumeFile;
    }
    const char* path = g.volumeFilePath.c_str();
    if (g.debug) Print("volumeFileName %s\n", path);

    // Both made new: a folder or file that appeared under its name in the
    // meantime is neither replaced nor followed. From here until they are
    // removed, an interrupt (a second Ctrl-C as the class ends, say) must
    // not leave them behind.
    if (platform::CreatePrivateFolder(folder->c_str()) != platform::NewFile::kCreated) {
        Print("%s: Failed to open file %s\n", ProgramName(), path);
        folder->clear();
        return kExitVolumeFile;
    }
    platform::RemoveOnInterrupt(folder->c_str());
    std::FILE* file = platform::CreateNewTextFile(path);
    bool written = file != nullptr;
    if (written) {
        platform::RemoveOnInterrupt(path);
        written = WriteVolumeLines(file, table);
        written = std::fclose(file) == 0 && written;
    }
    if (!written) {
        Print("%s: Failed to open file %s\n", ProgramName(), path);
        RemoveVolumeFile(folder);
        return kExitVolumeFile;
    }
    if (g.debug) Print("Loop done!\n");
    return kExitOk;
}

void RemoveVolumeFile(std::string* folder) {
    const char* path = g.volumeFilePath.c_str();
    RemoveIfPresent(path);
    platform::ForgetOnInterrupt(path);
    if (folder->empty()) return;
    platform::RemovePrivateFolder(folder->c_str());
    platform::ForgetOnInterrupt(folder->c_str());
    folder->clear();
}

int WriteVolumeFile(Discovery& found, std::string* folder, DriveAccess& drives) {
    // Without volumes the file is written empty.
    FindHostVolumes(found, drives);

    std::string directory;
    if (!ReadCurrentDirectory(&directory)) {
        Print("%s: Failed to get CDW\n", ProgramName());
        return kExitNoCurrentDir;
    }
    return CreateVolumeFile(directory, found.table, folder);
}
