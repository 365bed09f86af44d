// vyshell: hands its whole command line to the general command-line client.
#include "core/launcher.h"

int main(int argc, char** argv) {
    InitGlobals();
    g.programType = kVyshell;

    int result = JoinShellArguments(argc, argv);
    if (result == 0) result = SetCLIEnv();
    if (result == 0) result = StartShellClass();
    return result;
}
