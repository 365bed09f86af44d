// InquireDrives: asks every physical drive for its inquiry data, through
// the DriveAccess it is given, and keeps the storage server's volumes.
#include "volumes/inquiry.h"

#include <climits>
#include <cstring>
#include <string_view>

namespace {

class System : public DriveAccess {
public:
    bool DeviceNames(std::vector<std::string>* names) override { return platform::ListDeviceNames(names); }
    bool Inquire(int number, unsigned char (&data)[kInquiryLength]) override {
        return platform::InquirePhysicalDrive(number, data);
    }
};

constexpr std::string_view kDrivePrefix = "PhysicalDrive";

// The number after the prefix, read as atol reads it: blanks, a sign, then
// digits up to the first other character; no digit at all gives 0. A number
// beyond the range of int names no drive.
bool DriveNumber(std::string_view text, int* number) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) return false;
    }
    *number = static_cast<int>(negative ? -value : value);
    return true;
}

struct Found {
    int number;
    Text<9> serial;
    bool taken;
};

}  // namespace

DriveAccess& SystemDrives() {
    static System system;
    return system;
}

void InquireDrives(DriveAccess& drives, unsigned* count, int (&numbers)[kMaxDrives], Text<9> (&serials)[kMaxDrives]) {
    *count = 0;
    std::vector<std::string> names;
    if (!drives.DeviceNames(&names)) return;

    Found found[kMaxDrives];
    int total = 0;
    for (const std::string& name : names) {
        if (total == kMaxDrives) break;
        std::string_view view(name);
        if (view.substr(0, kDrivePrefix.size()) != kDrivePrefix) continue;
        int number = 0;
        if (!DriveNumber(view.substr(kDrivePrefix.size()), &number)) continue;

        unsigned char data[kInquiryLength] = {};
        if (!drives.Inquire(number, data)) continue;
        if (std::memcmp(data + 8, "ZEB", 3) != 0 || std::memcmp(data + 16, "7315", 4) != 0) continue;

        found[total].number = number;
        // Eight bytes as a string: a zero byte among them ends it early.
        found[total].serial.assign(std::string_view(reinterpret_cast<const char*>(data + 36), 8));
        found[total].taken = false;
        ++total;
    }

    // One output position per pass: the first entry not yet taken, unless a
    // later one has a strictly smaller number.
    for (int out = 0; out < total; ++out) {
        int best = -1;
        for (int i = 0; i < total; ++i) {
            if (found[i].taken) continue;
            if (best < 0 || found[i].number < found[best].number) best = i;
        }
        found[best].taken = true;
        numbers[out] = found[best].number;
        serials[out].assign(found[best].serial.view());
    }
    *count = static_cast<unsigned>(total);
}
