// CLI.CFG, JAVA_HOME, PATH and the fixed Java arguments.
#include <gtest/gtest.h>

#include <string>

#include "core/launcher.h"
#include "tests/unit/support.h"

using support::kList;
using support::kSep;

namespace {

const char kMessage66[] = "vyRunJob: The CLI.CFG file format is incorrect";

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobals();
        g.programType = kVyRunJob;
        dir_ = support::ScratchFolder("config");
        install_ = dir_.string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Reads the given bytes as CLI.CFG.
    int Read(const std::string& bytes) {
        support::WriteBytes(dir_ / "CLI.CFG", bytes);
        g.installPath.assign(install_);
        return ReadCLICfg(g.java);
    }

    std::filesystem::path dir_;
    std::string install_;
    support::CapturedOutput out_;
};

TEST_F(ConfigFile, ReadsTheFourKeys) {
    EXPECT_EQ(Read("JAVA_JRE=JRE1.1\nJAVA_INSTALL=C:\\jdk\\bin\\\nJAVA_CLASSPATH=lib\\a.jar\n"
                   "JAVA_EXEC_OPTIONS=-Xmx64m -Dx=1\n"),
              0);
    EXPECT_EQ(g.java.launcherChoice.view(), "JRE1.1");
    EXPECT_EQ(g.java.javaInstall.view(), "C:\\jdk\\bin\\");
    EXPECT_EQ(g.java.classPath.view(), std::string(1, kList) + "lib\\a.jar");
    EXPECT_EQ(g.java.javaOptions.view(), "-Xmx64m -Dx=1");
    EXPECT_EQ(out_.Text(), "");
}

TEST_F(ConfigFile, IgnoresLinesThatDoNotBeginWithALetterOrDigit) {
    EXPECT_EQ(Read("## comment\n# JAVA_INSTALL=one\n\n JAVA_INSTALL=two\n\tJAVA_INSTALL=three\n"
                   "-x\n=y\n_JAVA_INSTALL=four\n9JAVA=5\n"),
              66)
        << "the last line begins with a digit and names no key";
    EXPECT_EQ(g.java.javaInstall.view(), "");
    EXPECT_EQ(out_.Text(), kMessage66);
}

TEST_F(ConfigFile, KeysAreExactAndCaseSensitive) {
    for (const char* line : {"JAVA_INSTALL =x\n", "java_install=x\n", "JAVA_INSTALLX=x\n", "JAVA_INSTALL x\n",
                             "JAVA_OPTIONS=x\n"}) {
        support::CapturedOutput out;
        InitGlobals();
        g.programType = kVyRunJob;
        EXPECT_EQ(Read(line), 66) << line;
        EXPECT_EQ(out.Text(), kMessage66) << line;
    }
}

TEST_F(ConfigFile, StopsAtTheFirstBadLine) {
    EXPECT_EQ(Read("JAVA_INSTALL=a\nbad line\nJAVA_INSTALL=b\n"), 66);
    EXPECT_EQ(g.java.javaInstall.view(), "a") << "lines after a bad line are not read";
}

TEST_F(ConfigFile, TheValueEndsAtTheFirstCharacterOutsidePrintableAscii) {
    EXPECT_EQ(Read("JAVA_INSTALL=C:\\j dk \tafter tab\n"), 0);
    EXPECT_EQ(g.java.javaInstall.view(), "C:\\j dk ") << "blanks belong to the value; a tab ends it";
    EXPECT_EQ(Read("JAVA_EXEC_OPTIONS= -Da=b=c \x7f" "after\n"), 0);
    EXPECT_EQ(g.java.javaOptions.view(), " -Da=b=c ");
    EXPECT_EQ(Read("JAVA_EXEC_OPTIONS=caf\xe9\n"), 0);
    EXPECT_EQ(g.java.javaOptions.view(), "caf");
    EXPECT_EQ(Read("JAVA_INSTALL=last"), 0) << "a last line without line end";
    EXPECT_EQ(g.java.javaInstall.view(), "last");
}

// Blank (32) and tilde (126) are the first and the last character of a value;
// 31 and 127 just outside end it.
TEST_F(ConfigFile, AValueRunsFromBlankToTilde) {
    EXPECT_EQ(Read("JAVA_INSTALL= ~\nJAVA_EXEC_OPTIONS=~ \n"), 0);
    EXPECT_EQ(g.java.javaInstall.view(), " ~");
    EXPECT_EQ(g.java.javaOptions.view(), "~ ");
    EXPECT_EQ(Read("JAVA_INSTALL=a\x1f" "b\nJAVA_EXEC_OPTIONS=c\x7f" "d\n"), 0);
    EXPECT_EQ(g.java.javaInstall.view(), "a");
    EXPECT_EQ(g.java.javaOptions.view(), "c");
}

// A line is an assignment when it begins with 0 to 9, A to Z or a to z; the
// characters just outside each range make a line that is ignored.
TEST_F(ConfigFile, AnAssignmentBeginsWithAnAsciiLetterOrDigit) {
    for (const char* line : {"0=x\n", "9=x\n", "A=x\n", "Z=x\n", "a=x\n", "z=x\n"}) {
        EXPECT_EQ(Read(line), 66) << line << " is an assignment with an unknown key";
    }
    for (const char* line : {"/=x\n", ":=x\n", "@=x\n", "[=x\n", "`=x\n", "{=x\n"}) {
        EXPECT_EQ(Read(line), 0) << line << " is ignored";
    }
}

TEST_F(ConfigFile, DropsTheCarriageReturnOfACrLfLineEnd) {
    EXPECT_EQ(Read("JAVA_INSTALL=C:\\jdk\r\nJAVA_CLASSPATH=a.jar\r\n"), 0);
    EXPECT_EQ(g.java.javaInstall.view(), "C:\\jdk");
    EXPECT_EQ(g.java.classPath.view(), std::string(1, kList) + "a.jar");
}

TEST_F(ConfigFile, AZeroByteEndsThePiece) {
    EXPECT_EQ(Read(std::string("JAVA_INSTALL=ab\0cd\n", 19)), 0);
    EXPECT_EQ(g.java.javaInstall.view(), "ab");
    EXPECT_EQ(Read(std::string("JAVA\0_INSTALL=x\n", 16)), 66) << "no '=' before the zero byte";
}

TEST_F(ConfigFile, EmptyValuesChangeNothingAndTheLastNonEmptyValueWins) {
    EXPECT_EQ(Read("JAVA_INSTALL=first\nJAVA_INSTALL=second\nJAVA_INSTALL=\nJAVA_JRE=JRE\nJAVA_JRE=\n"), 0);
    EXPECT_EQ(g.java.javaInstall.view(), "second");
    EXPECT_EQ(g.java.launcherChoice.view(), "JRE");
}

TEST_F(ConfigFile, ClassPathValuesAddUpInFileOrder) {
    EXPECT_EQ(Read("JAVA_CLASSPATH=A\nJAVA_CLASSPATH=\nJAVA_INSTALL=j\nJAVA_CLASSPATH=B\n"), 0);
    EXPECT_EQ(g.java.classPath.view(), (std::string{kList, 'A', kList, 'B'}));
}

TEST_F(ConfigFile, ReadsLongLinesInPiecesOf99Characters) {
    // A line of exactly 99 characters is read whole.
    std::string value(99 - 13, 'v');
    EXPECT_EQ(Read("JAVA_INSTALL=" + value + "\n"), 0);
    EXPECT_EQ(g.java.javaInstall.view(), value);

    // A line of 120 characters: the last 21 are a line of their own, which
    // is ignored when it begins with a blank ...
    std::string head = "JAVA_INSTALL=" + std::string(86, 'a');
    EXPECT_EQ(Read(head + " " + std::string(20, 'b') + "\n"), 0);
    EXPECT_EQ(g.java.javaInstall.view(), std::string(86, 'a'));
    EXPECT_EQ(out_.Text(), "");

    // ... is an assignment of its own when it is one ...
    EXPECT_EQ(Read("JAVA_EXEC_OPTIONS=" + std::string(81, 'o') + "JAVA_CLASSPATH=c.jar\n"), 0);
    EXPECT_EQ(g.java.javaOptions.view(), std::string(81, 'o'));
    EXPECT_EQ(g.java.classPath.view(), std::string(1, kList) + "c.jar");

    // ... and ends the run when it begins with a letter but is no assignment.
    EXPECT_EQ(Read(head + std::string(21, 'c') + "\n"), 66);
    EXPECT_EQ(out_.Text(), kMessage66);
}

TEST_F(ConfigFile, AMissingOrUnreadableFileGives63WithBothLines) {
    const std::string message =
        "vyRunJob: The CLI.CFG file is not found or accessible.\n"
        "If the command line interface was recently installed, it may be necessary to reboot in order to "
        "refresh the INSTALL environment variable.\n";
    g.installPath.assign(install_ + kSep + "missing");
    EXPECT_EQ(ReadCLICfg(g.java), 63);
    EXPECT_EQ(out_.Text(), message);

    // A folder of that name opens on POSIX but cannot be read.
    support::CapturedOutput out;
    std::filesystem::create_directory(dir_ / "CLI.CFG");
    g.installPath.assign(install_);
    EXPECT_EQ(ReadCLICfg(g.java), 63);
    EXPECT_EQ(out.Text(), message);
}

TEST_F(ConfigFile, RefusesClassPathValuesThatOutgrowTheirField) {
    // Twelve values of 84 characters (the most a piece holds after the key)
    // and one of two, each with its separator, make 1,023 characters: the
    // most the field holds. One more character does not fit.
    std::string cfg;
    for (int i = 0; i < 12; ++i) cfg += "JAVA_CLASSPATH=" + std::string(84, static_cast<char>('a' + i)) + "\n";
    cfg += "JAVA_CLASSPATH=yy\n";
    EXPECT_EQ(Read(cfg), 0);
    EXPECT_EQ(g.java.classPath.size(), 1023u);
    EXPECT_EQ(Read(cfg + "JAVA_CLASSPATH=z\n"), 66);
    EXPECT_EQ(out_.Text(), "vyRunJob: The JAVA_CLASSPATH values of CLI.CFG add up to more than 1023 characters\n");
}

TEST_F(ConfigFile, ARefusedClassPathValueLeavesNoSeparatorBehind) {
    // 1,020 characters, then a separator that would still fit but a value
    // that would not: the field keeps exactly the values before it.
    std::string cfg;
    std::string expected;
    for (int i = 0; i < 12; ++i) {
        std::string value(84, static_cast<char>('a' + i));
        cfg += "JAVA_CLASSPATH=" + value + "\n";
        expected += kList + value;
    }
    EXPECT_EQ(Read(cfg + "JAVA_CLASSPATH=xyz\n"), 66);
    EXPECT_EQ(g.java.classPath.view(), expected);
    EXPECT_EQ(out_.Text(), "vyRunJob: The JAVA_CLASSPATH values of CLI.CFG add up to more than 1023 characters\n");
}

// SetCLIEnv as a whole, through the environment.
class JavaEnvironment : public ConfigFile {
protected:
    void SetUp() override {
        ConfigFile::SetUp();
        env_.Set("INSTALL", install_);
        env_.Set("INSTALLLNB", std::string("drv"));
        env_.Set("PATH", std::string("inherited"));
        env_.Set("JAVA_HOME", std::nullopt);
    }
    int Run(const std::string& cfg) {
        support::WriteBytes(dir_ / "CLI.CFG", cfg);
        return SetCLIEnv();
    }
    support::Environment env_;
};

TEST_F(JavaEnvironment, PreparesJavaHomePathAndTheFixedArguments) {
    g.debug = 1;
    ASSERT_EQ(Run("JAVA_INSTALL=J\nJAVA_CLASSPATH=A\nJAVA_CLASSPATH=B\nJAVA_EXEC_OPTIONS=-Xmx1g\n"), 0);
    const std::string i = install_;
    EXPECT_EQ(out_.Text(), "- Start SetCLIEnv\n"
                           "- Install Path = " + i + "\n"
                           "- JAVA_HOME    = Jjava\n"
                           "- PATH         = drv" + kList + i + kList + "J" + kList + "inherited\n"
                           "- SetCLIEnv done\n");
    EXPECT_EQ(support::Variable("JAVA_HOME"), "Jjava");
    EXPECT_EQ(support::Variable("PATH"), "drv" + (kList + i) + kList + "J" + kList + "inherited");
    EXPECT_EQ(g.pathSetting.view(), "PATH=drv" + (kList + i) + kList + "J" + kList);
    EXPECT_EQ(g.launcherName.view(), "java");
    EXPECT_EQ(g.javaOptions.view(), "-Xmx1g");
    EXPECT_EQ(g.classPathArgument.view(), std::string("-classpath \".") + kList + kList + "A" + kList + "B" + kList +
                                              i + kSep + "vyMirrorKit.jar" + kList + i + kSep + "vySecLink.jar" +
                                              kList + i + kSep + "vyShellKit.jar" + kList + "\"");
}

TEST_F(JavaEnvironment, ChoosesJreOnlyForACapitalJrePrefix) {
    struct Row {
        const char* line;
        const char* launcher;
    } rows[] = {{"JAVA_JRE=JRE\n", "jre"},  {"JAVA_JRE=JRE1.8 x\n", "jre"}, {"JAVA_JRE=jre\n", "java"},
                {"JAVA_JRE=JR\n", "java"}, {"JAVA_JRE= JRE\n", "java"},   {"", "java"}};
    for (const Row& r : rows) {
        InitGlobals();
        g.programType = kVyRunJob;
        ASSERT_EQ(Run(std::string(r.line) + "JAVA_INSTALL=J \nJAVA_CLASSPATH=A\n"), 0) << r.line;
        EXPECT_EQ(g.launcherName.view(), r.launcher) << r.line;
        EXPECT_EQ(support::Variable("JAVA_HOME"), std::string("J ") + r.launcher) << "the trailing blank stays";
    }
}

TEST_F(JavaEnvironment, MissingRequiredKeysGive64And65Silently) {
    EXPECT_EQ(Run("## only comments\n\n  JAVA_INSTALL=x\n"), 64);
    EXPECT_EQ(Run("JAVA_CLASSPATH=A\n"), 64);
    EXPECT_EQ(Run("JAVA_INSTALL=J\n"), 65);
    EXPECT_EQ(Run("JAVA_INSTALL=J\nJAVA_CLASSPATH=\n"), 65);
    EXPECT_EQ(out_.Text(), "");
    EXPECT_EQ(support::Variable("JAVA_HOME"), std::nullopt) << "nothing is set before both keys are there";
}

TEST_F(JavaEnvironment, WithoutInstallGives62BeforeAnyFile) {
    env_.Set("INSTALL", std::nullopt);
    g.debug = 1;
    EXPECT_EQ(Run("JAVA_INSTALL=J\nJAVA_CLASSPATH=A\n"), 62);
    EXPECT_EQ(out_.Text(), "- Start SetCLIEnv\n"
                           "vyRunJob: No value is specified for the <INSTALL> system variable.\n");
}

TEST_F(JavaEnvironment, RecordsTheReadersResult) {
    EXPECT_EQ(Run("oops\n"), 66);
}

TEST_F(JavaEnvironment, InstallPathLimitIs191Characters) {
    std::string path191 = install_ + kSep + std::string(190 - install_.size(), 'i');
    ASSERT_EQ(path191.size(), 191u);
    env_.Set("INSTALL", path191);
    EXPECT_EQ(SetCLIEnv(), 63);
    EXPECT_EQ(out_.Text().substr(0, 55), "vyRunJob: The CLI.CFG file is not found or accessible.\n")
        << "191 characters are looked up: the file is just missing";

    support::CapturedOutput out;
    env_.Set("INSTALL", path191 + "i");
    EXPECT_EQ(SetCLIEnv(), 63);
    EXPECT_EQ(out.Text(), "vyRunJob: The <INSTALL> path is longer than 191 characters.\n");
}

TEST(PathSetting, WithoutInstallHoldsOnlyTheDriverDirectory) {
    support::Environment env;
    support::CapturedOutput out;
    InitGlobals();
    g.programType = kVyShowLuns;
    env.Set("INSTALLLNB", std::nullopt);
    env.Set("PATH", std::string("inherited"));
#ifdef _WIN32
    const std::string drivers =
        "C:\\\"Program Files\"\\\"zeb corp\"\\\"Lanebinder\";C:\\\"Program Files\"\\\"zeb\"\\\"Lanebinder\"";
#else
    const std::string drivers = "/opt/zeb/lanebinder/bin:/usr/lib/zeb/lanebinder/bin";
#endif
    EXPECT_EQ(SetPathEnv(), 0);
    EXPECT_EQ(g.pathSetting.view(), "PATH=" + drivers + kList);
    EXPECT_EQ(support::Variable("PATH"), drivers + kList + "inherited");

#ifndef _WIN32
    // An empty INSTALLLNB is set, and empty.
    env.Set("INSTALLLNB", std::string());
    env.Set("PATH", std::string("inherited"));
    EXPECT_EQ(SetPathEnv(), 0);
    EXPECT_EQ(g.pathSetting.view(), std::string("PATH=") + kList);
#endif
    EXPECT_EQ(out.Text(), "");
}

TEST(PathSetting, RefusesADriverDirectoryPastItsField) {
    support::Environment env;
    support::CapturedOutput out;
    InitGlobals();
    g.programType = kVyShowLuns;
    env.Set("PATH", std::string("inherited"));
    // "PATH=", 4,093 characters and the separator make 4,099: the most the
    // PATH setting holds.
    env.Set("INSTALLLNB", std::string(4093, 'd'));
    EXPECT_EQ(SetPathEnv(), 0);
    EXPECT_EQ(g.pathSetting.size(), 4099u);

    env.Set("INSTALLLNB", std::string(4094, 'd'));
    EXPECT_EQ(SetPathEnv(), 14);
    env.Set("INSTALLLNB", std::string(5000, 'd'));
    EXPECT_EQ(SetPathEnv(), 14);
    EXPECT_EQ(out.Text(), "vyShowLuns: put the PATH environment failed\n"
                          "vyShowLuns: put the PATH environment failed\n");
    EXPECT_EQ(support::Variable("PATH"), std::string(4093, 'd') + kList + "inherited")
        << "a refused setting leaves PATH as it was";
}

}  // namespace
