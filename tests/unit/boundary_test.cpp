// Command lines at and far past the limits of the fields: refused whole
// with 12, in bounded time, and nothing written past a field (the
// sanitizers and memcheck watch these runs).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/launcher.h"
#include "tests/unit/support.h"

namespace {

using support::Parse;
using support::Parsed;

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(Boundaries, AHostNameWithABlankIsMeasuredWithItsQuotes) {
    // 1,021 characters and the two quotes fill the 1,023 of one argument.
    std::string name = std::string(510, 'h') + " " + std::string(510, 'h');
    Parsed p = Parse(kVySeedHost, {"/d", name});
    EXPECT_EQ(p.code, 0);
    EXPECT_EQ(g.hostName.size(), 1021u);

    p = Parse(kVySeedHost, {"/d", name + "h"});
    EXPECT_EQ(p.code, 12);
    EXPECT_EQ(FirstLine(p.output), "vySeedHost: The value of /d is longer than 1023 characters once quoted");
}

TEST(Boundaries, AValueOfAMegabyteIsRefusedWholeForEverySwitch) {
    struct Row {
        int type;
        const char* option;
        int limit;
    } rows[] = {
        {kVyRunJob, "/u", 31},      {kVyRunJob, "/p", 31},     {kVyAwaitJob, "/a", 1021},
        {kVyRunJob, "/s", 1015},    {kVyAwaitJob, "/b", 1015}, {kVySeedHost, "/d", 1023},
        {kVyProbeVol, "/q", 49},    {kVyProbeVol, "/f", 2047}, {kVyAwaitJob, "/m", 111},
        {kVyAwaitJob, "/t", 31},    {kVyPingSrv, "/s", 1015},
    };
    const std::string huge(1 << 20, 'v');
    for (const Row& r : rows) {
        Parsed p = Parse(r.type, {r.option, huge});
        EXPECT_EQ(p.code, 12) << r.option;
        EXPECT_EQ(FirstLine(p.output), std::string(ProgramName()) + ": The value of " + r.option +
                                           " is longer than " + std::to_string(r.limit) + " characters");
        // Nothing of it was kept.
        EXPECT_TRUE(g.userName.empty() && g.password.empty() && g.securityFilePath.empty() &&
                    g.primaryServer.empty() && g.backupServer.empty() && g.hostName.empty() &&
                    g.requestedVolumes[0].empty() && g.volumeListFile.empty() && g.minutes.empty() &&
                    g.threshold.empty())
            << r.option;
    }
    // A task name of a megabyte does not fit the task names either.
    Parsed p = Parse(kVyRunJob, {"/s", "srv", huge});
    EXPECT_EQ(p.code, 12);
    EXPECT_EQ(FirstLine(p.output), "vyRunJob: The task names are longer than 1023 characters in all");
    EXPECT_TRUE(g.taskNames.empty());
}

TEST(Boundaries, AHundredThousandArgumentsStopAtTheFirstThatDoesNotFit) {
    // One-character task names take two characters each: the 512th is one
    // too many.
    Parsed p = Parse(kVyAwaitJob, std::vector<std::string>(100000, "t"));
    EXPECT_EQ(p.code, 12);
    EXPECT_EQ(FirstLine(p.output), "vyAwaitJob: The task names are longer than 1023 characters in all");
    EXPECT_EQ(g.taskNames.size(), 1022u);

    std::vector<std::string> volumes;
    for (int i = 0; i < 50000; ++i) volumes.insert(volumes.end(), {"/q", "v"});
    p = Parse(kVyProbeVol, volumes);
    EXPECT_EQ(p.code, 12);
    EXPECT_EQ(FirstLine(p.output), "vyProbeVol: More than 256 volumes are given with /q");
    EXPECT_EQ(g.volumeCount, 256);

    // Switches without values only count.
    p = Parse(kVyShowLuns, std::vector<std::string>(100000, "/debug"));
    EXPECT_EQ(p.code, 0);
    EXPECT_EQ(g.debug, 100000);
}

}  // namespace
