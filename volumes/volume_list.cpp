// vyProbeVol's volume list file: up to two volume names a line, in file
// order, added to the requested volumes.
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
