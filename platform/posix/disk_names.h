// The names of Linux's SCSI disks and the drive numbers they stand for.
#ifndef VY_PLATFORM_POSIX_DISK_NAMES_H
#define VY_PLATFORM_POSIX_DISK_NAMES_H

#include <cstddef>
#include <string>

namespace platform {

// The kernel names its SCSI disks sda ... sdz, sdaa ... sdzz, sdaaa ...: the
// letters are a number in bijective base 26, and drive n is the (n+1)-th
// disk name. Names of up to six letters are taken (sdzzzzzz is drive
// 321272405, far beyond any host's disks); any other name, a partition's
// such as sda1 among them, is none.
constexpr std::size_t kDiskNameLetters = 6;
bool DiskNumber(const char* name, int* number);

// The device of drive number (0 or more, at most the largest number above).
std::string DiskPath(int number);

}  // namespace platform

#endif
