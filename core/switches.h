// The switch table: every switch of the six programs that take switches,
// one row each.
//
// A row says which programs accept the switch, what it does (counts, sets a
// flag, or takes the next argument as its value), where the value goes, the
// longest value accepted, whether the value's quoted form must fit one
// argument of the Java command line, what the row adds to the Java class's
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

// A text field of the invocation state, whatever its capacity.
struct TextField {
    bool (*assign)(std::string_view value);  // false, with nothing changed, when it does not fit
    std::string_view (*value)();
    std::size_t maxLength;
};

template <auto Member>
constexpr TextField FieldOf() {
    return TextField{[](std::string_view v) { return (g.*Member).assign(v); },
                     []() { return (g.*Member).view(); }, std::remove_reference_t<decltype(g.*Member)>::kMaxLength};
}

enum class SwitchAction {
    kCount,      // adds one to its counter each time
    kSetFlag,    // sets its flag
    kStore,      // stores the next argument in its field; a repeat replaces it
    kAddVolume,  // adds the next argument to the requested volumes
};

// Where the Java class receives the switch's value, if at all: before or
// after "-s <server>".
enum class JavaPlace { kNone, kBeforeServer, kAfterServer };

// How the value goes to the Java class. A path is always in double quotes;
// a name that the class must receive whole is quoted when it would split;
// other values go unchanged.
enum class JavaForm { kAsIs, kWhole, kQuoted };

struct Switch {
    const char* text;  // matched whole, case included
    ProgramSet programs;
    SwitchAction action;
    int InvocationState::*counter;  // kCount
    bool InvocationState::*flag;    // kSetFlag
    TextField field;                // kStore
    std::size_t limit;              // longest value accepted
    bool quotedMustFit;             // the value's quoted form, too, must fit one argument
    bool (*conflicts)();            // after the value is stored; null when nothing conflicts
    const char* javaOption;         // what the Java class receives for it; null when nothing
    JavaPlace javaPlace;
    JavaForm javaForm;
    ProgramSet usagePrograms;  // the usage lines that show it
    const char* usage;         // its part of those lines, with the separator before it
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

// Whether the switch was given on the command line, as far as the Java
// class is concerned: a counter above 0, a value not empty.
// Every switch that the Java class receives is counted or has a value.
bool SwitchGiven(const Switch& s);

#endif
