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

constexpr ProgramSet kNone = 0;
constexpr TextField kNoField = {nullptr, nullptr, 0};
constexpr ProgramSet kShowLuns = Programs(kVyShowLuns);
constexpr ProgramSet kPingSrv = Programs(kVyPingSrv);
constexpr ProgramSet kSeedHost = Programs(kVySeedHost);
constexpr ProgramSet kProbeVol = Programs(kVyProbeVol);
constexpr ProgramSet kAwaitJob = Programs(kVyAwaitJob);

using A = SwitchAction;
using P = JavaPlace;
using F = JavaForm;
using S = InvocationState;

constexpr std::size_t Capacity(const TextField& field) { return field.maxLength; }

constexpr TextField kUser = FieldOf<&S::userName>();
constexpr TextField kPassword = FieldOf<&S::password>();
constexpr TextField kSecurityFile = FieldOf<&S::securityFilePath>();
constexpr TextField kHost = FieldOf<&S::hostName>();
constexpr TextField kVolumeList = FieldOf<&S::volumeListFile>();
constexpr TextField kMinutes = FieldOf<&S::minutes>();
constexpr TextField kThreshold = FieldOf<&S::threshold>();
constexpr TextField kPrimary = FieldOf<&S::primaryServer>();
constexpr TextField kBackup = FieldOf<&S::backupServer>();

}  // namespace

// In the order of the usage lines and of the Java class's options. The
// definition's row count must be the declaration's.
const Switch kSwitches[] = {
    // text, programs, action, counter, flag, field, limit, quotedMustFit, conflicts,
    // Java option, place, form, usage lines, usage
    {"/debug", kSwitchPrograms, A::kCount, &S::debug, nullptr, kNoField, 0, false, nullptr,
     nullptr, P::kNone, F::kAsIs, kNone, ""},
    {"/noSystemCommand", kSwitchPrograms, A::kCount, &S::noSystemCommand, nullptr, kNoField, 0, false, nullptr,
     nullptr, P::kNone, F::kAsIs, kNone, ""},
    {"/v", kTaskPrograms | kPingSrv, A::kCount, &S::verbose, nullptr, kNoField, 0, false, nullptr,
     "-v", P::kBeforeServer, F::kAsIs, kTaskPrograms, " [/v]"},
    {"/u", kTaskPrograms, A::kStore, nullptr, nullptr, kUser, Capacity(kUser), false, SecurityFileGiven,
     "-u", P::kBeforeServer, F::kWhole, kTaskPrograms, " /u username &"},
    {"/p", kTaskPrograms, A::kStore, nullptr, nullptr, kPassword, Capacity(kPassword), false, SecurityFileGiven,
     "-p", P::kBeforeServer, F::kWhole, kTaskPrograms, " /p password |"},
    // Passed on in double quotes: the quoted path must fit one argument.
    {"/a", kTaskPrograms, A::kStore, nullptr, nullptr, kSecurityFile, kMaxQuotedPath, false, CredentialsGiven,
     "-a", P::kBeforeServer, F::kQuoted, kTaskPrograms, " /a securityfilepath"},
    {"/d", kSeedHost, A::kStore, nullptr, nullptr, kHost, Capacity(kHost), true, nullptr,
     "-d", P::kAfterServer, F::kWhole, kSeedHost, " /d hostname"},
    {"/m", kProbeVol, A::kCount, &S::mapFlag, nullptr, kNoField, 0, false, nullptr,
     nullptr, P::kNone, F::kAsIs, kProbeVol, " /m"},
    {"/q", kProbeVol, A::kAddVolume, nullptr, nullptr, kNoField, Text<50>::kMaxLength, false, VolumeListGiven,
     nullptr, P::kNone, F::kAsIs, kProbeVol, " /q volume|"},
    {"/f", kProbeVol, A::kStore, nullptr, nullptr, kVolumeList, Capacity(kVolumeList), false, VolumesGiven,
     nullptr, P::kNone, F::kAsIs, kProbeVol, "/f filename"},
    {"/m", kAwaitJob, A::kStore, nullptr, nullptr, kMinutes, Capacity(kMinutes), false, nullptr,
     "-m", P::kBeforeServer, F::kAsIs, kAwaitJob, " /m minutes"},
    {"/t", kAwaitJob, A::kStore, nullptr, nullptr, kThreshold, Capacity(kThreshold), false, nullptr,
     "-t", P::kBeforeServer, F::kAsIs, kAwaitJob, " /t threshold"},
    // The probe passes the server on as "-Server=<name>", one argument.
    {"/s", kTaskPrograms, A::kStore, nullptr, nullptr, kPrimary, kMaxServerName, false, nullptr,
     nullptr, P::kNone, F::kAsIs, kTaskPrograms, " /s primaryserver"},
    {"/s", kPingSrv, A::kStore, nullptr, nullptr, kPrimary, kMaxServerName, false, nullptr,
     nullptr, P::kNone, F::kAsIs, kPingSrv, " /s serverName"},
    {"/b", kTaskPrograms, A::kStore, nullptr, nullptr, kBackup, kMaxServerName, false, nullptr,
     nullptr, P::kNone, F::kAsIs, kTaskPrograms, " /b backupserver"},
    {"-z", kShowLuns | kPingSrv, A::kSetFlag, nullptr, &S::quietFlag, kNoField, 0, false, nullptr,
     nullptr, P::kNone, F::kAsIs, kNone, ""},
};

const Switch* FindSwitch(int type, const char* argument) {
    for (const Switch& s : kSwitches) {
        if (Accepts(s.programs, type) && std::strcmp(argument, s.text) == 0) return &s;
    }
    return nullptr;
}

std::string UsageText(int type) {
    if (!Accepts(kSwitchPrograms, type)) return "";
    std::string usage = ProgramName(type);
    for (const Switch& s : kSwitches) {
        if (Accepts(s.usagePrograms, type)) usage += s.usage;
    }
    if (ProgramOf(type).takesTaskNames) usage += " taskNames";
    return usage;
}

std::string UsageText() { return UsageText(g.programType); }

bool SwitchGiven(const Switch& s) {
    if (s.counter != nullptr) return g.*s.counter != 0;
    return s.field.value != nullptr && !s.field.value().empty();
}
