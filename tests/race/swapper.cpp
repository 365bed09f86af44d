// An attacker on the same machine, for the swap race (swap_race.bats): run
// as another user, it watches folders that it may write and puts a symbolic
// link in place of every entry that appears there, as fast as it can:
//
//   swapper SECONDS FILE-TARGET FOLDER-TARGET FOLDER...
//
// A file that appears is removed (or moved aside) and a link to FILE-TARGET
// takes its name; a folder is moved aside and a link to FOLDER-TARGET takes
// its name. It ends after SECONDS, or when the file named by FOLDER/.stop
// exists in the first folder, and prints how many swaps it made.
#include <dirent.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

double Now() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

bool Ours(const char* name) {
    return name[0] == '.' || std::strstr(name, ".moved") != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: swapper SECONDS FILE-TARGET FOLDER-TARGET FOLDER...\n");
        return 2;
    }
    const double deadline = Now() + std::atof(argv[1]);
    const char* fileTarget = argv[2];
    const char* folderTarget = argv[3];
    const std::string stop = std::string(argv[4]) + "/.stop";
    long swaps = 0;
    while (Now() < deadline && access(stop.c_str(), F_OK) != 0) {
        for (int f = 4; f < argc; ++f) {
            DIR* dir = opendir(argv[f]);
            if (dir == nullptr) continue;
            while (dirent* entry = readdir(dir)) {
                if (Ours(entry->d_name)) continue;
                const std::string path = std::string(argv[f]) + "/" + entry->d_name;
                struct stat st;
                if (lstat(path.c_str(), &st) != 0 || S_ISLNK(st.st_mode)) continue;
                const std::string aside = path + ".moved" + std::to_string(swaps);
                bool gone = false;
                if (S_ISDIR(st.st_mode)) {
                    gone = rename(path.c_str(), aside.c_str()) == 0;
                } else {
                    gone = unlink(path.c_str()) == 0 || rename(path.c_str(), aside.c_str()) == 0;
                }
                if (gone && symlink(S_ISDIR(st.st_mode) ? folderTarget : fileTarget, path.c_str()) == 0) ++swaps;
            }
            closedir(dir);
        }
    }
    std::printf("%ld swaps\n", swaps);
    return 0;
}
