// InitParameter: the command line of the six programs that take switches.
//
// Arguments are read once, left to right. A switch matches only when the
// whole argument equals it, case included; a switch with a value takes the
// next argument. What a program does not accept ends the run at once with a
// message, the usage line and an exit code.
#include <cstring>

#include "core/launcher.h"
#include "platform/cmdline.h"
#include "platform/platform.h"

namespace {

bool Is(const char* argument, const char* option) { return std::strcmp(argument, option) == 0; }

bool AcceptsVerbose(int type) { return (type >= kVyRunJob && type <= kVyAwaitJob) || type == kVyPingSrv; }
bool AcceptsCredentials(int type) { return type >= kVyRunJob && type <= kVyAwaitJob; }
bool AcceptsServer(int type) { return AcceptsCredentials(type) || type == kVyPingSrv; }

// Whether the program takes the argument as one of its switches that begin
// with "/", matched as InitParameter matches them.
bool IsOwnSwitch(int type, const char* arg) {
    const OptionNames& o = g.options;
    if (Is(arg, o.debug) || Is(arg, o.noSystemCommand)) return true;
    if (Is(arg, o.verbose)) return AcceptsVerbose(type);
    if (Is(arg, o.user) || Is(arg, o.password) || Is(arg, o.securityFile) || Is(arg, o.backupServer)) {
        return AcceptsCredentials(type);
    }
    if (Is(arg, o.server)) return AcceptsServer(type);
    if (Is(arg, o.hostName)) return type == kVySeedHost;
    if (Is(arg, o.volume) || Is(arg, o.volumeList)) return type == kVyProbeVol;
    if (Is(arg, o.map)) return type == kVyProbeVol || type == kVyAwaitJob;
    if (Is(arg, o.threshold)) return type == kVyAwaitJob;
    return false;
}

// A value that begins with "/" is a missing one where only switches begin
// with "/"; where absolute paths do too, only the program's own switches are.
bool TakenForSwitch(int type, const char* value) {
    return value[0] == '/' && (!platform::kSlashBeginsPaths || IsOwnSwitch(type, value));
}

void PrintUsage() { Print("usage: %s\n", UsageText()); }

int ReportTooLong(const char* option, std::size_t limit) {
    Print("%s: The value of %s is longer than %d characters\n", ProgramName(), option, static_cast<int>(limit));
    PrintUsage();
    return kExitTooLong;
}

// Stores a switch's value in its field, or refuses it whole when it is
// longer than the limit (at most the field's own capacity).
template <std::size_t N>
int StoreValue(const char* option, const char* value, Text<N>& field, std::size_t limit = Text<N>::kMaxLength) {
    if (std::strlen(value) > limit || !field.assign(value)) return ReportTooLong(option, limit);
    return 0;
}

// A value that the Java class must receive whole is passed on in quotes
// when it holds a blank, a tab or a double quote; that form, too, must fit
// one argument slot.
int CheckQuotedLength(const char* option, const char* value) {
    constexpr std::size_t kSlot = 1023;
    if (cmdline::NeedsQuoting(value) && cmdline::QuoteArgument(value).size() > kSlot) {
        Print("%s: The value of %s is longer than %d characters once quoted\n", ProgramName(), option,
              static_cast<int>(kSlot));
        PrintUsage();
        return kExitTooLong;
    }
    return 0;
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

int AddRequestedVolume(const char* option, const char* value) {
    if (g.volumeCount >= kMaxVolumes) {
        Print("%s: More than %d volumes are given with %s\n", ProgramName(), kMaxVolumes, option);
        PrintUsage();
        return kExitTooLong;
    }
    int result = StoreValue(option, value, g.requestedVolumes[g.volumeCount]);
    if (result != 0) return result;
    ++g.volumeCount;
    return 0;
}

}  // namespace

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

int InitParameter(int argc, char** argv) {
    const int type = g.programType;
    const OptionNames& o = g.options;

    if (argc <= 1 && type != kVyShowLuns) {
        Print("%s: No parameter(s) specified\n", ProgramName());
        PrintUsage();
        return kExitNoParameters;
    }

    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        // The value of a switch: checked, then stored by the branch below,
        // which makes it the current argument.
        auto value = [&](const char* option) {
            int result = CheckArgValue(type, option, next, i, argc - 1);
            if (result == 0) ++i;
            return result;
        };
        int result = 0;

        if (Is(arg, o.debug)) {
            ++g.debug;
        } else if (Is(arg, o.noSystemCommand)) {
            ++g.noSystemCommand;
        } else if (Is(arg, o.verbose) && AcceptsVerbose(type)) {
            ++g.verbose;
        } else if ((Is(arg, o.user) || Is(arg, o.password)) && AcceptsCredentials(type)) {
            const bool user = Is(arg, o.user);
            if ((result = value(arg)) == 0) {
                result = user ? StoreValue(arg, next, g.userName) : StoreValue(arg, next, g.password);
            }
            if (result == 0 && g.securityFilePath.given()) result = ReportConflict();
        } else if (Is(arg, o.securityFile) && AcceptsCredentials(type)) {
            // The quoted path must still fit one argument slot of the Java
            // command line.
            if ((result = value(arg)) == 0) result = StoreValue(arg, next, g.securityFilePath, kMaxQuotedPath);
            if (result == 0 && (g.userName.given() || g.password.given())) result = ReportConflict();
        } else if ((Is(arg, o.server) && AcceptsServer(type)) || (Is(arg, o.backupServer) && AcceptsCredentials(type))) {
            // "-Server=" and the name must fit one argument slot.
            Text<1024>& field = Is(arg, o.server) ? g.primaryServer : g.backupServer;
            if ((result = value(arg)) == 0) result = StoreValue(arg, next, field, kMaxServerName);
        } else if (type == kVyRunJob) {
            result = arg[0] == '/' ? ReportInvalidParameter(arg) : AppendTaskName(arg);
        } else if (type == kVySeedHost) {
            if (Is(arg, o.hostName)) {
                if ((result = value(arg)) == 0) result = StoreValue(arg, next, g.hostName);
                if (result == 0) result = CheckQuotedLength(arg, next);
            } else {
                result = ReportInvalidParameter(arg);
            }
        } else if (type == kVyProbeVol) {
            if (Is(arg, o.volume)) {
                if ((result = value(arg)) == 0) result = AddRequestedVolume(arg, next);
                if (result == 0 && g.volumeListFile.given()) result = ReportConflict();
            } else if (Is(arg, o.map)) {
                ++g.mapFlag;
            } else if (Is(arg, o.volumeList)) {
                if ((result = value(arg)) == 0) result = StoreValue(arg, next, g.volumeListFile);
                if (result == 0 && g.volumeCount > 0) result = ReportConflict();
            } else {
                result = ReportInvalidParameter(arg);
            }
        } else if (type == kVyAwaitJob) {
            if (Is(arg, o.map) || Is(arg, o.threshold)) {
                const bool minutes = Is(arg, o.map);
                if ((result = value(arg)) == 0) {
                    result = minutes ? StoreValue(arg, next, g.minutes) : StoreValue(arg, next, g.threshold);
                }
            } else {
                result = arg[0] == '/' ? ReportInvalidParameter(arg) : AppendTaskName(arg);
            }
        } else if ((type == kVyShowLuns || type == kVyPingSrv) && Is(arg, o.quiet)) {
            g.quietFlag = 1;
        } else {
            result = ReportInvalidParameter(arg);
        }

        g.resultCode = result;
        if (result != 0) return result;
    }

    // Volumes named with /q must all fit the class's command line.
    if (type == kVyProbeVol) {
        int result = CheckVolumeRoom();
        g.resultCode = result;
        if (result != 0) return result;
    }

    if (g.debug) Print("- InitParameter done\n");
    return 0;
}
