// The physical drive inquiry, fed with made-up drives: which drives match,
// their serials, and the order in which they come back.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "volumes/inquiry.h"

namespace {

// Standard inquiry data with the vendor at byte 8, the product at byte 16
// and the vendor-specific area at byte 36.
std::string Inquiry(const std::string& vendor, const std::string& product, const std::string& specific) {
    std::string data(kInquiryLength, '\0');
    data.replace(8, vendor.size(), vendor);
    data.replace(16, product.size(), product);
    data.replace(36, specific.size(), specific);
    return data;
}

class FakeDrives : public DriveAccess {
public:
    bool listable = true;
    std::vector<std::string> names;
    // The answers of each drive, one per inquiry; a drive without any
    // cannot be opened.
    std::map<int, std::deque<std::string>> answers;
    std::vector<int> asked;

    bool DeviceNames(std::vector<std::string>* out) override {
        if (!listable) return false;
        *out = names;
        return true;
    }
    bool Inquire(int number, unsigned char (&data)[kInquiryLength]) override {
        asked.push_back(number);
        auto it = answers.find(number);
        if (it == answers.end() || it->second.empty()) return false;
        std::memcpy(data, it->second.front().data(), kInquiryLength);
        it->second.pop_front();
        return true;
    }
};

struct Result {
    unsigned count = 0;
    int numbers[kMaxDrives];
    Text<9> serials[kMaxDrives];

    std::vector<std::string> Listed() const {
        std::vector<std::string> list;
        for (unsigned i = 0; i < count; ++i) list.push_back(std::to_string(numbers[i]) + " " + serials[i].c_str());
        return list;
    }
};

Result Inquire(FakeDrives& drives) {
    Result r;
    InquireDrives(drives, &r.count, r.numbers, r.serials);
    return r;
}

const std::string kZeb = Inquiry("ZEB     ", "7315            ", "SER00001");

TEST(Inquiry, DrivesComeBackInAscendingNumber) {
    FakeDrives drives;
    drives.names = {"PhysicalDrive3", "C:", "PhysicalDrive10", "PhysicalDrive1"};
    drives.answers[3] = {Inquiry("ZEB", "7315", "SER00003")};
    drives.answers[10] = {Inquiry("ZEB", "7315", "SER00010")};
    drives.answers[1] = {Inquiry("ZEB", "7315", "SER00001")};
    Result r = Inquire(drives);
    EXPECT_EQ(r.Listed(), (std::vector<std::string>{"1 SER00001", "3 SER00003", "10 SER00010"}));
}

TEST(Inquiry, OfEqualNumbersTheOneFoundFirstComesFirst) {
    FakeDrives drives;
    drives.names = {"PhysicalDrive2", "PhysicalDrive1", "PhysicalDrive02"};
    drives.answers[2] = {Inquiry("ZEB", "7315", "FIRST002"), Inquiry("ZEB", "7315", "LATER002")};
    drives.answers[1] = {Inquiry("ZEB", "7315", "SER00001")};
    EXPECT_EQ(Inquire(drives).Listed(), (std::vector<std::string>{"1 SER00001", "2 FIRST002", "2 LATER002"}));
}

TEST(Inquiry, VendorAndProductAreMatchedOnTheirPrefixes) {
    FakeDrives drives;
    const std::vector<std::pair<std::string, std::string>> ids = {
        {"ZEB     ", "7315E20         "},  // 0 matches
        {"ZEBRA   ", "7315"},              // 1 matches: vendor "ZEB" and more
        {"ZEA     ", "7315            "},  // 2 vendor differs
        {"zeb     ", "7315            "},  // 3 case matters
        {"ZEB     ", "7316            "},  // 4 product differs
        {"ZEB     ", "731 5           "},  // 5 product differs in its fourth character
        {" ZEB    ", "7315            "},  // 6 vendor not at the start
        {"ZEB     ", "7345            "},  // 7 the other storage type is not a 7315
    };
    for (std::size_t i = 0; i < ids.size(); ++i) {
        drives.names.push_back("PhysicalDrive" + std::to_string(i));
        drives.answers[static_cast<int>(i)] = {Inquiry(ids[i].first, ids[i].second, "SER0000" + std::to_string(i))};
    }
    EXPECT_EQ(Inquire(drives).Listed(), (std::vector<std::string>{"0 SER00000", "1 SER00001"}));
}

TEST(Inquiry, DrivesThatCannotBeOpenedArePassedOverAndLaterOnesStillExamined) {
    FakeDrives drives;
    drives.names = {"PhysicalDrive0", "PhysicalDrive1", "PhysicalDrive2"};
    drives.answers[0] = {kZeb};
    drives.answers[2] = {Inquiry("ZEB", "7315", "SER00002")};
    Result r = Inquire(drives);
    EXPECT_EQ(drives.asked, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(r.Listed(), (std::vector<std::string>{"0 SER00001", "2 SER00002"}));
}

TEST(Inquiry, OnlyNamesThatBeginWithPhysicalDriveAreExamined) {
    FakeDrives drives;
    drives.names = {"physicaldrive4", "PhysicalDisk5", "Harddisk0Partition1", "GLOBALROOT", "PhysicalDrive7x",
                    "PhysicalDrive", "PhysicalDrive99999999999"};
    EXPECT_EQ(Inquire(drives).count, 0u);
    // The number is read as atol reads it: up to the first non-digit, and 0
    // without digits. One beyond the range of int names no drive.
    EXPECT_EQ(drives.asked, (std::vector<int>{7, 0}));
}

TEST(Inquiry, TheSerialIsTheEightBytesAtOffset36) {
    FakeDrives drives;
    drives.names = {"PhysicalDrive0", "PhysicalDrive1"};
    drives.answers[0] = {Inquiry("ZEB", "7315", " 12 34 .MORE")};
    // As a string: a zero byte ends it.
    drives.answers[1] = {Inquiry("ZEB", "7315", std::string("AB\0CDEFGH", 9))};
    EXPECT_EQ(Inquire(drives).Listed(), (std::vector<std::string>{"0  12 34 .", "1 AB"}));
}

TEST(Inquiry, NoListMeansNoDrivesAndTheArraysStayAsTheyWere) {
    FakeDrives drives;
    drives.listable = false;
    Result r;
    r.count = 5;
    r.numbers[0] = 77;
    r.serials[0].assign("KEPT");
    InquireDrives(drives, &r.count, r.numbers, r.serials);
    EXPECT_EQ(r.count, 0u);
    EXPECT_EQ(r.numbers[0], 77);
    EXPECT_STREQ(r.serials[0].c_str(), "KEPT");
}

TEST(Inquiry, AtMostAHundredDrivesAreKeptAndTheRestAreNotExamined) {
    FakeDrives drives;
    for (int n = 104; n >= 0; --n) {
        drives.names.push_back("PhysicalDrive" + std::to_string(n));
        drives.answers[n] = {kZeb};
    }
    Result r = Inquire(drives);
    ASSERT_EQ(r.count, 100u);
    EXPECT_EQ(r.numbers[0], 5);
    EXPECT_EQ(r.numbers[99], 104);
    EXPECT_EQ(drives.asked.size(), 100u);
}

}  // namespace
