// The physical drives: the system's device names and the inquiry sent to one
// drive. drive.cpp in posix/ and win32/ defines them.
#ifndef VY_PLATFORM_DRIVE_H
#define VY_PLATFORM_DRIVE_H

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// Physical drives, for the inquiry of the storage server's volumes.
//
// ListDeviceNames gives the system's device names in the system's order.
// On Windows these are the MS-DOS device names ("PhysicalDrive0", "C:",
// "COM1", ...). On POSIX each SCSI disk /dev/sd<letters> is listed as
// "PhysicalDrive<n>", numbered as the kernel names its disks: sda is 0, sdz
// 25, sdaa 26, sdaz 51, sdba 52, ... False when no list can be had.
//
// InquirePhysicalDrive opens drive <number> for reading and writing, sends
// it the standard INQUIRY (12h 00h 00h 00h A5h 00h) for kInquiryLength
// bytes, and closes it again. True when the drive answered with data; the
// bytes it did not send stay zero. False when it cannot be opened or sent
// nothing.
constexpr std::size_t kInquiryLength = 165;
bool ListDeviceNames(std::vector<std::string>* names);
bool InquirePhysicalDrive(int number, unsigned char (&data)[kInquiryLength]);

}  // namespace platform

#endif
