// InitParameter: the command line of the six programs that take switches.
//
// Arguments are read once, left to right. A switch matches only when the
// whole argument equals it, case included; a switch with a value takes the
// next argument. What a program does not accept ends the run at once with a
// message, the usage line and an exit code. Which program accepts what, and
// what each switch does, is the switch table's (switches.h); what the
// arguments that are not switches are, and what is checked once the whole
// command line is read, is the program table's (programs.h).
#include <cstring>
#include <string>
#include <string_view>

#include "core/launcher.h"
#include "core/switches.h"
#include "platform/cmdline.h"
#include "platform/files.h"

namespace {

// A value that begins with "/" is a missing one where only switches begin
// with "/"; where absolute paths do too, only the program's own switches are.
bool TakenForSwitch(int type, const char* value) {
    return value[0] == '/' && (!platform::kSlashBeginsPaths || FindSwitch(type, value) != nullptr);
}

void PrintUsage() { Print("usage: %s\n", UsageText().c_str()); }

int ReportTooLong(const char* option, std::size_t limit) {
    Print("%s: The value of %s is longer than %d characters\n", ProgramName(), option, static_cast<int>(limit));
    PrintUsage();
    return kExitTooLong;
}

int ReportInvalidParameter(const char* argument) {
    Print("%s: Invalid parameter specified (%s)\n", ProgramName(), argument);
    PrintUsage();
    return kExitInvalidParameter;
}

int ReportConflict() {
    Print("%s: Conflicting parameters\n", ProgramName());
    PrintUsage();
    return kExitConflict;
}

// The value of a switch: 10 when the switch is the last argument, 20 when
// the next argument is taken for a switch.
int CheckArgValue(int programType, const char* option, const char* next, int index, int count) {
    if (g.debug == 2) {
        Print("%s\t%s\t%d\t%d\n", ProgramName(), next != nullptr ? next : "(null)", index, count);
    }
    if (next == nullptr) {
        Print("%s: Missing argument for %s\n", ProgramName(), option);
        PrintUsage();
        return kExitMissingArgument;
    }
    if (TakenForSwitch(programType, next)) {
        Print("%s: Missing argument for %s\n", ProgramName(), option);
        PrintUsage();
        return kExitArgumentIsSwitch;
    }
    return 0;
}

// A value that the Java class must receive whole is passed on in quotes
// when it holds a blank, a tab or a double quote; that form, too, must fit
// one argument.
int CheckQuotedLength(const char* option, const char* value) {
    if (cmdline::NeedsQuoting(value) && cmdline::QuoteArgument(value).size() > kMaxArgument) {
        Print("%s: The value of %s is longer than %d characters once quoted\n", ProgramName(), option,
              static_cast<int>(kMaxArgument));
        PrintUsage();
        return kExitTooLong;
    }
    return 0;
}

// The child splits its command line into arguments again: a value passed on
// as it stands reaches it as the words it splits into. Exactly one is
// wanted. Blanks and tabs around the value are dropped there, as they always
// were; a double quote would join the value with the arguments after it.
bool ArrivesAsOneArgument(std::string_view text) {
    return text.find('"') == std::string_view::npos && cmdline::SplitCommandLine(text).size() == 1;
}

// A value that would reach the class split, or not at all, is refused:
// "/s "a -Server=b"" would have the probe check one server and the task
// class use another. An empty value is not passed on at all (one that adds
// a volume is refused once the whole command line is read).
int CheckOneArgument(const Switch& s, std::string_view value) {
    if (!s.oneArgument || value.empty()) return 0;
    bool one = ArrivesAsOneArgument(value);
    if (one && s.probed) one = ArrivesAsOneArgument(std::string(kProbeServerOption).append(value));
    if (one) return 0;
    Print("%s: The value of %s would not reach the Java class as one argument\n", ProgramName(), s.text);
    PrintUsage();
    return kExitNotOneArgument;
}

// Stores a switch's value in its field, or refuses it whole when it is
// longer than the switch's limit (at most the field's own capacity).
int StoreValue(const Switch& s, const char* value) {
    if (std::strlen(value) > s.Limit() || !s.target.field.assign(value)) return ReportTooLong(s.text, s.Limit());
    int result = CheckOneArgument(s, value);
    if (result != 0) return result;
    return s.quotedMustFit ? CheckQuotedLength(s.text, value) : 0;
}

int AppendTaskName(const char* name) {
    if (std::strlen(name) + 1 > g.taskNames.kMaxLength - g.taskNames.size()) {
        Print("%s: The task names are longer than %d characters in all\n", ProgramName(),
              static_cast<int>(g.taskNames.kMaxLength));
        PrintUsage();
        return kExitTooLong;
    }
    g.taskNames.append(' ');
    g.taskNames.append(name);
    return 0;
}

int AddRequestedVolume(const Switch& s, const char* value) {
    if (g.volumeCount >= kMaxVolumes) {
        Print("%s: More than %d volumes are given with %s\n", ProgramName(), kMaxVolumes, s.text);
        PrintUsage();
        return kExitTooLong;
    }
    if (std::strlen(value) > s.Limit()) return ReportTooLong(s.text, s.Limit());
    // A refused name leaves no entry behind the volume count.
    int result = CheckOneArgument(s, value);
    if (result != 0) return result;
    if (!g.requestedVolumes[g.volumeCount].assign(value)) return ReportTooLong(s.text, s.Limit());
    ++g.volumeCount;
    return 0;
}

// An empty volume name would reach the class as no argument at all, and the
// mapping would stop at it: the names after it would be lost. It still
// counts as a volume for the conflict with the volume list, so it is refused
// only once the whole command line is read, named by the switch that adds
// volumes.
int CheckNoEmptyVolume(int type) {
    for (int i = 0; i < g.volumeCount; ++i) {
        if (!g.requestedVolumes[i].empty()) continue;
        const char* option = "";
        for (const Switch& s : kSwitches) {
            if (s.target.action == SwitchAction::kAddVolume && Accepts(s.programs, type)) option = s.text;
        }
        Print("%s: The value of %s is empty\n", ProgramName(), option);
        PrintUsage();
        return kExitNotOneArgument;
    }
    return 0;
}

// What the switch does once matched; a switch with a value makes the next
// argument the current one.
int Apply(const Switch& s, int type, int& i, int argc, char** argv) {
    switch (s.target.action) {
        case SwitchAction::kCount: ++(g.*s.target.counter); return 0;
        case SwitchAction::kSetFlag: g.*s.target.flag = true; return 0;
        case SwitchAction::kStore:
        case SwitchAction::kAddVolume: break;
    }
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    int result = CheckArgValue(type, s.text, next, i, argc - 1);
    if (result != 0) return result;
    ++i;
    result = s.target.action == SwitchAction::kStore ? StoreValue(s, next) : AddRequestedVolume(s, next);
    if (result == 0 && s.conflicts != nullptr && s.conflicts()) result = ReportConflict();
    return result;
}

}  // namespace

int InitParameter(int argc, char** argv) {
    const int type = g.programType;

    if (argc <= 1 && !ProgramOf(type).runsWithoutArguments) {
        Print("%s: No parameter(s) specified\n", ProgramName());
        PrintUsage();
        return kExitNoParameters;
    }

    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        int result = 0;
        if (const Switch* s = FindSwitch(type, arg)) {
            result = Apply(*s, type, i, argc, argv);
        } else if (TakesTaskNames(ProgramOf(type)) && arg[0] != '/') {
            result = AppendTaskName(arg);
        } else {
            result = ReportInvalidParameter(arg);
        }
        if (result != 0) return result;
    }

    // Volumes handed on after the server must each be a name and must all
    // fit the class's command line.
    if (ProgramOf(type).afterServer == AfterServer::kVolumes) {
        int result = CheckNoEmptyVolume(type);
        if (result == 0) result = CheckVolumeRoom();
        if (result != 0) return result;
    }

    if (g.debug) Print("- InitParameter done\n");
    return 0;
}
