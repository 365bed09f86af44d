// The case reader refuses every case it cannot read whole, naming the line.
#include "tests/e2e/case.h"

#include <gtest/gtest.h>

namespace {

// The smallest whole case; the tests below change one thing in it.
const std::string kHead = "# a title\n=== program\nvyPingSrv\n";
const std::string kExpect = "=== stdout\n=== status\n0\n";

std::string Refusal(const std::string& text) {
    Case c;
    std::string error;
    if (ParseCase("t.case", text, &c, &error)) return "accepted";
    return error;
}

TEST(CaseReader, ReadsAWholeCase) {
    Case c;
    std::string error;
    ASSERT_TRUE(ParseCase("t.case", "# vyPingSrv: a title\n=== program\nvyPingSrv\n=== args\n/s\n\n"
                                    "=== file {case}/a b\n=====\n=== stdout\n=== status\n-1\n",
                          &c, &error))
        << error;
    EXPECT_EQ(c.title, "vyPingSrv: a title");
    ASSERT_EQ(c.sections.size(), 5u);
    EXPECT_EQ(c.sections[1].lines, (std::vector<std::string>{"/s", ""}));
    // A parameter may hold blanks; a line of "=" only is text.
    EXPECT_EQ(c.sections[2].parameter, "{case}/a b");
    EXPECT_EQ(c.sections[2].lines, std::vector<std::string>{"====="});
    EXPECT_EQ(c.sections[4].line, 10);
}

TEST(CaseReader, RefusesHeadersItDoesNotKnow) {
    EXPECT_EQ(Refusal(kHead + "=== stdot\nwrong\n=== status\n0\n"), "t.case:4: unknown section kind \"stdot\"");
    EXPECT_EQ(Refusal(kHead + "=== flies {case}\n" + kExpect), "t.case:4: unknown section kind \"flies\"");
    EXPECT_EQ(Refusal(kHead + "=== stdout\r\n=== status\n0\n"), "t.case:4: unknown section kind \"stdout\r\"");
    EXPECT_EQ(Refusal(kHead + "===stdout\n" + kExpect), "t.case:4: a malformed header");
    EXPECT_EQ(Refusal(kHead + "===  stdout\n" + kExpect), "t.case:4: a malformed header");
    EXPECT_EQ(Refusal(kHead + "=== \n" + kExpect), "t.case:4: a malformed header");
    EXPECT_EQ(Refusal(kHead + "=== stdout \n=== status\n0\n"), "t.case:4: a blank ends the header");
}

TEST(CaseReader, RefusesARepeatedSection) {
    EXPECT_EQ(Refusal(kHead + kExpect + "=== stdout\nwrong\n"), "t.case:7: repeated section === stdout");
    EXPECT_EQ(Refusal(kHead + "=== stdout-noeol\nx\n" + kExpect), "t.case:6: repeated section === stdout");
    EXPECT_EQ(Refusal(kHead + "=== file a\n=== file a\n" + kExpect), "t.case:5: repeated section === file a");
    // Different files, and a file grown by two repeats, are no repeat.
    EXPECT_EQ(Refusal(kHead + "=== file a\n=== file b\n=== repeat 2 b\nx\n=== repeat 3 b\ny\n" + kExpect),
              "accepted");
    // A run may give what the shared sections give, once.
    EXPECT_EQ(Refusal(kHead + kExpect + "=== run 2\n=== status\n1\n=== run 1\n=== status\n2\n"), "accepted");
    EXPECT_EQ(Refusal(kHead + kExpect + "=== run 2\n=== status\n1\n=== status\n2\n"),
              "t.case:10: repeated section === status");
}

TEST(CaseReader, RefusesACaseThatLeavesAnExpectationOut) {
    EXPECT_EQ(Refusal(kHead + "=== stdout\n"), "t.case:1: the case gives no status");
    EXPECT_EQ(Refusal(kHead + "=== status\n0\n"), "t.case:1: the case does not say what its standard output must be");
    EXPECT_EQ(Refusal("# t\n" + kExpect), "t.case:1: the case names no program");
    EXPECT_EQ(Refusal(kHead + "=== stdout\n=== run 1\n=== status\n0\n=== run 1\n"),
              "t.case:8: the run gives no status");
}

TEST(CaseReader, RefusesUnreadableValues) {
    EXPECT_EQ(Refusal(kHead + "=== stdout\n=== status\n"), "t.case:5: === status holds exactly one line");
    EXPECT_EQ(Refusal(kHead + "=== stdout\n=== status\n0 wrong\n"),
              "t.case:5: unreadable status \"0 wrong\" (a number, {interrupted} or {quit})");
    EXPECT_EQ(Refusal(kHead + "=== stdout\n=== status\n0\n1\n"), "t.case:5: === status holds exactly one line");
    EXPECT_EQ(Refusal(kHead + "=== stdout\n=== status\n-\n"),
              "t.case:5: unreadable status \"-\" (a number, {interrupted} or {quit})");
    EXPECT_EQ(Refusal(kHead + "=== stdout\n=== status\n{quit}\n"), "accepted");
    EXPECT_EQ(Refusal(kHead + "=== platform\nposx\n" + kExpect),
              "t.case:4: unknown platform \"posx\" (posix or windows)");
    EXPECT_EQ(Refusal(kHead + "=== skip-under qemu-user\nsignals\n" + kExpect), "accepted");
    EXPECT_EQ(Refusal(kHead + "=== skip-under qemu\nsignals\n" + kExpect),
              "t.case:4: unknown emulator \"qemu\" (qemu-user)");
    EXPECT_EQ(Refusal(kHead + "=== skip-under qemu-user\n" + kExpect), "t.case:4: === skip-under holds exactly one line");
    EXPECT_EQ(Refusal(kHead + "=== seconds\n1.x\n" + kExpect), "t.case:4: unreadable number of seconds \"1.x\"");
    EXPECT_EQ(Refusal(kHead + "=== seconds\n2.5\n" + kExpect), "accepted");
    EXPECT_EQ(Refusal(kHead + "=== megabytes\n\n" + kExpect), "t.case:4: unreadable number of megabytes \"\"");
    EXPECT_EQ(Refusal(kHead + "=== run 0\n" + kExpect), "t.case:4: === run needs a count of at least 1");
    EXPECT_EQ(Refusal(kHead + "=== repeat 5\nx\n" + kExpect), "t.case:4: === repeat needs a count of at least 1 and a path");
    EXPECT_EQ(Refusal(kHead + "=== cwd gone\nx\n" + kExpect), "t.case:4: === cwd takes no parameter but \"removed\"");
    EXPECT_EQ(Refusal(kHead + "=== env\n=x\n" + kExpect), "t.case:5: an environment line needs a name");
    EXPECT_EQ(Refusal(kHead + "=== file-escaped a\nok\\x4\n" + kExpect), "t.case:5: \\x needs two hexadecimal digits");
    EXPECT_EQ(Refusal(kHead + "=== file-escaped a\n\\q\n" + kExpect), "t.case:5: unknown escape \\q");
    EXPECT_EQ(Refusal(kHead + "=== file-escaped a\n\\xe9\\\\\\r\\0\n" + kExpect), "accepted");
}

TEST(CaseReader, RefusesSectionsOutOfPlace) {
    EXPECT_EQ(Refusal(kHead + "=== status 0\n=== stdout\n"), "t.case:4: === status takes no parameter");
    EXPECT_EQ(Refusal(kHead + "=== files\n" + kExpect), "t.case:4: === files needs a parameter");
    EXPECT_EQ(Refusal(kHead + "=== console\nyes\n" + kExpect), "t.case:4: === console holds no lines");
    EXPECT_EQ(Refusal(kHead + kExpect + "=== run 1\n=== dir a\n"), "t.case:8: === dir belongs before the first run");
    EXPECT_EQ(Refusal("title\n" + kExpect), "t.case:1: the first line must be a title beginning with #");
    EXPECT_EQ(Refusal("#\n" + kExpect), "t.case:1: the first line must be a title beginning with #");
    EXPECT_EQ(Refusal("# t\nstray\n" + kExpect), "t.case:2: text before the first section");
    EXPECT_EQ(Refusal(""), "t.case:1: the file is empty");
    EXPECT_EQ(Refusal("# t\n"), "t.case:1: the case has no sections");
}

}  // namespace
