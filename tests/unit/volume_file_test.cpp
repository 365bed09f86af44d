// The volume file's lines, a write that fails, and vySeedHost's step that
// discovers the volumes and writes the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

namespace fs = std::filesystem;

std::vector<std::string> FolderContents(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    return names;
}

class VolumeFile : public VolumeFileLines {
protected:
    void SetUp() override {
        VolumeFileLines::SetUp();
        dir_ = support::ScratchFolder("volume-file");
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(VolumeFile, StandsInAFolderOfItsOwnAndGoesWithIt) {
    Add("Disk2", "02B12028");
    std::string folder;
    ASSERT_EQ(CreateVolumeFile(dir_.string(), table_, &folder), 0);
    const fs::path path = g.volumeFilePath.c_str();
    EXPECT_EQ(path.parent_path().string(), folder);
    EXPECT_EQ(fs::path(folder).parent_path(), dir_);
    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "-l Disk2 -r 02B12028 \n");
    in.close();
#ifndef _WIN32
    struct stat st;
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
#endif
    RemoveVolumeFile(&folder);
    EXPECT_EQ(FolderContents(dir_), std::vector<std::string>{});
    EXPECT_EQ(folder, "");
    EXPECT_EQ(out_.Text(), "");
}

#ifndef _WIN32
// A write that fails (a file size limit that the lines pass, the message
// does not) and a
// file that cannot be opened (no descriptor left) each give 14 and leave
// neither the file nor its folder behind. Each runs in a child of its own,
// so that its limit stays there.
TEST_F(VolumeFile, AFailedWriteLeavesNothingBehind) {
    for (int i = 0; i < 100; ++i) Add(("Disk" + std::to_string(i)).c_str(), "02B12028");
    for (int resource : {RLIMIT_FSIZE, RLIMIT_NOFILE}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            signal(SIGXFSZ, SIG_IGN);
            support::CapturedOutput out;
            if (resource == RLIMIT_NOFILE) {
                // The lowest free descriptor: one more is none.
                const int free = dup(0);
                close(free);
                const rlimit limit = {static_cast<rlim_t>(free), static_cast<rlim_t>(free)};
                setrlimit(RLIMIT_NOFILE, &limit);
            } else {
                const rlimit limit = {1000, 1000};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            std::string folder;
            const int result = CreateVolumeFile(dir_.string(), table_, &folder);
            const std::string expected = "vySeedHost: Failed to open file " + std::string(g.volumeFilePath.c_str()) + "\n";
            _exit(result != 14 ? 1 : out.Text() != expected ? 2 : !folder.empty() ? 3 : 0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << resource << ": " << status;
        EXPECT_EQ(FolderContents(dir_), std::vector<std::string>{}) << resource;
    }
}
#endif

// Two drives of the server's for the inquiry, PhysicalDrive3 listed first.
class TwoDrives : public DriveAccess {
public:
    bool DeviceNames(std::vector<std::string>* names) override {
        *names = {"PhysicalDrive3", "PhysicalDrive1"};
        return true;
    }
    bool Inquire(int number, unsigned char (&data)[kInquiryLength]) override {
        std::memcpy(data + 8, "ZEB", 3);
        std::memcpy(data + 16, "7315", 4);
        std::memcpy(data + 36, number == 1 ? "SER00001" : "SER00003", 8);
        return true;
    }
};

// vySeedHost's step as its entry point calls it, in a current directory of
// its own whose PATH leads to no lanectl, so the drives are asked.
class SeedHostStep : public VolumeFile {
protected:
    void SetUp() override {
        VolumeFile::SetUp();
        home_ = fs::current_path();
        fs::current_path(dir_);
        env_.Set("PATH", (dir_ / "empty").string() + support::kList + support::Variable("PATH").value_or(""));
    }
    void TearDown() override {
        fs::current_path(home_);
        VolumeFile::TearDown();
    }
    std::string FileText() {
        std::ifstream in(g.volumeFilePath.c_str());
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path home_;
    support::Environment env_;
    ::Discovery found_;
    std::string folder_;
};

TEST_F(SeedHostStep, WritesWhatDiscoveryFoundAfterItsTrace) {
    TwoDrives drives;
    g.debug = 1;
    ASSERT_EQ(WriteVolumeFile(found_, &folder_, drives), 0);
    EXPECT_EQ(fs::path(folder_).parent_path(), fs::current_path());
    EXPECT_EQ(FileText(), "-l Disk1 -r SER00001 \n-l Disk3 -r SER00003 \n");
    const std::string text = out_.Text();
    EXPECT_NE(text.find("TotalDrives = 2\nDisk1 - SER00001 = 1\nDisk3 - SER00003 = 1\nvolumeFileName " +
                        std::string(g.volumeFilePath.c_str()) + "\n-l Disk1"),
              std::string::npos)
        << text;
    RemoveVolumeFile(&folder_);
    EXPECT_EQ(FolderContents(dir_), std::vector<std::string>{});
}

}  // namespace
