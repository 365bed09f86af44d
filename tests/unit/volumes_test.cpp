// DiscoverVolumes and vyShowLuns's listing: the result codes, the inquiry's
// list, the temporary files and the commands that the interpreter runs;
// vyProbeVol's requested volumes: the list file and /m.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "core/launcher.h"
#include "platform/files.h"
#include "tests/unit/support.h"
#include "volumes/volumes.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> FolderContents(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    return names;
}

class VolumeList : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobals();
        g.programType = kVyShowLuns;
    }
    void Add(const char* disk, const char* serial) { ASSERT_TRUE(AddHostVolume(table_, disk, serial)); }
    HostVolumeTable table_;
    support::CapturedOutput out_;
};

TEST_F(VolumeList, InquiryListPadsNamesToSixteen) {
    Add("Disk1", "SER00001");
    Add("Disk123456789012", "SER00002");   // 16 characters: no blank
    Add("Disk12345678901", "SER00003");    // 15: one blank
    Add("Disk12345678901234", "SER00004"); // 18
    PrintVolumeList(table_);
    EXPECT_EQ(out_.Text(),
              "disk name     7315 serial number\n"
              "------------  ------------------\n"
              "Disk1           SER00001\n"
              "Disk123456789012SER00002\n"
              "Disk12345678901 SER00003\n"
              "Disk12345678901234SER00004\n");
}

TEST_F(VolumeList, TheTableHoldsAHundredEntriesOfValuesThatFit) {
    for (int i = 0; i < 100; ++i) Add(("Disk" + std::to_string(i)).c_str(), "SER");
    EXPECT_FALSE(AddHostVolume(table_, "Disk100", "SER"));
    EXPECT_EQ(table_.count, 100u);
    ClearHostVolumes(table_);
    EXPECT_EQ(table_.count, 0u);
    EXPECT_EQ(table_.entries[99].diskName.view(), "");
    EXPECT_FALSE(AddHostVolume(table_, "Disk123456789012345", "SER")) << "19 characters";
    EXPECT_FALSE(AddHostVolume(table_, "Disk1", "0123456789")) << "10 characters";
    EXPECT_EQ(table_.count, 0u);
    EXPECT_EQ(table_.entries[0].diskName.view(), "") << "a refused entry leaves nothing behind";
    Add("Disk12345678901234", "012345678");
    EXPECT_EQ(table_.count, 1u);
}

// vyShowLuns's listing of a report: the rows, then the debug trace, then
// the outcome; quiet keeps the trace alone.
TEST_F(VolumeList, TheListingOfAReportPrintsItsRowsBeforeTheTrace) {
    ::Discovery found;
    found.source = VolumeSource::kReport;
    found.report = "Total Devices : 2\n"
                   "DEV#:   0  DEVICE NAME: Disk2 Part0  TYPE: 7315E20  SERIAL: 02B12028\nx\ny\nz\n"
                   "    0    Scsi Port5 Bus0/Disk2 Part0     OPEN    NORMAL\n";
    TakeReport(found.report, found.table);
    ASSERT_TRUE(AddHostVolume(found.table, "Disk7", "07B12028"));  // listed only if the report lists it
    g.debug = 1;
    EXPECT_EQ(ListVolumes(found, false), 0);
    const std::string trace = "TotalDrives = 2\nDisk2 - 02B12028 = 1\nDisk7 - 07B12028 = 1\n";
    EXPECT_EQ(out_.Text(), " Vpath    Serial    Volume Names\n"
                           "-------  --------  --------------\n"
                           "Disk2    02B12028  Disk2" + std::string(28, ' ') + "\n" + trace);
    support::CapturedOutput quiet;
    EXPECT_EQ(ListVolumes(found, true), 0);
    EXPECT_EQ(quiet.Text(), trace);

    support::CapturedOutput none;
    ClearHostVolumes(found.table);
    found.report = "Total Devices : 0\n";
    g.debug = 0;
    EXPECT_EQ(ListVolumes(found, false), 18);
    EXPECT_EQ(none.Text(), " Vpath    Serial    Volume Names\n"
                           "-------  --------  --------------\n"
                           "vyShowLuns: No 7315 volumes found\n");
}

// Drives made up for the inquiry: PhysicalDrive3 is listed before
// PhysicalDrive1, and PhysicalDrive2 is not one of the server's.
class ThreeDrives : public DriveAccess {
public:
    bool DeviceNames(std::vector<std::string>* names) override {
        *names = {"PhysicalDrive3", "PhysicalDrive2", "PhysicalDrive1"};
        return true;
    }
    bool Inquire(int number, unsigned char (&data)[kInquiryLength]) override {
        std::memcpy(data + 8, number == 2 ? "OTHER" : "ZEB", number == 2 ? 5 : 3);
        std::memcpy(data + 16, "7315", 4);
        std::memcpy(data + 36, number == 1 ? "SER00001" : "SER00003", 8);
        return true;
    }
};

class NoDrives : public DriveAccess {
public:
    bool DeviceNames(std::vector<std::string>*) override { return false; }
    bool Inquire(int, unsigned char (&)[kInquiryLength]) override { return false; }
};

// Runs in a folder of its own, with a PATH that leads to no lanectl (the
// test host has none), so the report command fails and the inquiry is used.
class Discovery : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobals();
        g.programType = kVyShowLuns;
        home_ = fs::current_path();
        dir_ = support::ScratchFolder("discovery");
        fs::create_directories(dir_ / "run");
        fs::current_path(dir_ / "run");
        // The system's own directories stay: on POSIX "rm" lives there.
        systemPath_ = support::Variable("PATH").value_or("");
        env_.Set("PATH", (dir_ / "empty").string() + support::kList + systemPath_);
        ASSERT_EQ(NameReportFiles(&files_), 0);
    }
    void TearDown() override {
        fs::current_path(home_);
        fs::remove_all(dir_);
    }

    // Discovery, then the listing, as vyShowLuns takes them.
    int DiscoverAndList(DriveAccess& drives) {
        const int result = DiscoverVolumes(files_, found_, drives);
        return result != 0 ? result : ListVolumes(found_, g.quietFlag);
    }

    fs::path home_;
    fs::path dir_;
    std::string systemPath_;
    ReportFiles files_;
    ::Discovery found_;  // the type, not the fixture
    HostVolumeTable& table_ = found_.table;
    support::Environment env_;
    support::CapturedOutput out_;
};

TEST_F(Discovery, WithoutTheToolTheDrivesAreAskedAndTheTemporaryFilesErased) {
    ThreeDrives drives;
    EXPECT_EQ(DiscoverAndList(drives), 0);
    EXPECT_EQ(out_.Text(),
              "disk name     7315 serial number\n"
              "------------  ------------------\n"
              "Disk1           SER00001\n"
              "Disk3           SER00003\n");
    EXPECT_EQ(table_.count, 2u);
    EXPECT_STREQ(table_.entries[1].diskName.c_str(), "Disk3");
    EXPECT_EQ(FolderContents(dir_ / "run"), std::vector<std::string>{}) << "the erase command removed both files";
}

TEST_F(Discovery, DebugTracesTheCommandsAndTheTable) {
    ThreeDrives drives;
    g.debug = 1;
    EXPECT_EQ(DiscoverAndList(drives), 0);
    const std::string text = out_.Text();
    const std::string report = files_.report;
    const std::string errors = files_.errors;
    const std::string dir = fs::current_path().string();
    EXPECT_EQ(fs::path(files_.folder).parent_path().string(), dir);
    EXPECT_EQ(fs::path(report).parent_path().string(), files_.folder);
    EXPECT_EQ(fs::path(errors).parent_path().string(), files_.folder);
    EXPECT_NE(report, errors);

    const std::string banner = std::string(137, '-') + "\n";
    const std::string reportCommand =
        "lanectl query device > \"" + report + "\" 2>\"" + errors + "\"\n";
    const std::string erase = std::string(platform::kEraseCommand) + " \"" + report + "\" \"" + errors + "\"\n";
    std::size_t at = text.find(reportCommand);
    ASSERT_NE(at, std::string::npos) << text;
    std::size_t inquiry = text.find(banner + "Run Inquiry\n" + "system", at);
    ASSERT_NE(inquiry, std::string::npos) << text;
    std::size_t erased = text.find(erase, inquiry);
    ASSERT_NE(erased, std::string::npos) << text;
    EXPECT_NE(text.find("vyShowLuns: The error number is 0\n" + banner +
                            "TotalDrives = 2\n"
                            "Disk1 - SER00001 = 1\n"
                            "Disk3 - SER00003 = 1\n"
                            "disk name     7315 serial number\n",
                        erased),
              std::string::npos)
        << text;
}

TEST_F(Discovery, NoDriveFound) {
    NoDrives drives;
    EXPECT_EQ(DiscoverAndList(drives), 18);
    EXPECT_EQ(out_.Text(), "vyShowLuns: No 7315 volumes found\n");
    g.quietFlag = 1;
    EXPECT_EQ(DiscoverAndList(drives), 18);
    EXPECT_EQ(out_.Text(), "vyShowLuns: No 7315 volumes found\n") << "quiet adds nothing";
}

TEST_F(Discovery, QuietGivesTheResultAlone) {
    g.quietFlag = 1;
    ThreeDrives three;
    EXPECT_EQ(DiscoverAndList(three), 0);
    EXPECT_EQ(table_.count, 2u);
    NoDrives none;
    EXPECT_EQ(DiscoverAndList(none), 18);
    EXPECT_EQ(table_.count, 0u) << "each discovery starts from an empty table";
    EXPECT_EQ(out_.Text(), "");
}

TEST_F(Discovery, NoVolumeFoundNamesTheListProgramWhoeverPrintsIt) {
    g.programType = kVyProbeVol;
    NoDrives drives;
    EXPECT_EQ(DiscoverAndList(drives), 18);
    EXPECT_EQ(out_.Text(), "vyShowLuns: No 7315 volumes found\n");
}

// Something put under the run's folder's name after the names were chosen
// is neither written through nor removed: discovery ends as when no name is
// free, and leaves only what was planted.
TEST_F(Discovery, AnythingUnderTheFolderNameIsLeftAlone) {
    ThreeDrives drives;
    const fs::path run = dir_ / "run";
    const fs::path target = dir_ / "target";
    const std::string folderName = fs::path(files_.folder).filename().string();
    EXPECT_EQ(fs::path(files_.folder).parent_path(), run) << "beside nothing but the current directory's own";
    for (const char* planted : {"file", "link to a folder", "dangling link"}) {
        const std::string kind = planted;
#ifdef _WIN32
        if (kind != "file") continue;
#endif
        fs::create_directories(target);
        if (kind == "file") support::WriteBytes(files_.folder, "kept\n");
        if (kind == "link to a folder") fs::create_directory_symlink(target, files_.folder);
        if (kind == "dangling link") fs::create_symlink(dir_ / "nothing", files_.folder);
        support::CapturedOutput out;
        EXPECT_EQ(DiscoverAndList(drives), 30) << kind;
        EXPECT_EQ(out.Text(), "vyShowLuns: vyShowLuns could not open file " + files_.report + "\n");
        EXPECT_EQ(table_.count, 0u);
        EXPECT_EQ(FolderContents(run), std::vector<std::string>{folderName}) << kind;
        EXPECT_EQ(FolderContents(target), std::vector<std::string>{}) << kind << ": nothing written through it";
        EXPECT_FALSE(fs::exists(dir_ / "nothing")) << kind;
        if (kind == "file") {
            std::ifstream in(files_.folder);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "kept\n");
        }
        fs::remove(files_.folder);
    }
}

#ifndef _WIN32
// A lanectl of the test's own, a shell script, first in PATH.
void WriteTool(const fs::path& bin, const std::string& body) {
    fs::create_directories(bin);
    support::WriteBytes(bin / "lanectl", "#!/bin/sh\n" + body);
    fs::permissions(bin / "lanectl", fs::perms::owner_all);
}

// The tool writes into files that only the owner may read and write, in a
// folder that only the owner may enter, even with a umask that lets
// everyone write; its report's rows are printed once, without the
// inquiry's list, and the folder is gone afterwards.
TEST_F(Discovery, TheToolWritesIntoOwnerOnlyFiles) {
    WriteTool(dir_ / "bin",
              "exec 3>&1 4>&2\n"
              "stat -L -c %a /proc/$$/fd/3 /proc/$$/fd/4 \"$(dirname \"$(readlink /proc/$$/fd/3)\")\" > \"" +
                  (dir_ / "modes").string() + "\"\n"
              "printf 'Total Devices : 1\\n'\n"
              "printf 'DEV#:   0  DEVICE NAME: Disk2 Part0  TYPE: 7315E20  SERIAL: 02B12028\\n'\n"
              "printf 'x\\ny\\nz\\n    0    Scsi Port5 Bus0/Disk2 Part0     OPEN    NORMAL\\n'\n");
    env_.Set("PATH", (dir_ / "bin").string() + support::kList + systemPath_);
    ThreeDrives drives;
    const mode_t saved = umask(0);
    const int result = DiscoverAndList(drives);
    umask(saved);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(found_.source, VolumeSource::kReport);
    EXPECT_EQ(out_.Text(), " Vpath    Serial    Volume Names\n"
                           "-------  --------  --------------\n"
                           "Disk2    02B12028  Disk2" + std::string(28, ' ') + "\n");
    std::ifstream in(dir_ / "modes");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "600\n600\n700\n");
    EXPECT_EQ(FolderContents(dir_ / "run"), std::vector<std::string>{}) << "the files and their folder are removed";
}

// A report that cannot be read (a folder in its place) is not taken for an
// empty one; the run's folder goes all the same.
TEST_F(Discovery, AReportThatCannotBeReadIsNotTakenForAnEmptyOne) {
    WriteTool(dir_ / "bin", "report=$(readlink /proc/$$/fd/1)\nrm \"$report\" && mkdir \"$report\"\n");
    env_.Set("PATH", (dir_ / "bin").string() + support::kList + systemPath_);
    ThreeDrives drives;
    EXPECT_EQ(DiscoverAndList(drives), 30);
    EXPECT_EQ(out_.Text(), "vyShowLuns: vyShowLuns could not open file " + files_.report + "\n");
    EXPECT_EQ(table_.count, 0u);
    EXPECT_EQ(FolderContents(dir_ / "run"), std::vector<std::string>{});
}

// Without rm the erase command fails: discovery removes the files and their
// folder itself.
TEST_F(Discovery, WhatAFailedEraseCommandLeavesIsRemoved) {
    env_.Set("PATH", (dir_ / "empty").string());
    ThreeDrives drives;
    g.debug = 1;
    EXPECT_EQ(DiscoverAndList(drives), 0);
    EXPECT_NE(out_.Text().find("rm -f \"" + files_.report + "\" \"" + files_.errors + "\"\n"), std::string::npos);
    EXPECT_EQ(table_.count, 2u);
    EXPECT_EQ(FolderContents(dir_ / "run"), std::vector<std::string>{});
}
#endif

// Discovery alone prints nothing of what it found, and finding nothing is
// no failure of its own: the listing gives 18.
TEST_F(Discovery, DiscoveryReturnsTheTableAndPrintsNothingOfIt) {
    ThreeDrives three;
    EXPECT_EQ(DiscoverVolumes(files_, found_, three), 0);
    EXPECT_EQ(found_.source, VolumeSource::kInquiry);
    EXPECT_EQ(table_.count, 2u);
    NoDrives none;
    EXPECT_EQ(DiscoverVolumes(files_, found_, none), 0);
    EXPECT_EQ(table_.count, 0u);
    EXPECT_EQ(out_.Text(), "");
}

// vyProbeVol's /m asks the host (here the drives) and maps the names;
// without /m nothing is asked.
TEST_F(Discovery, MapVolumesResolvesThroughDiscoveryOnlyWithM) {
    g.programType = kVyProbeVol;
    g.requestedVolumes[0].assign("disk3");
    g.requestedVolumes[1].assign("Disk9");
    g.volumeCount = 2;
    ThreeDrives drives;
    EXPECT_EQ(MapVolumes(found_, drives), 0);
    EXPECT_EQ(table_.count, 0u) << "no discovery without /m";
    EXPECT_EQ(g.resolvedVolumes[0].view(), "disk3");
    g.mapFlag = true;
    EXPECT_EQ(MapVolumes(found_, drives), 0);
    EXPECT_EQ(table_.count, 2u);
    EXPECT_EQ(g.resolvedVolumes[0].view(), "SER00003");
    EXPECT_EQ(g.resolvedVolumes[1].view(), "Disk9");
    EXPECT_EQ(out_.Text(), "");
}

TEST_F(Discovery, WithoutSystemCommandsTheReportCannotBeOpened) {
    ThreeDrives drives;
    g.noSystemCommand = 1;
    g.programType = kVySeedHost;
    EXPECT_EQ(DiscoverAndList(drives), 30);
    const std::string prefix = "vySeedHost: vyShowLuns could not open file " + fs::current_path().string();
    const std::string text = out_.Text();
    EXPECT_EQ(text.substr(0, prefix.size() + 1), prefix + support::kSep) << text;
    EXPECT_EQ(text, "vySeedHost: vyShowLuns could not open file " + files_.report + "\n");
    EXPECT_EQ(table_.count, 0u);
}

#ifndef _WIN32
TEST_F(Discovery, ACurrentDirectoryOfMoreThan259CharactersCannotBeRead) {
    fs::path deep = fs::current_path();
    while (deep.string().size() < 260) deep /= std::string(40, 'd');
    fs::create_directories(deep);
    fs::current_path(deep);
    ReportFiles files;
    EXPECT_EQ(NameReportFiles(&files), 30);
    EXPECT_EQ(out_.Text(), "vyShowLuns: Failed to get CDW\n");
}
#endif

// The temporary names and the command lines that name them.
class TempFiles : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobals();
        home_ = fs::current_path();
        dir_ = support::ScratchFolder("temp names");
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(home_);
        fs::remove_all(dir_);
    }
    fs::path home_;
    fs::path dir_;
};

TEST_F(TempFiles, NamesAreFreshAndBeginWithASeparator) {
    std::string first;
    std::string second;
    ASSERT_TRUE(platform::FreshTempName(&first));
    ASSERT_TRUE(platform::FreshTempName(&second));
    EXPECT_EQ(first[0], support::kSep);
    EXPECT_EQ(second[0], support::kSep);
    EXPECT_NE(first, second);
    EXPECT_EQ(first.find(support::kSep, 1), std::string::npos) << "a name, not a path";
}

#ifndef _WIN32
// Whatever is under a name, a dangling link too, makes it taken, in the
// folder asked about.
TEST_F(TempFiles, ANameTakenInTheFolderIsPassedOver) {
    const fs::path folder = dir_ / "folder";
    fs::create_directories(folder);
    std::string first;
    ASSERT_TRUE(platform::FreshTempName(&first, folder.string()));
    // The names that follow: the same with the next counts.
    const std::size_t dash = first.rfind('-');
    const long count = std::stol(first.substr(dash + 1));
    const auto nth = [&](long n) { return first.substr(1, dash) + std::to_string(count + n) + ".tmp"; };
    fs::create_symlink(dir_ / "nothing", folder / nth(1));
    support::WriteBytes(folder / nth(2), "");
    fs::create_directories(folder / nth(3));
    support::WriteBytes(dir_ / nth(4), "") ;  // in the current directory, not in the folder
    std::string next;
    ASSERT_TRUE(platform::FreshTempName(&next, folder.string()));
    EXPECT_EQ(next, "/" + nth(4));
}
#endif

#ifndef _WIN32
// Removing a run's folder never empties another through a link.
TEST_F(TempFiles, AFolderIsNotEmptiedThroughALink) {
    fs::create_directories(dir_ / "target");
    support::WriteBytes(dir_ / "target" / "kept", "");
    fs::create_directory_symlink(dir_ / "target", dir_ / "link");
    EXPECT_FALSE(platform::RemovePrivateFolder((dir_ / "link").string().c_str()));
    EXPECT_EQ(FolderContents(dir_ / "target"), std::vector<std::string>{"kept"});
}

// The run's folder stands in the current directory while no other user can
// swap its entries or those above it; else in TMPDIR, else in /tmp.
TEST_F(TempFiles, TheRunFolderStandsWhereNoOtherUserCanSwapIt) {
    const fs::path own = dir_ / "own";
    const fs::path open = dir_ / "open";
    const fs::path sticky = dir_ / "sticky";
    const fs::path temp = dir_ / "temp";
    for (const fs::path& p : {own, open, sticky, temp}) fs::create_directories(p);
    chmod(own.c_str(), 0755);
    chmod(open.c_str(), 0777);
    chmod(sticky.c_str(), 01777);
    chmod(temp.c_str(), 0700);
    support::Environment env;
    env.Set("TMPDIR", temp.string());
    std::string parent;
    ASSERT_TRUE(platform::RunFolderParent(own.string(), &parent));
    EXPECT_EQ(parent, own.string());
    ASSERT_TRUE(platform::RunFolderParent(sticky.string(), &parent));
    EXPECT_EQ(parent, sticky.string());
    ASSERT_TRUE(platform::RunFolderParent(open.string(), &parent));
    EXPECT_EQ(parent, temp.string());
    fs::create_directories(open / "below");
    ASSERT_TRUE(platform::RunFolderParent((open / "below").string(), &parent));
    EXPECT_EQ(parent, temp.string()) << "a folder above that others may change counts too";
    env.Set("TMPDIR", open.string());
    ASSERT_TRUE(platform::RunFolderParent(open.string(), &parent));
    EXPECT_EQ(parent, "/tmp");
    if (geteuid() == 0) {
        const int changed = chown(own.c_str(), 65534, 65534);
        // Under qemu-user the tests run as root of a user namespace that maps
        // no other user: chown fails there with EINVAL.
        if (changed != 0 && errno == EINVAL) GTEST_SKIP() << "no other user in this user namespace";
        ASSERT_EQ(changed, 0);
        ASSERT_TRUE(platform::RunFolderParent(own.string(), &parent));
        EXPECT_EQ(parent, "/tmp") << "a folder of another user";
    }
}
#endif

#ifdef _WIN32
// The run's folder grants its user alone (and the system itself, which
// Wine adds when it reads a descriptor back from a folder's mode), whatever
// the folder above it grants; once let go, it goes with its files. (Wine
// neither passes the folder's entry on to the files made in it nor keeps
// an open folder from being renamed, as Windows does, so those parts are
// not shown here.)
TEST_F(TempFiles, TheRunFolderGrantsItsUserAlone) {
    const std::string folder = (dir_ / "private").string();
    ASSERT_EQ(platform::CreatePrivateFolder(folder.c_str()), platform::NewFile::kCreated);
    EXPECT_EQ(platform::CreatePrivateFolder(folder.c_str()), platform::NewFile::kExists);
    support::WriteBytes(fs::path(folder) / "inside", "x");

    HANDLE token = nullptr;
    alignas(8) unsigned char user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
    DWORD size = 0;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                GetTokenInformation(token, TokenUser, user, sizeof user, &size));
    if (token != nullptr) CloseHandle(token);
    for (const std::string& path : {folder}) {
        alignas(8) unsigned char descriptor[4096];
        BOOL present = FALSE;
        BOOL defaulted = FALSE;
        ACL* dacl = nullptr;
        EXPECT_TRUE(GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, descriptor, sizeof descriptor, &size) &&
                    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) && present && dacl != nullptr)
            << path;
        int forUser = 0;
        for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
            void* ace = nullptr;
            if (!GetAce(dacl, i, &ace)) continue;
            const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            PSID sid = const_cast<DWORD*>(&allowed->SidStart);
            EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << path;
            if (EqualSid(sid, reinterpret_cast<TOKEN_USER*>(user)->User.Sid)) {
                ++forUser;
            } else {
                EXPECT_TRUE(IsWellKnownSid(sid, WinLocalSystemSid)) << path << ": entry " << i << " grants another";
            }
        }
        EXPECT_EQ(forUser, 1) << path;
    }
    EXPECT_TRUE(platform::RemovePrivateFolder(folder.c_str()));
    EXPECT_EQ(FolderContents(dir_), std::vector<std::string>{});
}

DWORD WINAPI CloseAMomentLater(void* handle) {
    Sleep(150);
    CloseHandle(handle);
    return 0;
}

// A file that a child ending just then still holds open, as the command
// interpreter's redirection does (without delete sharing), keeps neither
// itself nor the folder once the handle closes a moment later.
TEST_F(TempFiles, AFileHeldOpenAMomentLongerLeavesNoFolder) {
    const std::string folder = (dir_ / "held").string();
    ASSERT_EQ(platform::CreatePrivateFolder(folder.c_str()), platform::NewFile::kCreated);
    HANDLE file = CreateFileA((folder + "\\1").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE closer = CreateThread(nullptr, 0, CloseAMomentLater, file, 0, nullptr);
    ASSERT_NE(closer, nullptr);
    EXPECT_TRUE(platform::RemovePrivateFolder(folder.c_str()));
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
    EXPECT_EQ(FolderContents(dir_), std::vector<std::string>{});
}
#endif

TEST_F(TempFiles, QuotedPathsSurviveTheInterpreterAndTheEraseCommand) {
#ifdef _WIN32
    const std::vector<std::string> names = {"with blank", "a&b (1)", "x;y,z"};
#else
    const std::vector<std::string> names = {"with blank", "a&b (1)", "x;y,z", "$HOME", "`id`", "q\"uote",
                                            "back\\slash"};
#endif
    for (const std::string& name : names) {
        const std::string path = (dir_ / name).string();
        const std::string other = (dir_ / (name + "2")).string();
        const std::string create = "echo x>" + platform::InterpreterWord(path) + " 2>" + platform::InterpreterWord(other);
        EXPECT_EQ(RunShellCommand(create.c_str()), 0) << create;
        EXPECT_TRUE(platform::FileExists(path.c_str())) << name;
        EXPECT_TRUE(platform::FileExists(other.c_str())) << name;
        const std::string erase = std::string(platform::kEraseCommand) + " " + platform::InterpreterWord(path) +
                                  " " + platform::InterpreterWord(other);
        RunShellCommand(erase.c_str());
        EXPECT_EQ(FolderContents(dir_), std::vector<std::string>{}) << erase;
    }
}

// vyProbeVol's volume list file, read from a real file.
class VolumeListFile : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobals();
        g.programType = kVyProbeVol;
        g.volumeListFile.assign("vols.txt");
        dir_ = support::ScratchFolder("volume-list");
    }
    void TearDown() override { fs::remove_all(dir_); }

    int Read(const std::string& bytes) {
        support::WriteBytes(dir_ / "vols.txt", bytes);
        FILE* file = std::fopen((dir_ / "vols.txt").string().c_str(), "r");
        EXPECT_NE(file, nullptr);
        if (file == nullptr) return -1;
        int result = ReadVolumeList(file);
        std::fclose(file);
        return result;
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int i = 0; i < g.volumeCount; ++i) names.emplace_back(g.requestedVolumes[i].c_str());
        return names;
    }

    fs::path dir_;
    support::CapturedOutput out_;
};

TEST_F(VolumeListFile, TakesUpToTwoNamesALineInFileOrder) {
    EXPECT_EQ(Read("vol1 vol2\n\n  \t\n\tvol3  \nvol4"), 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"vol1", "vol2", "vol3", "vol4"}));
    EXPECT_EQ(out_.Text(), "");
}

TEST_F(VolumeListFile, AThirdNameEndsTheReadingAndWhatCameBeforeStays) {
    EXPECT_EQ(Read("a\nb c d\ne\n"), 16);
    EXPECT_EQ(Names(), std::vector<std::string>{"a"});
    EXPECT_EQ(out_.Text(), "vyProbeVol: More volume/s per line\n");
}

TEST_F(VolumeListFile, ALineIsReadInPiecesOf501Characters) {
    // 495 blanks and "abcdef" fill the first piece; "gh ijk" is a line of
    // its own.
    EXPECT_EQ(Read(std::string(495, ' ') + "abcdefgh ijk\n"), 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"abcdef", "gh", "ijk"}));
}

TEST_F(VolumeListFile, NamesOf49CharactersAndAt256NamesInAll) {
    EXPECT_EQ(Read(std::string(49, 'a') + " " + std::string(50, 'b') + "\n"), 12);
    EXPECT_EQ(Names(), std::vector<std::string>{std::string(49, 'a')});
    EXPECT_EQ(out_.Text(), "vyProbeVol: A volume name in vols.txt is longer than 49 characters\n");

    std::string list;
    for (int i = 0; i < 128; ++i) list += "v" + std::to_string(i) + " w" + std::to_string(i) + "\n";
    InitGlobals();
    g.programType = kVyProbeVol;
    g.volumeListFile.assign("vols.txt");
    EXPECT_EQ(Read(list), 0);
    EXPECT_EQ(g.volumeCount, 256);
    EXPECT_EQ(g.requestedVolumes[255].view(), "w127");

    InitGlobals();
    g.programType = kVyProbeVol;
    g.volumeListFile.assign("vols.txt");
    support::CapturedOutput out;
    EXPECT_EQ(Read(list + "last\n"), 12);
    EXPECT_EQ(g.volumeCount, 256);
    EXPECT_EQ(out.Text(), "vyProbeVol: More than 256 volumes are given in vols.txt\n");
}

// vyProbeVol's steps before its class: volumes given at all, the list file
// named with /f, and the /m resolution.
class RequestedVolumes : public VolumeListFile {
protected:
    void Request(std::initializer_list<const char*> names) {
        for (const char* name : names) ASSERT_TRUE(g.requestedVolumes[g.volumeCount++].assign(name));
    }
    std::vector<std::string> Resolved() const {
        std::vector<std::string> names;
        for (int i = 0; i < g.volumeCount; ++i) names.emplace_back(g.resolvedVolumes[i].c_str());
        return names;
    }
};

TEST_F(RequestedVolumes, AVolumeOrAListFileMustBeGiven) {
    EXPECT_EQ(CheckVolumesGiven(), 0) << "a list file";
    g.volumeListFile.clear();
    EXPECT_EQ(CheckVolumesGiven(), 10);
    EXPECT_EQ(out_.Text(), "vyProbeVol: Missing parameters\n");
    Request({"vol1"});
    EXPECT_EQ(CheckVolumesGiven(), 0);
    EXPECT_EQ(ReadVolumeListFile(), 0) << "no list file, nothing read";
    EXPECT_EQ(out_.Text(), "vyProbeVol: Missing parameters\n");
}

TEST_F(RequestedVolumes, AListFileThatCannotBeReadOrNamesNothing) {
    const std::string path = (dir_ / "vols.txt").string();
    g.volumeListFile.assign(path);
    EXPECT_EQ(ReadVolumeListFile(), 17) << "missing";
    fs::create_directories(path);
    EXPECT_EQ(ReadVolumeListFile(), 17) << "a folder";
    fs::remove(path);
    support::WriteBytes(path, " \n\t\n");
    EXPECT_EQ(ReadVolumeListFile(), 18);
    const std::string missing = "vyProbeVol: Volume list file " + path + " does not exist\n";
    EXPECT_EQ(out_.Text(), missing + missing + "vyProbeVol: No volumes specified in the given file\n");
    support::WriteBytes(path, "a b\nc\n");
    EXPECT_EQ(ReadVolumeListFile(), 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(RequestedVolumes, MFoldsOnlyAToZAndPassesOtherNamesWhole) {
    HostVolumeTable host;
    ASSERT_TRUE(AddHostVolume(host, "Disk2", "02B12028"));
    ASSERT_TRUE(AddHostVolume(host, "vpath12", "20312028"));
    ASSERT_TRUE(AddHostVolume(host, "Disk[", "5BB12028"));
    ASSERT_TRUE(AddHostVolume(host, "Disk\xE4", "E4B12028"));
    ASSERT_TRUE(AddHostVolume(host, "Vol{", "7BB12028"));  // '{' folds on neither side
    Request({"dISK2", "VPATH12", "Disk{", "DISK\xC4", "Disk", "02B12028", "VOL["});
    ResolveVolumes(host);
    EXPECT_EQ(Resolved(),
              (std::vector<std::string>{"dISK2", "VPATH12", "Disk{", "DISK\xC4", "Disk", "02B12028", "VOL["}))
        << "without /m the names as given";
    g.mapFlag = true;
    ResolveVolumes(host);
    EXPECT_EQ(Resolved(),
              (std::vector<std::string>{"02B12028", "20312028", "Disk{", "DISK\xC4", "Disk", "02B12028", "VOL["}));
}

TEST_F(RequestedVolumes, MStopsAtAnEmptyName) {
    HostVolumeTable host;
    ASSERT_TRUE(AddHostVolume(host, "Disk2", "02B12028"));
    Request({"disk2", "", "disk2"});
    g.mapFlag = true;
    ResolveVolumes(host);
    EXPECT_EQ(Resolved(), (std::vector<std::string>{"02B12028", "", ""}));
}

}  // namespace
