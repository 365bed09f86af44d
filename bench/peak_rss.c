/* Runs a program and prints its peak resident memory in KiB (the largest of
   it and the children it waited for), then ends with the program's own exit
   status. The program's standard output goes to /dev/null.

   Linked statically and kept small: the figure of a process started by a
   fork cannot fall below that of the process that forked it. */
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: bench_peak_rss PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    pid_t pid = fork();
    if (pid < 0) return 2;
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 1);
        execv(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    if (wait4(pid, &status, 0, &usage) < 0) return 2;
    printf("%ld\n", usage.ru_maxrss);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
