// GetPwd: the launcher's check of the security file named with /a. The Java
// class reads the file itself; the launcher only makes sure that it can be
// read and that its first line holds a user name and a password.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "core/launcher.h"
#include "core/words.h"

namespace {

constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

}  // namespace

int GetPwd() {
    if (g.debug) Print("- Start GetPwd\n");

    if (g.securityFilePath.given()) {
        const char* path = g.securityFilePath.c_str();
        std::FILE* file = std::fopen(path, "r");
        if (file == nullptr) {
            Print("%s: security file %s could not be found\n", ProgramName(), path);
            return kExitNoSecurityFile;
        }
        // Only the first 79 characters of the first line are looked at. A
        // UTF-8 byte-order mark at the start of the file (some Windows
        // editors write one) is not part of the line: the Java class skips
        // it too, and would otherwise refuse a line that the mark made look
        // like two words. The first three characters are read on their own
        // to find it, so that no byte ever has to be put back.
        char line[80];
        bool read = std::fgets(line, 4, file) != nullptr;
        if (read && std::strcmp(line, kUtf8Mark) == 0) {
            read = std::fgets(line, sizeof line, file) != nullptr;
        } else if (read && std::strlen(line) == 3 && line[2] != '\n') {
            // The rest of the 79 characters; a zero byte among the first
            // three ends the line anyway.
            std::fgets(line + 3, sizeof line - 3, file);
        }
        // A file that exists but cannot be read (a folder, say) counts as
        // not found; an empty one has no first line.
        const bool unreadable = std::ferror(file) != 0;
        if (read) g.securityLine.assign(line);
        std::fclose(file);
        if (unreadable) {
            Print("%s: security file %s could not be found\n", ProgramName(), path);
            return kExitNoSecurityFile;
        }
        if (!read) {
            Print("%s: format of security file %s is incorrect\n", ProgramName(), path);
            return kExitSecurityFileEmpty;
        }

        // Each word has at most 78 characters: both always fit.
        Text<100> user;
        Text<100> password;
        std::string_view rest = g.securityLine.view();
        user.assign(NextWord(rest));
        password.assign(NextWord(rest));
        if (user.empty() || password.empty()) {
            Print("%s: format of security file %s is incorrect\n", ProgramName(), path);
            return kExitSecurityFileFormat;
        }
    }

    if (g.debug) Print("- GetPwd done\n");
    return 0;
}
