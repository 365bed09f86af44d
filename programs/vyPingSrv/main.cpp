// vyPingSrv: tells whether a server answers. The exit status is the probe's
// verdict: 0 when the server answers, the probe's own status otherwise.
#include "core/launcher.h"

int main(int argc, char** argv) {
    InitGlobals();
    g.programType = kVyPingSrv;

    int result = InitParameter(argc, argv);
    if (result == 0) result = SetCLIEnv();
    if (result == 0) result = CheckServer();
    return result;
}
