// SetCLIEnv: the installation, CLI.CFG, JAVA_HOME, PATH and the fixed Java
// arguments.
#include <cstdio>
#include <string>
#include <string_view>

#include "core/launcher.h"
#include "core/suite_facts.h"
#include "core/words.h"
#include "platform/files.h"
#include "platform/process.h"

namespace {

// Reads the next piece of a line: up to kLongestRead characters, stopping
// after a line feed. A carriage return that comes
// right before a line feed is dropped, as in text mode. False at the end of
// the file, and when the file cannot be read.
bool ReadPiece(FILE* file, std::string& piece) {
    piece.clear();
    while (piece.size() < kLongestRead) {
        int c = std::fgetc(file);
        if (c == EOF) break;
        if (c == '\r') {
            int next = std::fgetc(file);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, file);
            }
        }
        piece += static_cast<char>(c);
        if (c == '\n') break;
    }
    return !piece.empty() && !std::ferror(file);
}

bool IsAsciiLetterOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool IsPrintable(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 32 && u <= 126;
}

int ReportNotAccessible() {
    Print("%s: The CLI.CFG file is not found or accessible.\n", ProgramName());
    Print("If the command line interface was recently installed, it may be necessary to reboot in order "
          "to refresh the INSTALL environment variable.\n");
    return kExitNoConfig;
}

void PrintFormatError() { Print("%s: The CLI.CFG file format is incorrect", ProgramName()); }

}  // namespace

int ReadCLICfg(JavaSettings& settings) {
    Text<200> path;
    if (!path.assign(g.installPath.view()) || !path.append(platform::kPathSeparator) ||
        !path.append("CLI.CFG")) {
        Print("%s: The <INSTALL> path is longer than %d characters.\n", ProgramName(), kMaxInstallPath);
        return kExitNoConfig;
    }

    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) return ReportNotAccessible();

    settings.launcherChoice.clear();
    settings.javaInstall.clear();
    settings.classPath.clear();
    settings.javaOptions.clear();

    int result = 0;
    std::string buffer;
    while (result == 0 && ReadPiece(file, buffer)) {
        // The piece is handled as the C string it would be: a zero byte ends it.
        std::string_view piece(buffer);
        piece = piece.substr(0, piece.find('\0'));
        if (piece.empty() || !IsAsciiLetterOrDigit(piece[0])) continue;

        std::size_t equals = piece.find('=');
        if (equals == std::string_view::npos) {
            PrintFormatError();
            result = kExitConfigFormat;
            break;
        }
        std::string_view key = piece.substr(0, equals);
        std::string_view value = piece.substr(equals + 1);
        std::size_t end = 0;
        while (end < value.size() && IsPrintable(value[end])) ++end;
        value = value.substr(0, end);

        Text<1024>* field = nullptr;
        if (key == "JAVA_JRE") {
            field = &settings.launcherChoice;
        } else if (key == "JAVA_INSTALL") {
            field = &settings.javaInstall;
        } else if (key == "JAVA_CLASSPATH") {
            field = &settings.classPath;
        } else if (key == "JAVA_EXEC_OPTIONS") {
            field = &settings.javaOptions;
        } else {
            PrintFormatError();
            result = kExitConfigFormat;
            break;
        }
        if (value.empty()) continue;

        if (field == &settings.classPath) {
            // A piece holds at most 97 characters of value, so only the sum
            // of many class-path lines can outgrow the field. The separator
            // and the value go in together or not at all, so that a refused
            // value leaves no separator behind.
            std::string entry(1, platform::kListSeparator);
            entry.append(value);
            if (!settings.classPath.append(entry)) {
                Print("%s: The JAVA_CLASSPATH values of CLI.CFG add up to more than %d characters\n",
                      ProgramName(), static_cast<int>(settings.classPath.kMaxLength));
                result = kExitConfigFormat;
            }
        } else {
            field->assign(value);
        }
    }
    // A file that opens but cannot be read (a folder, on POSIX) is no more
    // accessible than one that does not open.
    if (result == 0 && std::ferror(file)) result = ReportNotAccessible();
    std::fclose(file);
    return result;
}

// The longest class-path argument: `-classpath ".`, the list separator, the
// JAVA_CLASSPATH values, the list separator, each archive after the longest
// install path and a separator and before a list separator, and `"`.
constexpr std::size_t LongestClassPathArgument() {
    std::size_t length = 13 + 1 + decltype(JavaSettings::classPath)::kMaxLength + 1 + 1;
    for (std::string_view jar : kClientJars) length += kMaxInstallPath + 1 + jar.size() + 1;
    return length;
}
static_assert(LongestClassPathArgument() <= decltype(InvocationState::classPathArgument)::kMaxLength,
              "the class-path argument must fit its field whatever CLI.CFG and INSTALL hold");

int SetJavaEnv() {
    int result = ReadCLICfg(g.java);
    if (result != 0) return result;

    const bool jre = g.java.launcherChoice.view().substr(0, 3) == "JRE";
    g.java.launcherChoice.assign(jre ? "jre" : "java");

    if (g.java.javaInstall.empty()) return kExitNoJavaInstall;
    if (g.java.classPath.empty()) return kExitNoClassPath;

    // At most 1,023 + 4 characters after "JAVA_HOME=": always fits.
    g.javaHomeSetting.assign("JAVA_HOME=");
    g.javaHomeSetting.append(g.java.javaInstall.view());
    g.javaHomeSetting.append(g.java.launcherChoice.view());
    if (!platform::PutEnv(g.javaHomeSetting.c_str())) {
        Print("%s: put the JAVA_HOME environment failed\n", ProgramName());
        return kExitPutEnv;
    }
    if (g.debug) {
        const char* home = platform::GetEnv("JAVA_HOME");
        Print("- JAVA_HOME    = %s\n", home != nullptr ? home : "(null)");
    }

    // Within the limits of the install path (191 characters) and the class
    // path (1,023) the class-path argument always fits its 2,048 bytes.
    const char sep = platform::kPathSeparator;
    const char list = platform::kListSeparator;
    g.launcherName.assign(g.java.launcherChoice.view());
    g.javaOptions.assign(g.java.javaOptions.view());
    Text<2048>& cp = g.classPathArgument;
    cp.assign("-classpath \".");
    cp.append(list);
    cp.append(g.java.classPath.view());
    cp.append(list);
    for (const char* jar : kClientJars) {
        cp.append(g.installPath.view());
        cp.append(sep);
        cp.append(jar);
        cp.append(list);
    }
    cp.append('"');
    return 0;
}

int SetPathEnv() {
    const char* drivers = platform::GetEnv("INSTALLLNB");
    const char list = platform::kListSeparator;
    bool fits = g.driverDirectory.assign(drivers != nullptr ? drivers : platform::kDefaultDriverDirectories);

    Text<4100>& path = g.pathSetting;
    fits = fits && path.assign("PATH=") && path.append(g.driverDirectory.view()) && path.append(list);
    if (fits && g.installPath.given()) {
        fits = path.append(g.installPath.view()) && path.append(list) && path.append(g.java.javaInstall.view()) &&
               path.append(list);
    }
    if (!fits) {
        Print("%s: put the PATH environment failed\n", ProgramName());
        return kExitPutEnv;
    }
    // The inherited search path follows the composed directories, so that
    // the children still find the system's own programs. It is not part of
    // the PATH setting field and does not count against its size.
    std::string assignment = path.c_str();
    const char* inherited = platform::GetEnv("PATH");
    if (inherited != nullptr) assignment += inherited;
    if (!platform::PutEnv(assignment.c_str())) {
        Print("%s: put the PATH environment failed\n", ProgramName());
        return kExitPutEnv;
    }
    if (g.debug) {
        const char* value = platform::GetEnv("PATH");
        Print("- PATH         = %s\n", value != nullptr ? value : "(null)");
    }
    return 0;
}

int SetCLIEnv() {
    if (g.debug) Print("- Start SetCLIEnv\n");
    const char* install = platform::GetEnv("INSTALL");
    if (install == nullptr) {
        Print("%s: No value is specified for the <INSTALL> system variable.\n", ProgramName());
        return kExitNoInstall;
    }
    if (!g.installPath.assign(install)) {
        Print("%s: The <INSTALL> path is longer than %d characters.\n", ProgramName(), kMaxInstallPath);
        return kExitNoConfig;
    }
    if (g.debug) Print("- Install Path = %s\n", g.installPath.c_str());

    int result = SetJavaEnv();
    if (result != 0) return result;
    result = SetPathEnv();
    if (result != 0) return result;

    if (g.debug) Print("- SetCLIEnv done\n");
    return 0;
}
