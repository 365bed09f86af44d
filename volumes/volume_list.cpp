// vyProbeVol's requested volumes: given at all, and those of the volume list
// file, up to two volume names a line, in file order.
#include <cstdio>
#include <string_view>

#include "core/state.h"
#include "core/words.h"
#include "volumes/volumes.h"

namespace {

int AddListedVolume(std::string_view name) {
    if (g.volumeCount >= kMaxVolumes) {
        Print("vyProbeVol: More than %d volumes are given in %s\n", kMaxVolumes, g.volumeListFile.c_str());
        return kExitTooLong;
    }
    if (!g.requestedVolumes[g.volumeCount].assign(name)) {
        Print("vyProbeVol: A volume name in %s is longer than %d characters\n", g.volumeListFile.c_str(),
              static_cast<int>(g.requestedVolumes[0].kMaxLength));
        return kExitTooLong;
    }
    ++g.volumeCount;
    return 0;
}

int ReportNoVolumeList() {
    Print("vyProbeVol: Volume list file %s does not exist\n", g.volumeListFile.c_str());
    return kExitNoVolumeList;
}

}  // namespace

int ReadVolumeList(std::FILE* file) {
    int result = 0;
    // A line is read in pieces of at most 501 characters; the rest of a
    // longer one counts as a line of its own.
    char piece[502];
    while (result == 0 && std::fgets(piece, sizeof piece, file) != nullptr) {
        std::string_view rest(piece);
        std::string_view first = NextWord(rest);
        std::string_view second = NextWord(rest);
        if (!NextWord(rest).empty()) {
            Print("vyProbeVol: More volume/s per line\n");
            result = kExitVolumesPerLine;
            break;
        }
        if (!first.empty()) result = AddListedVolume(first);
        if (result == 0 && !second.empty()) result = AddListedVolume(second);
    }
    return result;
}

int CheckVolumesGiven() {
    if (g.volumeCount == 0 && !g.volumeListFile.given()) {
        Print("vyProbeVol: Missing parameters\n");
        return kExitMissingArgument;
    }
    return 0;
}

int ReadVolumeListFile() {
    if (!g.volumeListFile.given()) return 0;
    std::FILE* file = std::fopen(g.volumeListFile.c_str(), "r");
    if (file == nullptr) return ReportNoVolumeList();
    int result = ReadVolumeList(file);
    // A file that opens but cannot be read (a folder, on POSIX) must not
    // pass for an empty list, nor its names read so far for the whole list.
    if (result == 0 && std::ferror(file)) result = ReportNoVolumeList();
    std::fclose(file);
    if (result == 0 && g.volumeCount == 0) {
        Print("vyProbeVol: No volumes specified in the given file\n");
        result = kExitNoVolumes;
    }
    return result;
}
