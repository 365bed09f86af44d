// The volume file's lines, and a write that fails.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/launcher.h"
#include "tests/unit/support.h"
#include "volumes/volumes.h"

namespace {

class VolumeFileLines : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobals();
        g.programType = kVySeedHost;
        ClearHostVolumes(table_);
    }
    void Add(const char* disk, const char* serial) { ASSERT_TRUE(AddHostVolume(table_, disk, serial)); }
    HostVolumeTable table_;
    support::CapturedOutput out_;
};

TEST_F(VolumeFileLines, OneLinePerVolumeInTableOrder) {
    Add("Disk2", "02B12028");
    Add("vpath12", "20312028");
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    g.debug = 1;
    EXPECT_TRUE(WriteVolumeLines(file, table_));
    std::rewind(file);
    char buf[256] = {};
    std::size_t n = std::fread(buf, 1, sizeof buf - 1, file);
    std::fclose(file);
    EXPECT_EQ(std::string(buf, n), "-l Disk2 -r 02B12028 \n-l vpath12 -r 20312028 \n");
    EXPECT_EQ(out_.Text(), "-l Disk2 -r 02B12028 \n-l vpath12 -r 20312028 \n") << "debug echoes each line";
}

TEST_F(VolumeFileLines, AClearedTableKeepsNothingOfItsEarlierEntries) {
    Add("Disk8", "88888888");
    Add("Disk9", "99999999");
    ClearHostVolumes(table_);
    Add("Disk1", "11111111");
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(WriteVolumeLines(file, table_));
    EXPECT_EQ(std::ftell(file), static_cast<long>(std::string("-l Disk1 -r 11111111 \n").size()));
    std::fclose(file);
    EXPECT_EQ(out_.Text(), "");
}

#ifndef _WIN32
TEST_F(VolumeFileLines, AFullDiskIsReported) {
    Add("Disk2", "02B12028");
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    EXPECT_FALSE(WriteVolumeLines(full, table_));
    std::fclose(full);
}
#endif

}  // namespace
