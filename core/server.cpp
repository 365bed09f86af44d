// CheckServer: makes sure that a server named on the command line answers
// before any work is sent to it, and chooses the server the task will use.
#include "core/launcher.h"
#include "core/switches.h"

namespace {

// One run of the probe class against a server; its exit status is the
// verdict (0: the server answers). Every probe fills the argument table
// from the first argument slot again.
int Probe(const Text<1024>& server) {
    g.argCount = kFirstArgSlot;
    const Program& program = ProgramOf(g.programType);
    AppendArgument(program.probeClass != nullptr ? program.probeClass : "");
    if (g.verbose && program.probeAnswers) AppendArgument("-Verbose=yes");
    // The parser refuses server names that would not fit here.
    Text<1024> option;
    option.assign(kProbeServerOption);
    option.append(server.view());
    AppendArgument(option.c_str());
    return SpawnJava(g.argCount, g.argVector);
}

}  // namespace

int CheckServer() {
    // Where the probe's status is the answer itself (vyPingSrv), a silent
    // server is no error, and nothing is printed about it.
    const bool stops = !ProgramOf(g.programType).probeAnswers;
    const bool primary = g.primaryServer.given();
    const bool backup = g.backupServer.given();
    int status = 0;  // of the last probe: vyPingSrv's answer

    if (g.debug) Print("- Start CheckServer\n");
    if (!primary && !backup) {
        Print("%s: No primary or backup Server name specified\n", ProgramName());
        Print("usage: %s\n", UsageText().c_str());
        return kExitNoServer;
    }

    if (primary != backup) {
        // One server alone: it must answer.
        const bool isPrimary = primary;
        const Text<1024>& server = isPrimary ? g.primaryServer : g.backupServer;
        if (g.debug) Print(isPrimary ? "- Primary Server is present\n" : "- Backup Server is present\n");
        status = Probe(server);
        if (status != 0 && stops) {
            Print(isPrimary ? "%s: The primary server is down and there is no backup server specified. The task is "
                              "not completed.\n"
                            : "%s: The backup server is down and there is no primary server specified. The task is "
                              "not completed.\n",
                  ProgramName());
            return isPrimary ? kExitPrimaryDown : kExitBackupDown;
        }
        g.taskServer.assign(server.view());
    } else {
        if (g.debug) Print("- Primary and Backup Server is present\n");
        status = Probe(g.primaryServer);
        if (status == 0) {
            g.taskServer.assign(g.primaryServer.view());
        } else {
            if (g.verbose && stops) {
                Print("%s: The primary server is down, trying the specified backup server...\n", ProgramName());
            }
            status = Probe(g.backupServer);
            if (status != 0 && stops) {
                Print("%s: The primary and backup server are down. Task not completed.\n", ProgramName());
                return kExitBothDown;
            }
            g.taskServer.assign(g.backupServer.view());
            if (g.verbose && stops) Print("%s: The task will be run off the backup server.\n", ProgramName());
        }
    }

    if (g.debug) Print("- CheckServer done\n");
    return status;
}
