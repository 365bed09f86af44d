// CheckServer against the fake Java launcher: which probes run, in which
// order, what they are given and what the step makes of their statuses.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/launcher.h"
#include "tests/unit/support.h"

namespace {

class ServerCheck : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobals();
        g.programType = kVyRunJob;
        dir_ = support::ScratchFolder("server");
        log_ = (dir_ / "java.log").string();
        env_.Set("FAKEJAVA_LOG", log_);
        env_.Set("FAKEJAVA_EXIT", std::nullopt);
#ifdef _WIN32
        std::string launcher = std::string(VY_DOUBLES_DIR) + "/java.exe";
#else
        // Found through PATH, as the launchers' own is: the build's folder
        // may hold blanks, which split a path in the joined command line.
        env_.Set("PATH", VY_DOUBLES_DIR);
        std::string launcher = "java";
#endif
        g.launcherName.assign(launcher);
        g.javaOptions.assign("-Xopt");
        g.classPathArgument.assign("-classpath \"cp\"");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // The statuses the probe class gives, as "KEY=STATUS|...".
    void Exits(const std::string& rules) { env_.Set("FAKEJAVA_EXIT", rules); }

    // Each start of the fake launcher: its arguments after the class path,
    // joined by blanks.
    std::vector<std::string> Starts() {
        std::vector<std::string> starts;
        std::ifstream in(log_);
        std::string line;
        std::string current;
        int index = 0;
        while (std::getline(in, line)) {
            if (line == "end") {
                starts.push_back(current);
                current.clear();
                index = 0;
            } else if (line.rfind("argv[", 0) == 0 && index++ >= 4) {
                current += (current.empty() ? "" : " ") + line.substr(line.find('=') + 1);
            }
        }
        return starts;
    }

    // The trace lines alone.
    std::string Trace() {
        std::istringstream in(out_.Text());
        std::string line;
        std::string trace;
        while (std::getline(in, line)) {
            if (line.rfind("- ", 0) == 0) trace += line + "\n";
        }
        return trace;
    }

    std::filesystem::path dir_;
    std::string log_;
    support::Environment env_;
    support::CapturedOutput out_;
};

using List = std::vector<std::string>;

TEST_F(ServerCheck, NoServerIs3WithoutAProbe) {
    g.verbose = 1;
    EXPECT_EQ(CheckServer(), 3);
    EXPECT_EQ(out_.Text(),
              "vyRunJob: No primary or backup Server name specified\n"
              "usage: vyRunJob [/v] /u username & /p password | /a securityfilepath /s primaryserver /b backupserver "
              "taskNames\n");
    EXPECT_EQ(Starts(), List{});
}

TEST_F(ServerCheck, APrimaryThatAnswersIsTheTaskServer) {
    g.primaryServer.assign("srvA");
    g.verbose = 1;
    g.debug = 1;
    EXPECT_EQ(CheckServer(), 0);
    EXPECT_EQ(Starts(), List{"vyMirrorKit.vyNetProbe -Server=srvA"}) << "no verbose argument for a task program";
    EXPECT_EQ(g.taskServer.view(), "srvA");
    EXPECT_EQ(Trace(), "- Start CheckServer\n- Primary Server is present\n- CheckServer done\n");
    EXPECT_EQ(out_.Text().find("vyRunJob: The"), std::string::npos);
}

TEST_F(ServerCheck, ASilentPrimaryAloneIs41) {
    g.primaryServer.assign("srvA");
    g.debug = 1;
    Exits("-Server=srvA=1");
    EXPECT_EQ(CheckServer(), 41);
    EXPECT_NE(out_.Text().find("vyRunJob: The primary server is down and there is no backup server specified. The "
                               "task is not completed.\n"),
              std::string::npos);
    EXPECT_EQ(Trace(), "- Start CheckServer\n- Primary Server is present\n");
    EXPECT_EQ(g.taskServer.view(), "");
}

TEST_F(ServerCheck, ASilentBackupAloneIs45) {
    g.backupServer.assign("srvB");
    Exits("-Server=srvB=2");
    EXPECT_EQ(CheckServer(), 45);
    EXPECT_EQ(out_.Text(), "vyRunJob: The backup server is down and there is no primary server specified. The task "
                           "is not completed.\n");
    EXPECT_EQ(Starts(), List{"vyMirrorKit.vyNetProbe -Server=srvB"});
}

TEST_F(ServerCheck, FailsOverToTheBackupOnlyAfterThePrimaryFails) {
    g.primaryServer.assign("srvA");
    g.backupServer.assign("srvB");
    Exits("-Server=srvA=1");
    EXPECT_EQ(CheckServer(), 0);
    EXPECT_EQ(Starts(), (List{"vyMirrorKit.vyNetProbe -Server=srvA", "vyMirrorKit.vyNetProbe -Server=srvB"}));
    EXPECT_EQ(g.taskServer.view(), "srvB");
    EXPECT_EQ(out_.Text(), "") << "a failover is silent without /v";
}

TEST_F(ServerCheck, VerboseFailoverPrintsBothMessagesInOrder) {
    g.primaryServer.assign("srvA");
    g.backupServer.assign("srvB");
    g.verbose = 1;
    g.programType = kVyAwaitJob;
    Exits("-Server=srvA=1");
    EXPECT_EQ(CheckServer(), 0);
    EXPECT_EQ(out_.Text(), "vyAwaitJob: The primary server is down, trying the specified backup server...\n"
                           "vyAwaitJob: The task will be run off the backup server.\n");
}

TEST_F(ServerCheck, ABackupIsNotProbedWhenThePrimaryAnswers) {
    g.primaryServer.assign("srvA");
    g.backupServer.assign("srvB");
    g.debug = 1;
    EXPECT_EQ(CheckServer(), 0);
    EXPECT_EQ(Starts(), List{"vyMirrorKit.vyNetProbe -Server=srvA"});
    EXPECT_EQ(Trace(), "- Start CheckServer\n- Primary and Backup Server is present\n- CheckServer done\n");
}

TEST_F(ServerCheck, BothSilentIs42WithTheTryingMessageFirstWhenVerbose) {
    g.primaryServer.assign("srvA");
    g.backupServer.assign("srvB");
    Exits("-Server=srvA=1|-Server=srvB=1");
    EXPECT_EQ(CheckServer(), 42);
    EXPECT_EQ(out_.Text(), "vyRunJob: The primary and backup server are down. Task not completed.\n");

    support::CapturedOutput out;
    g.verbose = 1;
    EXPECT_EQ(CheckServer(), 42);
    EXPECT_EQ(out.Text(), "vyRunJob: The primary server is down, trying the specified backup server...\n"
                          "vyRunJob: The primary and backup server are down. Task not completed.\n");
}

TEST_F(ServerCheck, ForVyPingSrvTheProbesStatusIsTheAnswer) {
    g.programType = kVyPingSrv;
    g.primaryServer.assign("srvA");
    g.verbose = 1;
    g.debug = 1;
    Exits("-Server=srvA=7");
    EXPECT_EQ(CheckServer(), 7);
    EXPECT_EQ(Starts(), List{"vyMirrorKit.vyNetProbe -Verbose=yes -Server=srvA"});
    EXPECT_EQ(g.taskServer.view(), "srvA");
    EXPECT_EQ(Trace(), "- Start CheckServer\n- Primary Server is present\n- CheckServer done\n");
    EXPECT_EQ(out_.Text().find("vyPingSrv: The"), std::string::npos) << "no message of its own";
}

TEST_F(ServerCheck, AJavaRuntimeThatCannotStartCountsAsASilentServer) {
    g.launcherName.assign("vy-no-such-launcher");
    g.primaryServer.assign("srvA");
    EXPECT_EQ(CheckServer(), 41);
    g.programType = kVyPingSrv;
    EXPECT_EQ(CheckServer(), -1);
}

TEST_F(ServerCheck, NoSystemCommandPassesWithoutAProbe) {
    g.backupServer.assign("srvB");
    g.noSystemCommand = 1;
    Exits("-Server=srvB=1");
    EXPECT_EQ(CheckServer(), 0);
    EXPECT_EQ(Starts(), List{});
    EXPECT_EQ(g.taskServer.view(), "srvB");
}

}  // namespace
