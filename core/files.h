// File rules that discovery and vySeedHost share: the current directory in
// which their temporary files are made, and removing such a file.
#ifndef VY_CORE_FILES_H
#define VY_CORE_FILES_H

#include <cstddef>
#include <string>

// The current directory is read as into a buffer of 260 bytes: a longer one
// cannot be read.
constexpr std::size_t kMaxCurrentDirectory = 259;

// The current directory; false when it cannot be read or is longer than
// kMaxCurrentDirectory.
bool ReadCurrentDirectory(std::string* directory);

// Removes the file when it is there; nothing when it is not.
void RemoveIfPresent(const char* path);

#endif
