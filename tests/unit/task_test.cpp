// The security file check and the argument vector of each task class.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/launcher.h"
#include "tests/unit/support.h"

namespace {

class SecurityFile : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobals();
        g.programType = kVyAwaitJob;
        dir_ = support::ScratchFolder("security");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // GetPwd on a file with the given bytes.
    int Check(const std::string& bytes) {
        path_ = (dir_ / "sec.txt").string();
        support::WriteBytes(path_, bytes);
        g.securityFilePath.assign(path_);
        return GetPwd();
    }

    std::filesystem::path dir_;
    std::string path_;
    support::CapturedOutput out_;
};

TEST_F(SecurityFile, WithoutASecurityFileNothingIsRead) {
    g.debug = 1;
    EXPECT_EQ(GetPwd(), 0);
    EXPECT_EQ(out_.Text(), "- Start GetPwd\n- GetPwd done\n");
}

TEST_F(SecurityFile, AcceptsTwoWordsOrMoreOnTheFirstLine) {
    EXPECT_EQ(Check("admin secret\n"), 0);
    EXPECT_EQ(Check("   admin\t secret  third\nmore\n"), 0);
    EXPECT_EQ(Check("admin secret"), 0);
    EXPECT_EQ(Check("admin secret\r\n"), 0);
    EXPECT_EQ(out_.Text(), "");
}

TEST_F(SecurityFile, AMissingOrUnreadableFileIs23) {
    g.securityFilePath.assign("no such dir/sec file.txt");
    EXPECT_EQ(GetPwd(), 23);
    EXPECT_EQ(out_.Text(), "vyAwaitJob: security file no such dir/sec file.txt could not be found\n");

    support::CapturedOutput out;
    g.securityFilePath.assign(dir_.string());
    EXPECT_EQ(GetPwd(), 23) << "a folder exists but cannot be read";
    EXPECT_EQ(out.Text(), "vyAwaitJob: security file " + dir_.string() + " could not be found\n");
}

TEST_F(SecurityFile, AnEmptyFileIs24AndTooFewWordsAre25) {
    g.debug = 1;
    EXPECT_EQ(Check(""), 24);
    EXPECT_EQ(out_.Text(), "- Start GetPwd\nvyAwaitJob: format of security file " + path_ + " is incorrect\n");

    for (const char* bytes : {"admin\n", "\nadmin secret\n", "   \t \n", "admin"}) {
        support::CapturedOutput out;
        EXPECT_EQ(Check(bytes), 25) << bytes;
        EXPECT_EQ(out.Text(), "- Start GetPwd\nvyAwaitJob: format of security file " + path_ + " is incorrect\n");
    }
}

TEST_F(SecurityFile, OnlyTheFirst79CharactersCount) {
    // The second word begins at the 79th character: it is seen.
    EXPECT_EQ(Check("admin" + std::string(73, ' ') + "secret\n"), 0);
    // At the 80th it is not.
    EXPECT_EQ(Check("admin" + std::string(74, ' ') + "secret\n"), 25);
}

// The separators are tab to carriage return (9 to 13) and blank (32); line
// feed ends the line. Backspace (8), shift out (14), 31 and 33 are part of a
// word.
TEST_F(SecurityFile, WordsAreSeparatedByTabToCarriageReturnAndBlank) {
    for (const char* bytes : {"admin\tsecret", "admin\vsecret", "admin\fsecret", "admin\rsecret", "admin secret"}) {
        EXPECT_EQ(Check(bytes), 0) << static_cast<int>(bytes[5]);
    }
    for (const char* bytes : {"admin\nsecret", "admin\bsecret", "admin\x0esecret", "admin\x1fsecret", "admin!secret"}) {
        EXPECT_EQ(Check(bytes), 25) << static_cast<int>(bytes[5]);
    }
}

// The Java class skips a UTF-8 byte-order mark at the start of the file, so
// the check does too: a mark, a blank and one word is one word there.
TEST_F(SecurityFile, AByteOrderMarkAtTheStartIsNotPartOfTheLine) {
    EXPECT_EQ(Check("\xEF\xBB\xBF admin\n"), 25);
    EXPECT_EQ(Check("\xEF\xBB\xBF admin secret\n"), 0);
    EXPECT_EQ(g.securityLine.view(), " admin secret\n");
    EXPECT_EQ(Check("\xEF\xBB\xBF"), 24) << "nothing but the mark";
    EXPECT_EQ(Check("\xEF\xBB\xBF\nadmin secret\n"), 25);
    // The 79 characters looked at begin after the mark.
    EXPECT_EQ(Check("\xEF\xBB\xBF" "admin" + std::string(73, ' ') + "secret\n"), 0);
    EXPECT_EQ(Check("\xEF\xBB\xBF" "admin" + std::string(74, ' ') + "secret\n"), 25);
    // Anywhere else, or cut short, the bytes are part of a word.
    EXPECT_EQ(Check("\xEF\xBB admin\n"), 0);
    EXPECT_EQ(Check("admin \xEF\xBB\xBF\n"), 0);
    EXPECT_EQ(Check("\xEF\xBB\xBF\xEF\xBB\xBF admin\n"), 0);
    // Without a mark the first three characters lose nothing.
    EXPECT_EQ(Check("abc def\n"), 0);
    EXPECT_EQ(g.securityLine.view(), "abc def\n");
    EXPECT_EQ(Check("ab\ncd ef\n"), 25);
}

TEST(TaskNames, NoneGivenIs4) {
    InitGlobals();
    g.programType = kVyRunJob;
    support::CapturedOutput out;
    EXPECT_EQ(CheckTaskNames(), 4);
    g.taskNames.assign(" t");
    EXPECT_EQ(CheckTaskNames(), 0);
    EXPECT_EQ(out.Text(), "vyRunJob: No task names specified\n");
}

// ExecuteJava with nothing started: the vector from the class on.
class TaskVector : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobals();
        g.noSystemCommand = 1;
        g.taskServer.assign("srv");
    }
    std::vector<std::string> Run(int type) {
        g.programType = type;
        EXPECT_EQ(ExecuteJava(), 0);
        std::vector<std::string> v;
        for (int i = kFirstArgSlot; i < g.argCount; ++i) v.push_back(g.argVector[i]);
        return v;
    }
    support::CapturedOutput out_;
};

using Vector = std::vector<std::string>;

TEST_F(TaskVector, RunJobWithEverything) {
    g.verbose = 1;
    g.userName.assign("admin");
    g.password.assign("pw");
    g.taskNames.assign(" A B");
    EXPECT_EQ(Run(kVyRunJob), (Vector{"vyMirrorKit.vyRunJob", "-v", "-u", "admin", "-p", "pw", "-s", "srv", " A B"}));
}

TEST_F(TaskVector, AwaitJobWithSecurityFileMinutesAndThreshold) {
    g.securityFilePath.assign("C:\\my files\\sec.txt");
    g.minutes.assign("10");
    g.threshold.assign("5");
    g.taskNames.assign(" TASK1");
    EXPECT_EQ(Run(kVyAwaitJob), (Vector{"vyMirrorKit.vyAwaitJob", "-a", "\"C:\\my files\\sec.txt\"", "-m", "10",
                                        "-t", "5", "-s", "srv", " TASK1"}));
    g.minutes.clear();
    g.threshold.clear();
    EXPECT_EQ(Run(kVyAwaitJob),
              (Vector{"vyMirrorKit.vyAwaitJob", "-a", "\"C:\\my files\\sec.txt\"", "-s", "srv", " TASK1"}));
}

TEST_F(TaskVector, SeedHostAndProbeVolHaveTheirOwnArguments) {
    g.volumeFilePath.assign("C:\\work dir\\vol.tmp");
    g.hostName.assign("host1");
    EXPECT_EQ(Run(kVySeedHost),
              (Vector{"vyMirrorKit.vySeedHost", "-s", "srv", "-l", "\"C:\\work dir\\vol.tmp\"", "-d", "host1"}));
    g.volumeFilePath.clear();
    g.hostName.clear();
    EXPECT_EQ(Run(kVySeedHost), (Vector{"vyMirrorKit.vySeedHost", "-s", "srv"}));

    g.volumeCount = 3;
    g.resolvedVolumes[0].assign("v1");
    g.resolvedVolumes[1].assign("SER00002");
    g.resolvedVolumes[2].assign("v3");
    EXPECT_EQ(Run(kVyProbeVol), (Vector{"vyMirrorKit.vyProbeVol", "-s", "srv", "v1", "SER00002", "v3"}));
}

TEST_F(TaskVector, QuotesCredentialsAndHostNameOnlyWhenTheyWouldSplit) {
    g.userName.assign("a\\b");
    g.password.assign("two words");
    g.taskNames.assign(" t");
    EXPECT_EQ(Run(kVyRunJob), (Vector{"vyMirrorKit.vyRunJob", "-u", "a\\b", "-p", "\"two words\"", "-s", "srv", " t"}));
    g.password.assign("say\"hi\\");
    EXPECT_EQ(Run(kVyRunJob),
              (Vector{"vyMirrorKit.vyRunJob", "-u", "a\\b", "-p", "\"say\\\"hi\\\\\"", "-s", "srv", " t"}));

    g.userName.clear();
    g.password.clear();
    g.hostName.assign("my\thost");
    EXPECT_EQ(Run(kVySeedHost), (Vector{"vyMirrorKit.vySeedHost", "-s", "srv", "-d", "\"my\thost\""}));
}

// Possible in POSIX file names: a path with a double quote, or ending in a
// backslash, must still arrive whole; once quoted it must fit a slot.
TEST_F(TaskVector, PathsArriveWholeWhateverTheyHold) {
    g.securityFilePath.assign("dq\"x y/sec\\");
    g.volumeFilePath.assign("/w/dq\"x y/vy1-0.tmp");
    EXPECT_EQ(Run(kVySeedHost), (Vector{"vyMirrorKit.vySeedHost", "-a", "\"dq\\\"x y/sec\\\\\"", "-s", "srv", "-l",
                                        "\"/w/dq\\\"x y/vy1-0.tmp\""}));

    g.securityFilePath.assign(std::string(1019, 'x') + "\"y");  // 1,021 characters, 1,024 once quoted
    g.programType = kVyRunJob;
    EXPECT_EQ(ExecuteJava(), 12);
    EXPECT_EQ(out_.Text(), "vyRunJob: The arguments for the Java class do not fit its command line\n");
}

TEST_F(TaskVector, DebugTraceEndsBeforeTheStart) {
    g.debug = 1;
    g.taskNames.assign(" t");
    Run(kVyRunJob);
    std::string text = out_.Text();
    EXPECT_EQ(text.substr(0, 41), "- Start ExecuteJava\n- ExecuteJava done\nsp");
}

TEST_F(TaskVector, NothingLeftFromTheProbe) {
    g.argCount = kFirstArgSlot;
    for (int i = 0; i < 20; ++i) AppendArgument("probe-leftover");
    g.taskNames.assign(" t");
    EXPECT_EQ(Run(kVyRunJob), (Vector{"vyMirrorKit.vyRunJob", "-s", "srv", " t"}));
    EXPECT_STREQ(g.argSlots[10].c_str(), "") << "every slot is emptied";
}

TEST_F(TaskVector, RefusesAVectorThatDoesNotFit) {
    g.volumeCount = kMaxVolumes;
    for (int i = 0; i < kMaxVolumes; ++i) g.resolvedVolumes[i].assign("v");
    g.programType = kVyProbeVol;
    EXPECT_EQ(ExecuteJava(), 12);
    EXPECT_EQ(out_.Text(), "vyProbeVol: The arguments for the Java class do not fit its command line\n");
}

}  // namespace
