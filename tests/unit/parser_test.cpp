// InitParameter for every program type that takes switches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/launcher.h"
#include "core/switches.h"
#include "tests/unit/support.h"

namespace {

using support::Parse;
using support::Parsed;

const char* const kName[] = {"", "vyRunJob", "vySeedHost", "vyProbeVol", "vyAwaitJob", "vyShowLuns", "vyPingSrv"};

// Which program accepts which argument: the exit code of InitParameter for
// program types 1 to 6.
TEST(InitParameter, EachSwitchIsAcceptedWhereItBelongsOnly) {
    struct Row {
        std::vector<std::string> args;
        int codes[6];
    } rows[] = {
        {{"/debug"}, {0, 0, 0, 0, 0, 0}},
        {{"/noSystemCommand"}, {0, 0, 0, 0, 0, 0}},
        {{"/v"}, {0, 0, 0, 0, 19, 0}},
        {{"/u", "x"}, {0, 0, 0, 0, 19, 19}},
        {{"/p", "x"}, {0, 0, 0, 0, 19, 19}},
        {{"/a", "x"}, {0, 0, 0, 0, 19, 19}},
        {{"/s", "x"}, {0, 0, 0, 0, 19, 0}},
        {{"/b", "x"}, {0, 0, 0, 0, 19, 19}},
        {{"/d", "x"}, {19, 0, 19, 19, 19, 19}},
        {{"/q", "x"}, {19, 19, 0, 19, 19, 19}},
        {{"/m"}, {19, 19, 0, 10, 19, 19}},
        {{"/m", "10"}, {19, 19, 19, 0, 19, 19}},
        {{"/f", "x"}, {19, 19, 0, 19, 19, 19}},
        {{"/t", "x"}, {19, 19, 19, 0, 19, 19}},
        {{"-z"}, {0, 19, 19, 0, 0, 0}},
        {{"task1"}, {0, 19, 19, 0, 19, 19}},
        {{"/U"}, {19, 19, 19, 19, 19, 19}},
        {{"/DEBUG"}, {19, 19, 19, 19, 19, 19}},
        {{"/debug2"}, {19, 19, 19, 19, 19, 19}},
        {{"/u=x"}, {19, 19, 19, 19, 19, 19}},
        {{"-Z"}, {0, 19, 19, 0, 19, 19}},
    };
    for (const Row& r : rows) {
        for (int type = 1; type <= 6; ++type) {
            Parsed p = Parse(type, r.args);
            EXPECT_EQ(p.code, r.codes[type - 1]) << kName[type] << " " << r.args[0];
            if (p.code == 0 && r.args[0] != "/debug") {
                EXPECT_EQ(p.output, "") << kName[type] << " " << r.args[0];
            }
        }
    }
}

TEST(InitParameter, AnInvalidArgumentIsNamedWithTheUsageLine) {
    Parsed p = Parse(kVyPingSrv, {"/s", "srv", "/b", "x"});
    EXPECT_EQ(p.code, 19);
    EXPECT_EQ(p.output, "vyPingSrv: Invalid parameter specified (/b)\nusage: vyPingSrv /s serverName\n");

    p = Parse(kVyProbeVol, {"/m", "10"});
    EXPECT_EQ(p.code, 19);
    EXPECT_EQ(p.output.substr(0, 44), "vyProbeVol: Invalid parameter specified (10)");

    p = Parse(kVyShowLuns, {"-z", "/v"});
    EXPECT_EQ(p.output, "vyShowLuns: Invalid parameter specified (/v)\nusage: vyShowLuns\n");

    p = Parse(kVyRunJob, {"/x"});
    EXPECT_EQ(p.output,
              "vyRunJob: Invalid parameter specified (/x)\n"
              "usage: vyRunJob [/v] /u username & /p password | /a securityfilepath /s primaryserver /b backupserver "
              "taskNames\n");
}

TEST(InitParameter, NoArgumentsIs21ExceptForVyShowLuns) {
    for (int type : {kVyRunJob, kVySeedHost, kVyProbeVol, kVyAwaitJob, kVyPingSrv}) {
        Parsed p = Parse(type, {});
        EXPECT_EQ(p.code, 21) << kName[type];
        EXPECT_EQ(p.output.substr(0, p.output.find('\n')), std::string(kName[type]) + ": No parameter(s) specified");
    }
    Parsed p = Parse(kVySeedHost, {});
    EXPECT_EQ(p.output,
              "vySeedHost: No parameter(s) specified\n"
              "usage: vySeedHost [/v] /u username & /p password | /a securityfilepath /d hostname /s primaryserver "
              "/b backupserver\n");
    EXPECT_EQ(Parse(kVyShowLuns, {}).code, 0);
}

TEST(InitParameter, AMissingValueIs10AtTheEndAnd20BeforeASwitch) {
    Parsed p = Parse(kVyPingSrv, {"/s"});
    EXPECT_EQ(p.code, 10);
    EXPECT_EQ(p.output, "vyPingSrv: Missing argument for /s\nusage: vyPingSrv /s serverName\n");

    p = Parse(kVyRunJob, {"/s", "/b", "srv"});
    EXPECT_EQ(p.code, 20);
    EXPECT_EQ(p.output.substr(0, p.output.find('\n')), "vyRunJob: Missing argument for /s");

    p = Parse(kVyAwaitJob, {"/t", "/debug"});
    EXPECT_EQ(p.code, 20);
    EXPECT_EQ(p.output.substr(0, p.output.find('\n')), "vyAwaitJob: Missing argument for /t");
    EXPECT_EQ(g.debug, 0) << "the switch after /t was not read";

    // A value may begin with any other character, the neighbours of "/"
    // included, and may be empty.
    EXPECT_EQ(Parse(kVyRunJob, {"/u", "-x", "/p", "", "/s", "\\srv"}).code, 0);
    EXPECT_EQ(g.userName.view(), "-x");
    EXPECT_EQ(g.primaryServer.view(), "\\srv");
    EXPECT_EQ(Parse(kVyAwaitJob, {"/m", ".5", "/t", "0", "/s", "srv", ".t", "0t"}).code, 0);
    EXPECT_EQ(g.minutes.view(), ".5");
    EXPECT_EQ(g.threshold.view(), "0");
    EXPECT_EQ(g.taskNames.view(), " .t 0t") << "a task name may begin with the neighbours of \"/\"";
}

// Windows takes every value that begins with "/" for a switch; POSIX only
// the running program's own switches, as any other may be an absolute path.
TEST(InitParameter, AValueThatBeginsWithASlashIsMissingOnlyWhenItCannotBeAPath) {
    EXPECT_EQ(Parse(kVyProbeVol, {"/f", "/m", "/s", "srv"}).code, 20);
    EXPECT_EQ(Parse(kVyAwaitJob, {"/a", "/t", "5", "/s", "srv", "T"}).code, 20);
    EXPECT_EQ(Parse(kVyPingSrv, {"/s", "/noSystemCommand"}).code, 20);

    Parsed p = Parse(kVyRunJob, {"/a", "/etc/vy/sec.txt", "/s", "/d", "T"});  // /d is vySeedHost's alone
#ifdef _WIN32
    EXPECT_EQ(p.code, 20);
    EXPECT_EQ(p.output.substr(0, p.output.find('\n')), "vyRunJob: Missing argument for /a");
#else
    EXPECT_EQ(p.code, 0);
    EXPECT_EQ(g.securityFilePath.view(), "/etc/vy/sec.txt");
    EXPECT_EQ(g.primaryServer.view(), "/d");
    EXPECT_EQ(Parse(kVyPingSrv, {"/s", "/S"}).code, 0) << "switches match with their case only";
    EXPECT_EQ(Parse(kVyAwaitJob, {"/m", "/q", "T"}).code, 0) << "/q is vyProbeVol's alone";
#endif
}

TEST(InitParameter, ConflictsAreFoundInEitherOrder) {
    struct Row {
        int type;
        std::vector<std::string> args;
    } rows[] = {
        {kVyRunJob, {"/u", "name", "/a", "file"}},     {kVyRunJob, {"/a", "file", "/u", "name"}},
        {kVySeedHost, {"/p", "pw", "/a", "file"}},     {kVyAwaitJob, {"/a", "file", "/p", "pw"}},
        {kVyProbeVol, {"/q", "volA", "/f", "list"}},   {kVyProbeVol, {"/f", "list", "/q", "volA"}},
        {kVyProbeVol, {"/q", "", "/f", "list"}},       {kVyRunJob, {"/u", "n", "/p", "p", "/a", "f", "t1"}},
    };
    for (const Row& r : rows) {
        Parsed p = Parse(r.type, r.args);
        EXPECT_EQ(p.code, 15) << r.args[0] << " " << r.args[2];
        EXPECT_EQ(p.output.substr(0, p.output.find('\n')), std::string(kName[r.type]) + ": Conflicting parameters");
    }
    // Empty values conflict with nothing.
    EXPECT_EQ(Parse(kVyProbeVol, {"/f", "", "/q", "volA"}).code, 0);
    EXPECT_EQ(Parse(kVyRunJob, {"/a", "", "/u", "name", "t"}).code, 0);
    EXPECT_EQ(Parse(kVyRunJob, {"/u", "", "/a", "file", "t"}).code, 0);
}

TEST(InitParameter, StoresValuesCountersAndTaskNames) {
    ASSERT_EQ(Parse(kVyProbeVol, {"/q", "volA", "/q", "volB", "/m", "/s", "srv", "/s", "srv2", "/m"}).code, 0);
    EXPECT_EQ(g.volumeCount, 2);
    EXPECT_EQ(g.requestedVolumes[0].view(), "volA");
    EXPECT_EQ(g.requestedVolumes[1].view(), "volB");
    EXPECT_EQ(g.mapFlag, 2);
    EXPECT_EQ(g.primaryServer.view(), "srv2") << "a repeated switch replaces the value";

    ASSERT_EQ(Parse(kVyAwaitJob, {"/m", "10", "/t", "5", "/s", "srv", "t1", "", "-z"}).code, 0);
    EXPECT_EQ(g.minutes.view(), "10");
    EXPECT_EQ(g.threshold.view(), "5");
    EXPECT_EQ(g.taskNames.view(), " t1  -z") << "an empty argument adds a single blank";

    ASSERT_EQ(Parse(kVyRunJob, {"/v", "/u", "name", "/p", "pw", "/s", "srv", "task1", "/v", "/noSystemCommand"}).code,
              0);
    EXPECT_EQ(g.verbose, 2);
    EXPECT_EQ(g.noSystemCommand, 1);
    EXPECT_EQ(g.taskNames.view(), " task1");
    EXPECT_EQ(g.userName.view(), "name");
    EXPECT_EQ(g.password.view(), "pw");

    ASSERT_EQ(Parse(kVySeedHost, {"/d", "host one", "/b", "bk", "/a", "C:\\sec file"}).code, 0);
    EXPECT_EQ(g.hostName.view(), "host one");
    EXPECT_EQ(g.backupServer.view(), "bk");
    EXPECT_EQ(g.securityFilePath.view(), "C:\\sec file");

    ASSERT_EQ(Parse(kVyShowLuns, {"-z", "/debug", "/debug", "/debug"}).code, 0);
    EXPECT_EQ(g.quietFlag, 1);
    EXPECT_EQ(g.debug, 3);
}

TEST(InitParameter, TheDiagnosticLineNeedsExactlyTwoDebugSwitches) {
    Parsed p = Parse(kVyRunJob, {"/debug", "/debug", "/s", "x"});
    EXPECT_EQ(p.code, 0);
    EXPECT_EQ(p.output, "vyRunJob\tx\t3\t4\n- InitParameter done\n");

    p = Parse(kVyPingSrv, {"/debug", "/debug", "/s"});
    EXPECT_EQ(p.code, 10);
    EXPECT_EQ(p.output, "vyPingSrv\t(null)\t3\t3\nvyPingSrv: Missing argument for /s\nusage: vyPingSrv /s serverName\n");

    p = Parse(kVyRunJob, {"/debug", "/debug", "/debug", "/s", "x"});
    EXPECT_EQ(p.output, "- InitParameter done\n");

    p = Parse(kVyRunJob, {"/s", "x", "/debug", "/debug"});
    EXPECT_EQ(p.output, "- InitParameter done\n") << "debug is counted only as the arguments are read";
}

// Values longer than their limits are refused whole with 12; the longest
// value that fits passes.
TEST(InitParameter, RefusesValuesPastTheirFields) {
    struct Row {
        int type;
        const char* option;
        std::size_t limit;
    } rows[] = {
        {kVyRunJob, "/u", 31},     {kVyRunJob, "/p", 31},      {kVyRunJob, "/a", 1021},   {kVyRunJob, "/s", 1015},
        {kVyRunJob, "/b", 1015},   {kVySeedHost, "/d", 1023},  {kVyProbeVol, "/q", 49},   {kVyProbeVol, "/f", 2047},
        {kVyAwaitJob, "/m", 111},  {kVyAwaitJob, "/t", 31},    {kVyPingSrv, "/s", 1015},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(Parse(r.type, {r.option, std::string(r.limit, 'v')}).code, 0) << r.option;
        Parsed p = Parse(r.type, {r.option, std::string(r.limit + 1, 'v')});
        EXPECT_EQ(p.code, 12) << r.option;
        EXPECT_EQ(p.output, std::string(kName[r.type]) + ": The value of " + r.option + " is longer than " +
                                std::to_string(r.limit) + " characters\nusage: " + UsageText() + "\n");
    }
}

TEST(InitParameter, RefusesMoreThan256VolumesAndTaskNamesPast1023Characters) {
    // The class's command line has room for 249 volumes next to the
    // launcher's three arguments, the class, "-s" and the server and the end
    // marker; each option takes more of it.
    std::vector<std::string> args;
    for (int i = 0; i < 249; ++i) args.insert(args.end(), {"/q", "v" + std::to_string(i)});
    EXPECT_EQ(Parse(kVyProbeVol, args).code, 0);
    EXPECT_EQ(g.volumeCount, 249);
    args.insert(args.end(), {"/u", "user"});
    Parsed p = Parse(kVyProbeVol, args);
    EXPECT_EQ(p.code, 12);
    EXPECT_EQ(p.output, "vyProbeVol: More volumes than one Java command line can carry (at most 247 here)\n");

    for (int i = 249; i < 257; ++i) args.insert(args.end(), {"/q", "v" + std::to_string(i)});
    p = Parse(kVyProbeVol, args);
    EXPECT_EQ(p.code, 12);
    EXPECT_EQ(p.output.substr(0, p.output.find('\n')), "vyProbeVol: More than 256 volumes are given with /q");
    EXPECT_EQ(g.volumeCount, 256) << "the field's 256 entries and no more";

    // 1,023 characters in all: 511 names of one character and one of
    // 0 (a blank each), then one of 1 more would need 2 more.
    std::vector<std::string> tasks(511, "t");
    tasks.push_back("");
    EXPECT_EQ(Parse(kVyRunJob, tasks).code, 0);
    EXPECT_EQ(g.taskNames.size(), 1023u);
    tasks.push_back("");
    p = Parse(kVyAwaitJob, tasks);
    EXPECT_EQ(p.code, 12);
    EXPECT_EQ(p.output.substr(0, p.output.find('\n')), "vyAwaitJob: The task names are longer than 1023 characters in all");
}

}  // namespace

namespace {

TEST(InitParameter, RefusesAHostNameThatOutgrowsItsSlotOnceQuoted) {
    // Each double quote is passed on behind a backslash, and the whole value
    // in quotes: 510 of them make 1,022 characters, 511 make 1,024.
    EXPECT_EQ(Parse(kVySeedHost, {"/d", std::string(510, '"')}).code, 0);
    Parsed p = Parse(kVySeedHost, {"/d", std::string(511, '"')});
    EXPECT_EQ(p.code, 12);
    EXPECT_EQ(p.output.substr(0, p.output.find('\n')),
              "vySeedHost: The value of /d is longer than 1023 characters once quoted");
}

// /s, /b, /q and vyAwaitJob's /m and /t reach the class unquoted, where its
// runtime splits its command line at blanks and tabs again and a double
// quote joins what follows. A value must arrive as exactly one argument, or
// is refused before anything is started; the probe receives a server name
// after "-Server=", so there nothing may come before the name either.
TEST(InitParameter, AValuePassedOnAsItStandsMustReachTheClassAsOneArgument) {
    struct Row {
        int type;
        const char* option;
        const char* value;
    } refused[] = {
        {kVyRunJob, "/s", "10.9.9.9 -Server=127.0.0.1:7530"},
        {kVyPingSrv, "/s", "127.0.0.1:7530 -Verbose=yes"},
        {kVySeedHost, "/b", "a\tb"},
        {kVyRunJob, "/s", " srv"},
        {kVyRunJob, "/b", "\"srv\""},
        {kVyRunJob, "/s", " "},
        {kVyAwaitJob, "/m", "1 -s 10.9.9.9"},
        {kVyAwaitJob, "/t", "5 -s 10.9.9.9"},
        {kVyAwaitJob, "/m", "1\""},
        {kVyAwaitJob, "/t", "\t"},
        {kVyProbeVol, "/q", "disk1 disk2"},
        {kVyProbeVol, "/q", "\"disk1"},
    };
    for (const Row& r : refused) {
        Parsed p = Parse(r.type, {r.option, r.value, "/s", "srv"});
        EXPECT_EQ(p.code, 11) << r.option << " [" << r.value << "]";
        EXPECT_EQ(p.output, std::string(kName[r.type]) + ": The value of " + r.option +
                                " would not reach the Java class as one argument\nusage: " + UsageText() + "\n");
    }

    // Blanks around a value are dropped by the child's runtime as they always
    // were (a server name's only after it); the characters next to blank and
    // tab split nothing; an empty value is not passed on at all.
    Row accepted[] = {
        {kVyRunJob, "/s", "srv "},        {kVyPingSrv, "/s", "[::1]:9000\t"}, {kVyRunJob, "/b", "C:\\h\\"},
        {kVyAwaitJob, "/m", " 10 "},      {kVyAwaitJob, "/t", "\t5"},         {kVyProbeVol, "/q", "disk1 "},
        {kVyAwaitJob, "/m", "1\x08" "2"}, {kVyAwaitJob, "/m", "1\v2"},        {kVyAwaitJob, "/t", "1\x1f" "2"},
        {kVyAwaitJob, "/t", "1!2"},       {kVyRunJob, "/s", ""},              {kVyAwaitJob, "/m", ""},
    };
    for (const Row& r : accepted) {
        Parsed p = Parse(r.type, {r.option, r.value, "/debug"});
        EXPECT_EQ(p.code, 0) << r.option << " [" << r.value << "]";
    }
    // Values the class receives quoted are not concerned.
    EXPECT_EQ(Parse(kVySeedHost, {"/d", "host \"one\"", "/u", " a b "}).code, 0);
}

// An empty /q value would reach the class as no argument and end the
// mapping of the names after it. It still conflicts with /f, so it is
// refused once the whole command line is read.
TEST(InitParameter, AnEmptyVolumeNameIsRefusedOnceTheCommandLineIsRead) {
    const std::string usage = "usage: " + UsageText(kVyProbeVol) + "\n";
    for (const std::vector<std::string>& args : {std::vector<std::string>{"/m", "/q", "", "/q", "disk2", "/s", "S"},
                                                 std::vector<std::string>{"/q", "disk1", "/s", "S", "/q", ""}}) {
        Parsed p = Parse(kVyProbeVol, args);
        EXPECT_EQ(p.code, 11);
        EXPECT_EQ(p.output, "vyProbeVol: The value of /q is empty\n" + usage);
    }
    EXPECT_EQ(Parse(kVyProbeVol, {"/q", "", "/f", "list"}).code, 15);
    EXPECT_EQ(Parse(kVyProbeVol, {"/q", "", "/x"}).code, 19);
}

}  // namespace
