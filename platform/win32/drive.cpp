// The Windows platform layer: the physical drives and their inquiry through
// the SCSI pass-through.
#include <windows.h>
// windows.h first: the pass-through header builds on it.
#include <ntddscsi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/drive.h"

namespace platform {

bool ListDeviceNames(std::vector<std::string>* names) {
    // The names, each ended by a zero, the list by an empty name. When they
    // do not all fit, nothing is stored and no drive is found.
    static char list[8192];
    DWORD stored = QueryDosDeviceA(nullptr, list, 8191);
    if (stored == 0) return false;
    list[8191] = '\0';
    for (const char* p = list; p < list + stored && *p != '\0'; p += std::strlen(p) + 1) names->push_back(p);
    return true;
}

namespace {

// The pass-through request followed by its filler, the sense area and the
// inquiry data. On 32-bit Windows these are 44, 4, 32 and 165 bytes at
// offsets 0, 44, 48 and 80: 245 bytes in all.
struct PassThroughWithBuffers {
    SCSI_PASS_THROUGH request;
    ULONG filler;
    UCHAR sense[32];
    UCHAR data[kInquiryLength];
};

static_assert(sizeof(void*) != 4 || (sizeof(SCSI_PASS_THROUGH) == 44 &&
                                     offsetof(PassThroughWithBuffers, sense) == 48 &&
                                     offsetof(PassThroughWithBuffers, data) == 80),
              "the pass-through buffer's layout");

}  // namespace

bool InquirePhysicalDrive(int number, unsigned char (&data)[kInquiryLength]) {
    char path[48];
    std::snprintf(path, sizeof path, "\\\\.\\PhysicalDrive%d", number);
    HANDLE drive = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (drive == INVALID_HANDLE_VALUE) return false;

    PassThroughWithBuffers buffer;
    std::memset(&buffer, 0, sizeof buffer);
    SCSI_PASS_THROUGH& request = buffer.request;
    request.Length = static_cast<USHORT>(sizeof(SCSI_PASS_THROUGH));
    request.ScsiStatus = 0;
    request.PathId = 0;
    request.TargetId = 1;
    request.Lun = 0;
    request.CdbLength = 6;
    request.SenseInfoLength = 24;
    request.DataIn = SCSI_IOCTL_DATA_IN;
    request.DataTransferLength = static_cast<ULONG>(kInquiryLength);
    request.TimeOutValue = 5;  // seconds
    request.DataBufferOffset = offsetof(PassThroughWithBuffers, data);
    request.SenseInfoOffset = static_cast<ULONG>(offsetof(PassThroughWithBuffers, sense));
    request.Cdb[0] = 0x12;  // INQUIRY, standard data, allocation length A5h
    request.Cdb[4] = 0xA5;

    // The call's own result is not tested: the drive has answered when bytes
    // came back.
    DWORD returned = 0;
    const DWORD outputLength = static_cast<DWORD>(offsetof(PassThroughWithBuffers, data) + kInquiryLength);
    DeviceIoControl(drive, IOCTL_SCSI_PASS_THROUGH, &buffer, static_cast<DWORD>(sizeof(SCSI_PASS_THROUGH)),
                    &buffer, outputLength, &returned, nullptr);
    CloseHandle(drive);
    if (returned == 0) return false;
    std::memcpy(data, buffer.data, kInquiryLength);
    return true;
}

}  // namespace platform
