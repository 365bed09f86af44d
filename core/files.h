// File rules that discovery and vySeedHost share: the current directory in
// which their temporary files are made, and removing such a file.
#ifndef VY_CORE_FILES_H
#define VY_CORE_FILES_H

#include <cstddef>
#include <string>

// The longest current directory in which discovery and vySeedHost make their
// files: 259 characters, the 260 bytes of a Windows path less its
// terminator, on every platform. The directory is read whole; a longer one
// counts as one that cannot be read.
constexpr std::size_t kMaxCurrentDirectory = 259;

// The current directory; false when it cannot be read or is longer than
// kMaxCurrentDirectory.
bool ReadCurrentDirectory(std::string* directory);

// Removes the file when it is there; nothing when it is not.
void RemoveIfPresent(const char* path);

#endif
