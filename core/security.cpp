// GetPwd: the launcher's check of the security file named with /a. The Java
// class reads the file itself; the launcher only makes sure that it can be
// read and that its first line holds a user name and a password.
#include <cstdio>
#include <string_view>

#include "core/launcher.h"
#include "core/words.h"

int GetPwd() {
    if (g.debug) Print("- Start GetPwd\n");

    if (g.securityFilePath.given()) {
        const char* path = g.securityFilePath.c_str();
        std::FILE* file = std::fopen(path, "r");
        if (file == nullptr) {
            Print("%s: security file %s could not be found\n", ProgramName(), path);
            return kExitNoSecurityFile;
        }
        // Only the first 79 characters of the first line are looked at.
        char line[80];
        const bool read = std::fgets(line, sizeof line, file) != nullptr;
        // A file that exists but cannot be read (a folder, say) counts as
        // not found; an empty one has no first line.
        const bool unreadable = !read && std::ferror(file);
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
