// Linux's SCSI disk names and the drive numbers they stand for, at the ends
// of each length of name.
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/disk_names.h"

namespace {

TEST(DiskNames, EachLengthFromItsFirstToItsLastName) {
    const struct {
        const char* name;
        int number;
    } names[] = {{"sda", 0}, {"sdz", 25}, {"sdaa", 26}, {"sdaz", 51}, {"sdba", 52}, {"sdzz", 701},
                 {"sdaaa", 702}, {"sdzzzzzz", 321272405}};
    for (const auto& disk : names) {
        int number = -1;
        EXPECT_TRUE(platform::DiskNumber(disk.name, &number)) << disk.name;
        EXPECT_EQ(number, disk.number) << disk.name;
        EXPECT_EQ(platform::DiskPath(disk.number), std::string("/dev/") + disk.name);
    }
}

TEST(DiskNames, OtherNamesAreNone) {
    for (const char* name : {"sd", "sdaaaaaaa", "sda1", "sdA", "sd{", "sd`", "hda", "sr0", "sg0", "xsda"}) {
        int number = -7;
        EXPECT_FALSE(platform::DiskNumber(name, &number)) << name;
        EXPECT_EQ(number, -7) << name;
    }
}

}  // namespace
