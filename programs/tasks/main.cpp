// vyRunJob and vyAwaitJob: run named copy tasks on the server, or ask
// whether they have completed. The build compiles this entry point twice;
// the program type is the only difference.
#include "core/launcher.h"

#ifndef VY_TASK_PROGRAM
#error "VY_TASK_PROGRAM must name the program type"
#endif

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
