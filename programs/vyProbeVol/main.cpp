// vyProbeVol: asks the server's client about volumes named with /q or in a
// volume list file (/f). With /m, names that are disk names of this host
// are replaced by the volumes' serials first.
#include <cstdio>
#include <string_view>

#include "core/launcher.h"
#include "volumes/volumes.h"

namespace {

bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The next white-space-separated word of the text.
std::string_view NextWord(std::string_view& text) {
    std::size_t start = 0;
    while (start < text.size() && IsWhite(text[start])) ++start;
    std::size_t end = start;
    while (end < text.size() && !IsWhite(text[end])) ++end;
    std::string_view word = text.substr(start, end - start);
    text.remove_prefix(end);
    return word;
}

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

// Up to two names a line, in file order. A line is read in pieces of at
// most 501 characters; the rest of a longer one counts as a line of its own.
int ReadVolumeListFile() {
    FILE* file = std::fopen(g.volumeListFile.c_str(), "r");
    if (file == nullptr) {
        Print("vyProbeVol: Volume list file %s does not exist\n", g.volumeListFile.c_str());
        return kExitNoVolumeList;
    }
    int result = 0;
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
    std::fclose(file);
    if (result == 0 && g.volumeCount == 0) {
        Print("vyProbeVol: No volumes specified in the given file\n");
        result = kExitNoVolumes;
    }
    return result;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// The serial of the host disk of that name, or the name itself. A name
// longer than any disk name can be never matches and is passed on whole.
std::string_view Resolve(std::string_view name) {
    for (const HostVolume& v : hostVolumes.entries) {
        if (!v.inUse) break;
        if (SameIgnoringCase(v.diskName.view(), name)) return v.serial.view();
    }
    return name;
}

int QueryVolumes() {
    if (g.volumeCount == 0 && !g.volumeListFile.given()) {
        Print("vyProbeVol: Missing parameters\n");
        return kExitMissingArgument;
    }
    if (g.volumeListFile.given()) {
        int result = ReadVolumeListFile();
        if (result != 0) return result;
    }
    int result = CheckVolumeRoom();
    if (result != 0) return result;

    if (!g.mapFlag) {
        for (int i = 0; i < g.volumeCount; ++i) g.resolvedVolumes[i].assign(g.requestedVolumes[i].view());
        return 0;
    }
    // Discovery's result does not matter here: without volumes every name
    // is passed on as it is.
    g.quietFlag = 1;
    DiscoverVolumes();
    for (int i = 0; i < g.volumeCount && g.requestedVolumes[i].given(); ++i) {
        g.resolvedVolumes[i].assign(Resolve(g.requestedVolumes[i].view()));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    InitGlobals();
    g.programType = kVyProbeVol;

    int result = InitParameter(argc, argv);
    if (result == 0) result = SetCLIEnv();
    if (result == 0) result = GetPwd();
    if (result == 0) result = CheckServer();
    if (result == 0) result = QueryVolumes();
    if (result == 0) result = ExecuteJava();
    g.resultCode = result;
    return result;
}
