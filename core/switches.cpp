// The switch table and what is derived from it alone.
#include "core/switches.h"

#include <cstring>

namespace {

// The conflicts: a security file excludes a user name and a password given
// on the command line, and volumes named with /q exclude a volume list file.
bool SecurityFileGiven() { return g.securityFilePath.given(); }
bool CredentialsGiven() { return g.userName.given() || g.password.given(); }
bool VolumeListGiven() { return g.volumeListFile.given(); }
bool VolumesGiven() { return g.volumeCount > 0; }

constexpr ProgramSet kShowLuns = Programs(kVyShowLuns);
constexpr ProgramSet kPingSrv = Programs(kVyPingSrv);
constexpr ProgramSet kSeedHost = Programs(kVySeedHost);
constexpr ProgramSet kProbeVol = Programs(kVyProbeVol);
constexpr ProgramSet kAwaitJob = Programs(kVyAwaitJob);

using P = JavaPlace;
using F = JavaForm;
using S = InvocationState;

}  // namespace

// In the order of the usage lines and of the Java class's options. The
// definition's row count must be the declaration's.
const Switch kSwitches[] = {
    {.text = "/debug", .programs = kSwitchPrograms, .target = Counts(&S::debug)},
    {.text = "/noSystemCommand", .programs = kSwitchPrograms, .target = Counts(&S::noSystemCommand)},
    {.text = "/v",
     .programs = kTaskPrograms | kPingSrv,
     .target = Counts(&S::verbose),
     .javaOption = "-v",
     .javaPlace = P::kBeforeServer,
     .usage = "[/v]",
     .usageHiddenFor = kPingSrv},
    {.text = "/u",
     .programs = kTaskPrograms,
     .target = Stores<&S::userName>(),
     .conflicts = SecurityFileGiven,
     .javaOption = "-u",
     .javaPlace = P::kBeforeServer,
     .javaForm = F::kWhole,
     .usage = "/u username",
     .usageThen = UsageThen::kAnd},
    {.text = "/p",
     .programs = kTaskPrograms,
     .target = Stores<&S::password>(),
     .conflicts = SecurityFileGiven,
     .javaOption = "-p",
     .javaPlace = P::kBeforeServer,
     .javaForm = F::kWhole,
     .usage = "/p password",
     .usageThen = UsageThen::kOr},
    // Passed on in double quotes: the quoted path must fit one argument.
    {.text = "/a",
     .programs = kTaskPrograms,
     .target = Stores<&S::securityFilePath>(),
     .limit = kMaxQuotedPath,
     .conflicts = CredentialsGiven,
     .javaOption = "-a",
     .javaPlace = P::kBeforeServer,
     .javaForm = F::kQuoted,
     .usage = "/a securityfilepath"},
    {.text = "/d",
     .programs = kSeedHost,
     .target = Stores<&S::hostName>(),
     .quotedMustFit = true,
     .javaOption = "-d",
     .javaPlace = P::kAfterServer,
     .javaForm = F::kWhole,
     .usage = "/d hostname"},
    {.text = "/m", .programs = kProbeVol, .target = Counts(&S::mapFlag), .usage = "/m"},
    {.text = "/q",
     .programs = kProbeVol,
     .target = AddsVolume(),
     .oneArgument = true,
     .conflicts = VolumeListGiven,
     .usage = "/q volume",
     .usageThen = UsageThen::kOrTight},
    {.text = "/f",
     .programs = kProbeVol,
     .target = Stores<&S::volumeListFile>(),
     .conflicts = VolumesGiven,
     .usage = "/f filename"},
    {.text = "/m",
     .programs = kAwaitJob,
     .target = Stores<&S::minutes>(),
     .oneArgument = true,
     .javaOption = "-m",
     .javaPlace = P::kBeforeServer,
     .usage = "/m minutes"},
    {.text = "/t",
     .programs = kAwaitJob,
     .target = Stores<&S::threshold>(),
     .oneArgument = true,
     .javaOption = "-t",
     .javaPlace = P::kBeforeServer,
     .usage = "/t threshold"},
    // The probe passes the server on as "-Server=<name>", one argument; the
    // task class receives it after "-s". Both must see the one same name.
    {.text = "/s",
     .programs = kTaskPrograms,
     .target = Stores<&S::primaryServer>(),
     .limit = kMaxServerName,
     .oneArgument = true,
     .probed = true,
     .usage = "/s primaryserver"},
    {.text = "/s",
     .programs = kPingSrv,
     .target = Stores<&S::primaryServer>(),
     .limit = kMaxServerName,
     .oneArgument = true,
     .probed = true,
     .usage = "/s serverName"},
    {.text = "/b",
     .programs = kTaskPrograms,
     .target = Stores<&S::backupServer>(),
     .limit = kMaxServerName,
     .oneArgument = true,
     .probed = true,
     .usage = "/b backupserver"},
    {.text = "-z", .programs = kShowLuns | kPingSrv, .target = SetsFlag(&S::quietFlag)},
};

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
    if (ProgramOf(type).takesTaskNames) add("taskNames");
    return usage;
}

std::string UsageText() { return UsageText(g.programType); }
