// The switch table and what is derived from it alone.
#include "core/switches.h"

#include <cstring>

namespace switch_rows {

bool SecurityFileGiven() { return g.securityFilePath.given(); }
bool CredentialsGiven() { return g.userName.given() || g.password.given(); }
bool VolumeListGiven() { return g.volumeListFile.given(); }
bool VolumesGiven() { return g.volumeCount > 0; }

}  // namespace switch_rows

const Switch* FindSwitch(int type, const char* argument) {
    for (const Switch& s : kSwitches) {
        if (Accepts(s.programs, type) && std::strcmp(argument, s.text) == 0) return &s;
    }
    return nullptr;
}

namespace {

const char* Separator(UsageThen then) {
    switch (then) {
        case UsageThen::kBlank: break;
        case UsageThen::kAnd: return " & ";
        case UsageThen::kOr: return " | ";
        case UsageThen::kOrTight: return "|";
    }
    return " ";
}

}  // namespace

std::string UsageText(int type) {
    if (!Accepts(kSwitchPrograms, type)) return "";
    std::string usage = ProgramName(type);
    // What follows each part is the part's own: the name and the last part
    // are followed by a blank.
    const char* separator = " ";
    auto add = [&](const char* part) {
        usage += separator;
        usage += part;
    };
    for (const Switch& s : kSwitches) {
        if (s.usage == nullptr || !Accepts(s.programs & ~s.usageHiddenFor, type)) continue;
        add(s.usage);
        separator = Separator(s.usageThen);
    }
    if (TakesTaskNames(ProgramOf(type))) add("taskNames");
    return usage;
}

std::string UsageText() { return UsageText(g.programType); }
