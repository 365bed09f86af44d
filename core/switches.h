// The switch table: every switch of the six programs that take switches,
// one row each.
//
// A row says which programs accept the switch, what it does (counts, sets a
// flag, stores the next argument as its value, or adds it to the requested
// volumes), where the value goes, the longest value accepted, whether the
// value's quoted form must fit one argument of the Java command line or the
// value, handed on unquoted, must arrive there as one argument, what it
// conflicts with, what the row adds to the Java class's arguments and how
// the usage line shows it. The parser, the usage lines, the Java arguments
// and the room left for volumes all read this table, and the rules at its
// end refuse, at compile time, a row that contradicts itself. Adding a
// switch is one row here and its item on the pages of the programs that
// accept it.
#ifndef VY_CORE_SWITCHES_H
#define VY_CORE_SWITCHES_H

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

#include "core/state.h"

// The longest argument of the Java command line: one argument slot.
constexpr std::size_t kMaxArgument = Text<1024>::kMaxLength;
// The longest server name with which "-Server=<name>" fits one argument.
constexpr std::size_t kMaxServerName = kMaxArgument - 8;
// The longest path that still fits one argument in double quotes.
constexpr std::size_t kMaxQuotedPath = kMaxArgument - 2;
// What the probe receives a server name after, in the same argument.
constexpr char kProbeServerOption[] = "-Server=";

// A text field of the invocation state, whatever its capacity.
struct TextField {
    bool (*assign)(std::string_view value) = nullptr;  // false, with nothing changed, when it does not fit
    std::string_view (*value)() = nullptr;
    std::size_t maxLength = 0;
};

enum class SwitchAction {
    kCount,      // adds one to its counter each time
    kSetFlag,    // sets its flag
    kStore,      // stores the next argument in its field; a repeat replaces it
    kAddVolume,  // adds the next argument to the requested volumes
};

// What a switch does and to which member of the invocation state: one of
// the four, made by the functions below.
struct SwitchTarget {
    SwitchAction action = SwitchAction::kCount;
    int InvocationState::*counter = nullptr;  // kCount
    bool InvocationState::*flag = nullptr;    // kSetFlag
    TextField field;                          // kStore; kAddVolume: the capacity of one volume
};

constexpr SwitchTarget Counts(int InvocationState::*counter) {
    return {.action = SwitchAction::kCount, .counter = counter};
}
constexpr SwitchTarget SetsFlag(bool InvocationState::*flag) {
    return {.action = SwitchAction::kSetFlag, .flag = flag};
}
template <auto Member>
bool AssignField(std::string_view value) {
    return (g.*Member).assign(value);
}
template <auto Member>
std::string_view FieldValue() {
    return (g.*Member).view();
}
template <auto Member>
constexpr SwitchTarget Stores() {
    return {.action = SwitchAction::kStore,
            .field = {.assign = AssignField<Member>,
                      .value = FieldValue<Member>,
                      .maxLength = std::remove_reference_t<decltype(g.*Member)>::kMaxLength}};
}
constexpr SwitchTarget AddsVolume() {
    return {.action = SwitchAction::kAddVolume,
            .field = {.maxLength = std::remove_reference_t<decltype(g.requestedVolumes[0])>::kMaxLength}};
}

// Where the Java class receives the switch's value, if at all: before or
// after "-s <server>".
enum class JavaPlace { kNone, kBeforeServer, kAfterServer };

// How the value goes to the Java class. A path is always in double quotes;
// a name that the class must receive whole is quoted when it would split;
// other values go unchanged.
enum class JavaForm { kAsIs, kWhole, kQuoted };

// What stands in the usage line between a switch's part and the next one.
enum class UsageThen {
    kBlank,     // " "
    kAnd,       // " & ": given together
    kOr,        // " | ": one or the other
    kOrTight,   // "|", without blanks
};

// A row names only what differs from the defaults.
struct Switch {
    const char* text = "";  // matched whole, case included
    ProgramSet programs = 0;
    SwitchTarget target;
    std::size_t limit = 0;        // longest value accepted; 0: the field's capacity
    bool quotedMustFit = false;   // the value's quoted form, too, must fit one argument
    bool oneArgument = false;     // handed on unquoted: it must arrive as exactly one argument
    bool probed = false;          // the probe receives it after kProbeServerOption, in one argument
    bool (*conflicts)() = nullptr;  // after the value is stored; null when nothing conflicts
    const char* javaOption = nullptr;  // what the Java class receives for it; null when nothing
    JavaPlace javaPlace = JavaPlace::kNone;
    JavaForm javaForm = JavaForm::kAsIs;
    const char* usage = nullptr;   // its part of the usage lines; null: not shown
    UsageThen usageThen = UsageThen::kBlank;
    ProgramSet usageHiddenFor = 0;  // programs that accept it but whose usage line does not show it

    // The longest value accepted.
    constexpr std::size_t Limit() const { return limit != 0 ? limit : target.field.maxLength; }
};

namespace switch_rows {

// The conflicts: a security file excludes a user name and a password given
// on the command line, and volumes named with /q exclude a volume list file.
bool SecurityFileGiven();
bool CredentialsGiven();
bool VolumeListGiven();
bool VolumesGiven();

constexpr ProgramSet kShowLuns = Programs(kVyShowLuns);
constexpr ProgramSet kPingSrv = Programs(kVyPingSrv);
constexpr ProgramSet kSeedHost = Programs(kVySeedHost);
constexpr ProgramSet kProbeVol = Programs(kVyProbeVol);
constexpr ProgramSet kAwaitJob = Programs(kVyAwaitJob);

using P = JavaPlace;
using F = JavaForm;
using S = InvocationState;

// In the order of the usage lines and of the Java class's options.
inline constexpr Switch kRows[] = {
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

}  // namespace switch_rows

// The switch table; the compiler counts its rows.
inline constexpr const auto& kSwitches = switch_rows::kRows;

// What every row must be; a row that breaks one of these does not compile.

constexpr bool TakesValue(const Switch& s) {
    return s.target.action == SwitchAction::kStore || s.target.action == SwitchAction::kAddVolume;
}

// The action names its one target: a counter, a flag, a field to store
// into, or the requested volumes (whose capacity it names).
constexpr bool ActionMatchesTarget(const Switch& s) {
    const SwitchTarget& t = s.target;
    // A field's functions and its capacity are set together (Stores).
    const bool field = t.field.maxLength > 0;
    switch (t.action) {
        case SwitchAction::kCount: return t.counter != nullptr && t.flag == nullptr && !field;
        case SwitchAction::kSetFlag: return t.flag != nullptr && t.counter == nullptr && !field;
        case SwitchAction::kStore:
        case SwitchAction::kAddVolume: return field && t.counter == nullptr && t.flag == nullptr;
    }
    return false;
}

// The Java class receives a counter's option or a stored value's, so a
// row with a Java place counts or stores and names the option; a value's
// form applies only to a value handed on.
constexpr bool JavaPlaceHasValue(const Switch& s) {
    const SwitchAction a = s.target.action;
    if (s.javaPlace == JavaPlace::kNone) return s.javaOption == nullptr && s.javaForm == JavaForm::kAsIs;
    return s.javaOption != nullptr && (a == SwitchAction::kCount || a == SwitchAction::kStore) &&
           (a == SwitchAction::kStore || s.javaForm == JavaForm::kAsIs);
}

// A value's limit is within its field's capacity; a switch without a value
// has no limit, no rule for its value and nothing it conflicts with.
constexpr bool LimitWithinField(const Switch& s) {
    if (!TakesValue(s)) return s.limit == 0;
    return s.limit <= s.target.field.maxLength && s.Limit() > 0;
}
constexpr bool ValueRulesHold(const Switch& s) {
    if (!TakesValue(s)) return !s.quotedMustFit && !s.oneArgument && !s.probed && s.conflicts == nullptr;
    return !s.probed || s.oneArgument;
}

// Accepted by programs that take switches; shown in the usage line of none
// but those; a separator only after a part that is shown.
constexpr bool ProgramsAndUsageAgree(const Switch& s) {
    return s.programs != 0 && (s.programs & ~kSwitchPrograms) == 0 && (s.usageHiddenFor & ~s.programs) == 0 &&
           (s.usage != nullptr || s.usageThen == UsageThen::kBlank);
}

template <std::size_t N>
constexpr bool EveryRow(const Switch (&rows)[N], bool (*rule)(const Switch&)) {
    for (const Switch& s : rows) {
        if (!rule(s)) return false;
    }
    return true;
}

// No program accepts two rows of the same text: the second would never match.
template <std::size_t N>
constexpr bool TextsUniquePerProgram(const Switch (&rows)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = i + 1; j < N; ++j) {
            if ((rows[i].programs & rows[j].programs) != 0 && SameText(rows[i].text, rows[j].text)) return false;
        }
    }
    return true;
}

static_assert(EveryRow(kSwitches, ActionMatchesTarget), "a switch row's action and its target disagree");
static_assert(EveryRow(kSwitches, JavaPlaceHasValue), "a switch row's Java place has no option or no value to hand on");
static_assert(EveryRow(kSwitches, LimitWithinField), "a switch row's limit is past its field's capacity");
static_assert(EveryRow(kSwitches, ValueRulesHold), "a switch row's rules for its value do not hold together");
static_assert(EveryRow(kSwitches, ProgramsAndUsageAgree), "a switch row's programs and usage disagree");
static_assert(TextsUniquePerProgram(kSwitches), "a program accepts two switch rows of the same text");

// The program's row for the argument, or null when the argument is none of
// the program's switches.
const Switch* FindSwitch(int type, const char* argument);

// The program's usage line, composed from the program table and the
// switch table each time it is printed; empty for a program without
// switches. Without an argument, the running program's.
std::string UsageText(int type);
std::string UsageText();

#endif
