// vyRunJob and vyAwaitJob: run named copy tasks on the server, or ask
// whether they have completed. The build compiles this entry point twice;
// the program type is the only difference.
#include "core/launcher.h"

#ifndef VY_TASK_PROGRAM
#error "VY_TASK_PROGRAM must name the program type"
#endif

namespace {

// The task names are checked after the security file and before any server
// is probed.
int CheckTaskNames() {
    if (!g.taskNames.given()) {
        Print("%s: No task names specified\n", ProgramName());
        return kExitNoTaskNames;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    InitGlobals();
    g.programType = VY_TASK_PROGRAM;

    int result = InitParameter(argc, argv);
    if (result == 0) result = SetCLIEnv();
    if (result == 0) result = GetPwd();
    if (result == 0) result = CheckTaskNames();
    if (result == 0) result = CheckServer();
    if (result == 0) result = ExecuteJava();
    return result;
}
