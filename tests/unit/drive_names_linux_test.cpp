// The host's SCSI disks are found by their names in /dev: "sd" and letters,
// a, ..., z, aa, ... numbered 0, ..., 25, 26, ... Shown in a mount namespace
// of the test's own, with a /dev that holds made-up names.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "platform/drive.h"

namespace {

// In a child process: a fresh /dev holding these names; the names the
// drive source gives for it, one a line, or "no namespace".
std::string NamesFor(const std::vector<std::string>& files) {
    int out[2];
    if (pipe(out) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        std::string text;
        if (unshare(CLONE_NEWNS) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
            text = "no namespace";
        } else if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                   mount("tmpfs", "/dev", "tmpfs", 0, nullptr) != 0) {
            text = "no namespace";
        } else {
            for (const std::string& f : files) std::ofstream("/dev/" + f) << "";
            std::vector<std::string> names;
            platform::ListDeviceNames(&names);
            std::sort(names.begin(), names.end());
            for (const std::string& n : names) text += n + "\n";
        }
        (void)!write(out[1], text.data(), text.size());
        _exit(0);
    }
    close(out[1]);
    std::string text;
    char buf[256];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return text;
}

TEST(DriveNames, EachEndOfTheLetterRangesIsADisk) {
    const std::string names = NamesFor({"sda", "sdy", "sdz", "sdaa", "sdaz", "sdba", "sdzz", "sdaaa", "sd", "sdA",
                                        "sd1", "sdz1", "sd{", "sd`", "vda", "sg0"});
    if (names == "no namespace") GTEST_SKIP() << "no mount namespace to be had here";
    EXPECT_EQ(names,
              "PhysicalDrive0\nPhysicalDrive24\nPhysicalDrive25\nPhysicalDrive26\nPhysicalDrive51\n"
              "PhysicalDrive52\nPhysicalDrive701\nPhysicalDrive702\n");
}

}  // namespace
