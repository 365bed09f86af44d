#include "platform/cmdline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Args = std::vector<std::string>;

TEST(JoinArguments, SingleBlanksAndNoQuotingAdded) {
    const char* v[] = {"java", "", "-classpath \".;a\"", "x y", nullptr};
    EXPECT_EQ(cmdline::JoinArguments(v), "java  -classpath \".;a\" x y");
    const char* one[] = {"java", nullptr};
    EXPECT_EQ(cmdline::JoinArguments(one), "java");
}

// Each expectation is what the Windows C runtime makes of the line.
TEST(SplitCommandLine, FollowsTheCRuntimeRules) {
    struct Row {
        const char* line;
        Args args;
    } rows[] = {
        {"", {}},
        {"   \t ", {}},
        {"a b\tc", {"a", "b", "c"}},
        {"  a   b  ", {"a", "b"}},
        {"java  -classpath \".;a b\" cls", {"java", "-classpath", ".;a b", "cls"}},
        {"a\"b c\"d e", {"ab cd", "e"}},
        {"\"\" x", {"", "x"}},
        {"a\\b c\\\\d", {"a\\b", "c\\\\d"}},
        {"a\\\"b", {"a\"b"}},
        {"a\\\\\"b c\"", {"a\\b c"}},
        {"a\\\\\\\"b", {"a\\\"b"}},
        {"\"a\\\\\" b", {"a\\", "b"}},
        {"\"q\"\"r s\" t", {"q\"r s", "t"}},
        {"a\"\"\"b c\" d", {"a\"b c", "d"}},
        {"a \"\"\"\"\" b \"\"\"\"\"\" c", {"a", "\"\" b \"\"\" c"}},
        {"x \\\\\\\"a\\\\b\\ \"\\\\\"", {"x", "\\\"a\\\\b\\", "\\"}},
        {"\"unterminated quote", {"unterminated quote"}},
        {"trailing\\", {"trailing\\"}},
        {"ar\\\"gs\\x.exe\\ a", {"ar\"gs\\x.exe\\", "a"}},
    };
    for (const Row& r : rows) EXPECT_EQ(cmdline::SplitCommandLine(r.line), r.args) << "line: " << r.line;
}

TEST(QuoteArgument, KeepsPlainTextAndEscapesOnlyWhatTheRuntimeWouldRead) {
    EXPECT_EQ(cmdline::QuoteArgument(""), "\"\"");
    EXPECT_EQ(cmdline::QuoteArgument("a b"), "\"a b\"");
    EXPECT_EQ(cmdline::QuoteArgument("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(cmdline::QuoteArgument("C:\\dir\\file"), "\"C:\\dir\\file\"");
    EXPECT_EQ(cmdline::QuoteArgument("C:\\dir\\"), "\"C:\\dir\\\\\"");
    EXPECT_EQ(cmdline::QuoteArgument("a\\\"b"), "\"a\\\\\\\"b\"");
    EXPECT_EQ(cmdline::QuoteArgument("\\\\"), "\"\\\\\\\\\"");
}

TEST(QuoteArgument, RoundTripsThroughSplitting) {
    const Args args = {"", "plain", "a b", "\t", "\"", "\"\"", "x\\", "x\\\\", "\\\"", "a\\\\\"b",
                       "C:\\Program Files\\", "end\\ \\"};
    std::string line = "prog";
    for (const std::string& a : args) line += " " + cmdline::QuoteArgument(a);
    Args expected = {"prog"};
    expected.insert(expected.end(), args.begin(), args.end());
    EXPECT_EQ(cmdline::SplitCommandLine(line), expected);
}

TEST(NeedsQuoting, BlankTabOrQuote) {
    EXPECT_FALSE(cmdline::NeedsQuoting("abc\\"));
    EXPECT_FALSE(cmdline::NeedsQuoting(""));
    EXPECT_TRUE(cmdline::NeedsQuoting("a b"));
    EXPECT_TRUE(cmdline::NeedsQuoting("a\tb"));
    EXPECT_TRUE(cmdline::NeedsQuoting("a\"b"));
}
