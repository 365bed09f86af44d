// vyshell's steps: its whole command line handed to the general
// command-line client.
//
// The arguments are not examined: each is put in double quotes and the
// joined text is passed as one entry of the Java command line, which the
// client's runtime splits back into the original arguments.
#include "core/launcher.h"
#include "platform/cmdline.h"

// Each argument in double quotes and followed by one blank. Backslashes are
// doubled where the client's runtime would otherwise take them as escapes (a
// trailing one, or one before a quote), so that "C:\dir\" arrives intact.
int JoinShellArguments(int argc, char** argv) {
    g.shellArguments.clear();
    for (int i = 1; i < argc; ++i) {
        if (!g.shellArguments.append(cmdline::QuoteArgument(argv[i])) || !g.shellArguments.append(' ')) {
            Print("%s: The command line is too long: the quoted arguments exceed %d characters\n", ProgramName(),
                  static_cast<int>(g.shellArguments.kMaxLength));
            return kExitTooLong;
        }
    }
    return 0;
}

// The runner puts the fixed Java arguments before the class and the joined
// arguments.
int StartShellClass() {
    g.javaOptions.append(" -Djava.compiler=NONE ");  // at most 98 + 22 characters: fits
    const char* javaClass = ProgramOf(g.programType).javaClass;
    const char* vector[] = {nullptr, nullptr, nullptr, javaClass != nullptr ? javaClass : "", g.shellArguments.c_str(),
                            nullptr};
    return SpawnJava(kFirstArgSlot + 2, vector);
}
