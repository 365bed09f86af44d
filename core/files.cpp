// Current directory and file removal for temporary files.
#include "core/files.h"

#include "platform/files.h"

bool ReadCurrentDirectory(std::string* directory) {
    return platform::CurrentDirectory(directory) && directory->size() <= kMaxCurrentDirectory;
}

void RemoveIfPresent(const char* path) {
    if (platform::FileExists(path)) platform::RemoveFile(path);
}
