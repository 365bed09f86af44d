// The switch table: every switch of the six programs that take switches,
// one row each.
//
// A row says which programs accept the switch, what it does (counts, sets a
// flag, or takes the next argument as its value), where the value goes, the
// longest value accepted, whether the value's quoted form must fit one
// argument of the Java command line or the value, handed on unquoted, must
// arrive there as one argument, what the row adds to the Java class's
// arguments and how the usage line shows it. The parser's acceptance, the
// usage lines, the Java arguments and the room left for volumes all read
// this table; adding a switch is one row here, plus its handler in
// parser.cpp where it needs one (task names, /q and the conflicts).
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
constexpr SwitchTarget Stores() {
    return {.action = SwitchAction::kStore,
            .field = {.assign = [](std::string_view v) { return (g.*Member).assign(v); },
                      .value = []() { return (g.*Member).view(); },
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

constexpr std::size_t kSwitchRows = 16;
extern const Switch kSwitches[kSwitchRows];

// The program's row for the argument, or null when the argument is none of
// the program's switches.
const Switch* FindSwitch(int type, const char* argument);

// The program's usage line, composed from the program table and the
// switch table each time it is printed; empty for a program without
// switches. Without an argument, the running program's.
std::string UsageText(int type);
std::string UsageText();

#endif
