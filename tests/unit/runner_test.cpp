// The child process runner: banners, the no-system-command switch, failed
// starts and exit statuses.
#include <gtest/gtest.h>

#include <string>

#include "core/launcher.h"
#include "tests/unit/support.h"

namespace {

const std::string kSpawnBanner = "spawnvp" + std::string(130, '-') + "\n";
const std::string kSystemBanner = "system" + std::string(131, '-') + "\n";
const std::string kClosingBanner = std::string(137, '-') + "\n";

class Runner : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobals();
        g.programType = kVyPingSrv;
        g.launcherName.assign("vy-no-such-launcher");
        g.javaOptions.assign("");
        g.classPathArgument.assign("-classpath \"x\"");
        g.argCount = kFirstArgSlot;
        AppendArgument("vyMirrorKit.vyNetProbe");
        AppendArgument("-Server=a");
    }
    support::CapturedOutput out_;
};

TEST_F(Runner, BannersAreFramedAndTheVectorIsPrinted) {
    g.debug = 1;
    g.noSystemCommand = 1;
    EXPECT_EQ(SpawnJava(g.argCount, g.argVector), 0);
    const std::string text = out_.Text();
    EXPECT_EQ(text.find('\n'), 137u) << "the opening banner is 137 characters wide";
    EXPECT_EQ(text, kSpawnBanner + "vy-no-such-launcher  -classpath \"x\" vyMirrorKit.vyNetProbe -Server=a \n" +
                               "vyPingSrv: Execution of JAVA returned an error of 0\n" + kClosingBanner);
    EXPECT_EQ(g.argVector[g.argCount], nullptr) << "the vector ends after the last argument";
    EXPECT_STREQ(g.argVector[1], "") << "an empty Java options text still takes entry 1";
}

TEST_F(Runner, ShellCommandBannersAndNoSystemCommand) {
    g.debug = 2;
    g.noSystemCommand = 3;
    EXPECT_EQ(RunShellCommand("exit 7"), 0);
    EXPECT_EQ(out_.Text(), kSystemBanner + "exit 7\n" + "vyPingSrv: The error number is 0\n" + kClosingBanner);
}

TEST_F(Runner, AMissingLauncherGivesMinusOneAndTheRuntimesErrorNumber) {
    g.debug = 1;
    EXPECT_EQ(SpawnJava(g.argCount, g.argVector), -1);
    std::string text = out_.Text();
    EXPECT_NE(text.find("vyPingSrv: Execution of JAVA returned an error of -1\n"
                        "vyPingSrv: ERRNO is set to 2\n" +
                        kClosingBanner),
              std::string::npos)
        << text;
}

TEST_F(Runner, NothingIsPrintedWithoutDebugEvenWhenTheStartFails) {
    EXPECT_EQ(SpawnJava(g.argCount, g.argVector), -1);
    EXPECT_EQ(RunShellCommand("exit 0"), 0);
    EXPECT_EQ(out_.Text(), "");
}

TEST_F(Runner, ReturnsTheInterpretersExitStatus) {
    EXPECT_EQ(RunShellCommand("exit 3"), 3);
    EXPECT_EQ(RunShellCommand("exit 0"), 0);
}

TEST(ArgumentTable, AppendingStopsOneShortOfTheEndAndNeverCuts) {
    InitGlobals();
    g.argCount = kFirstArgSlot;
    for (int i = kFirstArgSlot; i < kArgSlots - 1; ++i) ASSERT_TRUE(AppendArgument("x"));
    EXPECT_EQ(g.argCount, 255);
    EXPECT_FALSE(AppendArgument("x")) << "slot 255 is kept for the end marker";

    InitGlobals();
    g.argCount = kFirstArgSlot;
    EXPECT_TRUE(AppendArgument(std::string(1023, 'a').c_str()));
    EXPECT_FALSE(AppendArgument(std::string(1024, 'a').c_str()));
    EXPECT_EQ(g.argCount, kFirstArgSlot + 1);
}

}  // namespace
