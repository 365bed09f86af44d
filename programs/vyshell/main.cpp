// vyshell: hands its whole command line to the general command-line client.
//
// The arguments are not examined: each is put in double quotes and the
// joined text is passed as one entry of the Java command line, which the
// client's runtime splits back into the original arguments.
#include <string>

#include "core/launcher.h"
#include "platform/cmdline.h"

namespace {

// cmd.exe's own limit for one command line.
constexpr std::size_t kJoinedCapacity = 8192;

Text<kJoinedCapacity> joined;

// Each argument in double quotes and followed by one blank. Backslashes are
// doubled where the client's runtime would otherwise take them as escapes (a
// trailing one, or one before a quote), so that "C:\dir\" arrives intact.
int JoinArguments(int argc, char** argv) {
    joined.clear();
    for (int i = 1; i < argc; ++i) {
        if (!joined.append(cmdline::QuoteArgument(argv[i])) || !joined.append(' ')) {
            Print("%s: The command line is too long: the quoted arguments exceed %d characters\n", ProgramName(),
                  static_cast<int>(joined.kMaxLength));
            return kExitTooLong;
        }
    }
    return 0;
}

// The runner puts the fixed Java arguments before the class and the joined
// arguments.
int StartShellClass() {
    g.javaOptions.append(" -Djava.compiler=NONE ");  // at most 98 + 22 characters: fits
    const char* vector[] = {nullptr, nullptr, nullptr, ProgramOf(kVyshell).javaClass, joined.c_str(), nullptr};
    return SpawnJava(kFirstArgSlot + 2, vector);
}

}  // namespace

int main(int argc, char** argv) {
    InitGlobals();
    g.programType = kVyshell;

    int result = JoinArguments(argc, argv);
    if (result != 0) return result;

    result = SetCLIEnv();
    if (result != 0) return result;

    return StartShellClass();
}
