// A stand-in for the Java launcher, built as "java" and "jre".
//
// Every start appends to the file named by FAKEJAVA_LOG: one line per
// argument ("argv[i]=<text>"), each line of the volume file named after
// "-l" ("volume file: <line>", read in text mode), the JAVA_HOME it
// inherited, and "end". On
// Windows it also appends its raw command line to FAKEJAVA_CMDLOG.
//
// Its exit status follows FAKEJAVA_EXIT, a list of rules "KEY=STATUS"
// separated by "|": the first rule whose KEY equals one of its arguments
// (a class name, "-Server=name", ...) gives the status; otherwise 0. It
// prints one line of its own so that tests can see where its output falls.
#include <cstdio>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

static int ExitStatus(int argc, char** argv) {
    const char* rules = std::getenv("FAKEJAVA_EXIT");
    if (rules == nullptr) return 0;
    std::string list(rules);
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find('|', start);
        if (end == std::string::npos) end = list.size();
        std::string rule = list.substr(start, end - start);
        std::size_t equals = rule.rfind('=');
        if (equals != std::string::npos) {
            std::string key = rule.substr(0, equals);
            for (int i = 1; i < argc; ++i) {
                if (key == argv[i]) return std::atoi(rule.c_str() + equals + 1);
            }
        }
        start = end + 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (const char* log = std::getenv("FAKEJAVA_LOG")) {
        if (FILE* f = std::fopen(log, "ab")) {
            for (int i = 0; i < argc; ++i) std::fprintf(f, "argv[%d]=%s\n", i, argv[i]);
            // The volume file named after "-l", as the class reads it.
            for (int i = 1; i + 1 < argc; ++i) {
                if (std::string(argv[i]) != "-l") continue;
                FILE* volumes = std::fopen(argv[i + 1], "r");
                if (volumes == nullptr) {
                    std::fprintf(f, "volume file: cannot open\n");
                    continue;
                }
                char line[4096];
                while (std::fgets(line, sizeof line, volumes) != nullptr) std::fprintf(f, "volume file: %s", line);
                std::fclose(volumes);
            }
            const char* home = std::getenv("JAVA_HOME");
            std::fprintf(f, "JAVA_HOME=%s\n", home != nullptr ? home : "(unset)");
            std::fprintf(f, "end\n");
            std::fclose(f);
        }
    }
#ifdef _WIN32
    if (const char* log = std::getenv("FAKEJAVA_CMDLOG")) {
        if (FILE* f = std::fopen(log, "ab")) {
            std::fprintf(f, "%s\n", GetCommandLineA());
            std::fclose(f);
        }
    }
#endif
    // The class follows the class-path switch and its value.
    const char* cls = "(no class)";
    for (int i = 1; i + 2 < argc; ++i) {
        if (std::string(argv[i]) == "-classpath") {
            cls = argv[i + 2];
            break;
        }
    }
    int status = ExitStatus(argc, argv);
    std::printf("[java] %s exits %d\n", cls, status);
    std::fflush(stdout);
    return status;
}
