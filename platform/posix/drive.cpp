// The POSIX port of the platform layer: the physical drives and their
// inquiry, the SCSI disks of Linux through the SG_IO ioctl.
#include <dirent.h>
#include <fcntl.h>
#include <string.h>
#include <unistd.h>

#if defined(__linux__)
#include <scsi/sg.h>
#include <sys/ioctl.h>
#endif

#include <string>
#include <vector>

#include "platform/drive.h"
#include "platform/posix/disk_names.h"

namespace platform {

bool DiskNumber(const char* name, int* number) {
    if (strncmp(name, "sd", 2) != 0) return false;
    const std::size_t letters = strlen(name + 2);
    if (letters == 0 || letters > kDiskNameLetters) return false;
    long value = 0;
    for (const char* p = name + 2; *p != '\0'; ++p) {
        if (*p < 'a' || *p > 'z') return false;
        value = value * 26 + (*p - 'a' + 1);
    }
    *number = static_cast<int>(value - 1);
    return true;
}

std::string DiskPath(int number) {
    std::string letters;
    for (long n = static_cast<long>(number) + 1; n > 0; n = (n - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('a' + (n - 1) % 26));
    }
    return "/dev/sd" + letters;
}

bool ListDeviceNames(std::vector<std::string>* names) {
    DIR* dev = opendir("/dev");
    if (dev == nullptr) return false;
    while (struct dirent* entry = readdir(dev)) {
        int number = 0;
        if (DiskNumber(entry->d_name, &number)) names->push_back("PhysicalDrive" + std::to_string(number));
    }
    closedir(dev);
    return true;
}

bool InquirePhysicalDrive(int number, unsigned char (&data)[kInquiryLength]) {
#if defined(__linux__)
    if (number < 0) return false;
    // Non-blocking, so that a drive without a medium does not hold the open.
    int fd = open(DiskPath(number).c_str(), O_RDWR | O_NONBLOCK);
    if (fd < 0) return false;
    unsigned char cdb[6] = {0x12, 0x00, 0x00, 0x00, 0xA5, 0x00};
    unsigned char sense[32] = {};
    memset(data, 0, kInquiryLength);
    sg_io_hdr_t io;
    memset(&io, 0, sizeof io);
    io.interface_id = 'S';
    io.dxfer_direction = SG_DXFER_FROM_DEV;
    io.cmd_len = sizeof cdb;
    io.mx_sb_len = 24;
    io.dxfer_len = kInquiryLength;
    io.dxferp = data;
    io.cmdp = cdb;
    io.sbp = sense;
    io.timeout = 5000;  // milliseconds
    // As with the Windows pass-through, the drive has answered when data came
    // back; the SCSI status itself is not examined.
    bool answered = ioctl(fd, SG_IO, &io) == 0 && io.resid >= 0 && io.resid < static_cast<int>(kInquiryLength);
    close(fd);
    return answered;
#else
    (void)number;
    (void)data;
    return false;
#endif
}

}  // namespace platform
