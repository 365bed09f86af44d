// Physical drive inquiry: the storage server's volumes that the host sees,
// found without the multipath driver by asking every physical drive who made
// it.
#ifndef VY_VOLUMES_INQUIRY_H
#define VY_VOLUMES_INQUIRY_H

#include <string>
#include <vector>

#include "core/text.h"
#include "platform/drive.h"

constexpr int kMaxDrives = 100;
constexpr std::size_t kInquiryLength = platform::kInquiryLength;

// What the inquiry needs of the system: the device names, and one INQUIRY
// sent to a physical drive by its number. SystemDrives() is the real one;
// tests put made-up drives behind this.
class DriveAccess {
public:
    virtual ~DriveAccess() = default;
    // False when the names cannot be listed.
    virtual bool DeviceNames(std::vector<std::string>* names) = 0;
    // False when the drive cannot be opened or sends no data.
    virtual bool Inquire(int number, unsigned char (&data)[kInquiryLength]) = 0;
};

DriveAccess& SystemDrives();

// Examines every device named "PhysicalDrive<n>", in the order of the
// device names, and keeps the drives whose inquiry data name vendor "ZEB"
// and product "7315" (prefixes of the fields). Returns them in ascending
// drive number (of equal numbers the one found first comes first), each
// with its serial: the 8 bytes of the inquiry data at offset 36. A drive
// that cannot be opened or does not answer is passed over in silence.
//
// At most kMaxDrives drives are kept; once that many match, the remaining
// names are not examined. Count is 0 when nothing matched, and the arrays
// are then left as they were.
void InquireDrives(DriveAccess& drives, unsigned* count, int (&numbers)[kMaxDrives], Text<9> (&serials)[kMaxDrives]);

#endif
