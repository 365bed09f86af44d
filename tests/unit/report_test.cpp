// The multipath driver's device report: hand-written reports in, the host
// volume table and the listing's rows out; and the parser's devices alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/unit/support.h"
#include "volumes/report.h"
#include "volumes/volumes.h"

namespace {

using Volumes = std::vector<std::pair<std::string, std::string>>;

// The heading lines between a header and its first path line: two after the
// serial line of the current form, three after a header of the older form.
const char kRule[] = "============================================================================\n";
const char kTitles[] = "Path#          Adapter/Hard Disk          State  Mode     Select     Errors\n";

std::string PathLine(int number, const std::string& word) {
    return "    " + std::to_string(number) + "    Scsi Port5 " + word + " Part0     OPEN    NORMAL       3          0\n";
}

// A device of the current form: the serial follows on its own line.
std::string PolicyDevice(const std::string& disk, const std::string& partition, const std::string& type,
                         const std::string& serial) {
    return "DEV#:   0  DEVICE NAME: " + disk + " " + partition + "  TYPE: " + type + "  POLICY: OPTIMIZED\n" +
           "SERIAL: " + serial + "\n" + kRule + kTitles;
}

// A device of the older form: the serial is the header's tenth word.
std::string PlainDevice(const std::string& disk, const std::string& partition, const std::string& type,
                        const std::string& serial) {
    return "DEV#:   1  DEVICE NAME: " + disk + " " + partition + "  TYPE: " + type + "  SERIAL: " + serial + "\n" +
           "           POLICY: OPTIMIZED\n" + kRule + kTitles;
}

class Report : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobals();
        g.programType = kVyShowLuns;
        ClearHostVolumes(table_);
    }

    // The table filled from the report, and the rows the listing prints.
    std::string Parse(const std::string& text) {
        TakeReport(text, table_);
        PrintReportRows(text);
        return out_.Text();
    }

    Volumes Recorded() const {
        Volumes v;
        for (unsigned i = 0; i < table_.count; ++i) {
            v.emplace_back(table_.entries[i].diskName.c_str(), table_.entries[i].serial.c_str());
        }
        return v;
    }

    HostVolumeTable table_;
    support::CapturedOutput out_;
};

TEST_F(Report, TakesTheSerialFromThePolicyLineOrFromTheHeader) {
    std::string text = std::string("Total Devices : 2\n\n") + PolicyDevice("Disk2", "Part0", "7315E20", "02B12028") +
                       PathLine(0, "Bus0/Disk2") + PathLine(1, "Bus0/Disk8") + "\n" +
                       PlainDevice("Disk13", "Part0", "7315F20", "20312028") + PathLine(0, "Bus0/Disk13");
    EXPECT_EQ(Parse(text), "Disk2    02B12028  Disk2  Disk8" + std::string(24, ' ') + "\n" +
                               "Disk13   20312028  Disk13" + std::string(28, ' ') + "\n");
    EXPECT_EQ(Recorded(), (Volumes{{"Disk2", "02B12028"}, {"Disk13", "20312028"}}));
}

TEST_F(Report, TheFirstLineIsNeverAHeader) {
    std::string text = PlainDevice("Disk2", "Part0", "7315E20", "02B12028") + PathLine(0, "Bus0/Disk2");
    EXPECT_EQ(Parse(text), "");
    EXPECT_EQ(Recorded(), Volumes{});
}

TEST_F(Report, OtherPartitionsAreNotRecordedAndTheirThreeLinesAreSkipped) {
    // The third line after the serial line, and the third after a header of
    // the older form, are skipped even though they are headers; the fourth
    // is examined.
    const std::string skipped = "DEV#:   9  DEVICE NAME: DiskX Part0  TYPE: 7315E20  SERIAL: 99999999\n";
    std::string text = std::string("Total Devices : 4\n") +
                       "DEV#:   0  DEVICE NAME: Disk2 Part1  TYPE: 7315E20  POLICY: OPTIMIZED\n" +
                       "SERIAL: 02B12028\n" + "a\n" + "b\n" + skipped +
                       PlainDevice("Disk9", "Part0", "7315E20", "09B12028") + PathLine(0, "Bus0/Disk9") + "\n" +
                       "DEV#:   1  DEVICE NAME: Disk3 Part2  TYPE: 7315E20  SERIAL: 03B12028\n" + "c\n" + "d\n" +
                       skipped + PlainDevice("Disk4", "Part0", "7315E20", "04B12028") + PathLine(0, "Bus0/Disk4");
    EXPECT_EQ(Parse(text), "Disk9    09B12028  Disk9" + std::string(28, ' ') + "\n" + "Disk4    04B12028  Disk4" +
                               std::string(28, ' ') + "\n");
    EXPECT_EQ(Recorded(), (Volumes{{"Disk9", "09B12028"}, {"Disk4", "04B12028"}}));
}

TEST_F(Report, TypesAreMatchedOnTheirFirstFourCharacters) {
    std::string text = std::string("Total Devices : 7\n") +
                       // Other types skip no line: the next header is examined at once.
                       "DEV#:   0  DEVICE NAME: Disk1 Part0  TYPE: 4242E20  SERIAL: 11111111\n" +
                       "DEV#:   0  DEVICE NAME: Disk2 Part0  TYPE: 7316E20  SERIAL: 22222222\n" +
                       "DEV#:   0  DEVICE NAME: Disk3 Part0  TYPE: 731  SERIAL: 33333333\n" +
                       "DEV#:   0  DEVICE NAME: Disk4 Part0  TYPE: x7315  SERIAL: 44444444\n" +
                       PlainDevice("Disk5", "Part0", "7315", "55555555") + PathLine(0, "Bus0/Disk5") + "\n" +
                       PlainDevice("Disk6", "Part0", "73159999", "66666666") + PathLine(0, "Bus0/Disk6") + "\n" +
                       // Recorded, but neither listed nor given path names.
                       PolicyDevice("Disk7", "Part0", "7345E20", "77777777") + PathLine(0, "Bus0/Disk7") +
                       PathLine(1, "Bus0/Disk17") + "\n" +
                       PlainDevice("Disk8", "Part0", "7315E20", "88888888") + PathLine(0, "Bus0/Disk8");
    EXPECT_EQ(Parse(text), "Disk5    55555555  Disk5" + std::string(28, ' ') + "\n" +
                               "Disk6    66666666  Disk6" + std::string(28, ' ') + "\n" +
                               "Disk8    88888888  Disk8" + std::string(28, ' ') + "\n");
    EXPECT_EQ(Recorded(), (Volumes{{"Disk5", "55555555"},
                                   {"Disk6", "66666666"},
                                   {"Disk7", "77777777"},
                                   {"Disk8", "88888888"}}));
}

class ManyPaths : public Report {
protected:
    std::string Device(int paths) {
        std::string text = "Total Devices : 1\n" + PolicyDevice("Disk2", "Part0", "7315E20", "02B12028");
        for (int i = 1; i <= paths; ++i) {
            std::string name = (i < 10 ? "P0" : "P") + std::to_string(i);
            text += PathLine(i - 1, "Bus0/" + name);
        }
        return text;
    }
};

const char kEight[] = "Disk2    02B12028  P01  P02  P03  P04  P05  P06  P07  P08\n";
const char kSecond[] = "                    P09  P10  P11  P12  P13  P14  P15  P16 \n";
const char kThird[] = "                    P17  P18  P19  P20  P21  P22  P23  P24 \n";
const char kFourth[] = "                    P25  P26  P27  P28  P29  P30  P31  P32 \n";

TEST_F(ManyPaths, EightNamesFitTheFirstLine) { EXPECT_EQ(Parse(Device(8)), kEight); }

TEST_F(ManyPaths, NinthNameStartsAContinuationLine) {
    EXPECT_EQ(Parse(Device(9)), std::string(kEight) + "                    P09" + std::string(29, ' ') + "\n");
}

TEST_F(ManyPaths, SeventeenAndTwentyFiveNamesTakeTwoAndThreeContinuationLines) {
    EXPECT_EQ(Parse(Device(17)),
              std::string(kEight) + kSecond + "                    P17" + std::string(29, ' ') + "\n");
    ClearHostVolumes(table_);
    std::string before = out_.Text();
    TakeReport(Device(25), table_);
    PrintReportRows(Device(25));
    EXPECT_EQ(out_.Text().substr(before.size()),
              std::string(kEight) + kSecond + kThird + "                    P25" + std::string(29, ' ') + "\n");
}

TEST_F(ManyPaths, ThirtyTwoNamesFillFourLinesAndFurtherNamesAreDropped) {
    EXPECT_EQ(Parse(Device(34)), std::string(kEight) + kSecond + kThird + kFourth);
    EXPECT_EQ(Recorded(), (Volumes{{"Disk2", "02B12028"}}));
}

TEST_F(Report, DiskNamesArePaddedToNineCharacters) {
    std::string text = "Total Devices : 4\n";
    for (const char* disk : {"Disk5", "Disk1234", "Disk12345", "vpath12345"}) {
        text += PolicyDevice(disk, "Part0", "7315E20", "02B12028") + PathLine(0, "Bus0/Disk2") + "\n";
    }
    const std::string rest = "02B12028  Disk2" + std::string(28, ' ') + "\n";
    EXPECT_EQ(Parse(text), "Disk5    " + rest + "Disk1234 " + rest + "Disk12345" + rest + "vpath12345" + rest);
}

TEST_F(Report, TheHundredAndFirstDeviceIsListedButNotRecorded) {
    std::string text = "Total Devices : 101\n";
    for (int i = 1; i <= 101; ++i) {
        char serial[16];
        std::snprintf(serial, sizeof serial, "%08d", i);
        text += PlainDevice("Disk" + std::to_string(i), "Part0", "7315E20", serial) +
                PathLine(0, "Bus0/Disk" + std::to_string(i)) + "\n";
    }
    std::string out = Parse(text);
    Volumes recorded = Recorded();
    ASSERT_EQ(recorded.size(), 100u);
    EXPECT_EQ(recorded.front(), (std::pair<std::string, std::string>{"Disk1", "00000001"}));
    EXPECT_EQ(recorded.back(), (std::pair<std::string, std::string>{"Disk100", "00000100"}));
    const std::string last = "Disk101  00000101  Disk101" + std::string(28, ' ') + "\n";
    ASSERT_GE(out.size(), last.size());
    EXPECT_EQ(out.substr(out.size() - last.size()), last);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 101);
}

TEST_F(Report, TakingTheReportPrintsNothing) {
    TakeReport("Total Devices : 1\n" + PolicyDevice("Disk2", "Part0", "7315E20", "02B12028") +
                   PathLine(0, "Bus0/Disk2"),
               table_);
    EXPECT_EQ(out_.Text(), "");
    EXPECT_EQ(Recorded(), (Volumes{{"Disk2", "02B12028"}}));
}

// Where one device ends and the next begins: each header is examined, and
// each skips its own heading lines.

TEST_F(Report, AHeaderRightAfterTheLastPathLineIsExamined) {
    std::string text = "Total Devices : 3\n" + PolicyDevice("Disk2", "Part0", "7315E20", "02B12028") +
                       PathLine(0, "Bus0/Disk2") + PlainDevice("Disk3", "Part0", "7315E20", "03B12028") +
                       PathLine(0, "Bus0/Disk3") + PolicyDevice("Disk4", "Part0", "7345E20", "04B12028") +
                       PathLine(0, "Bus0/Disk4");
    EXPECT_EQ(Parse(text), "Disk2    02B12028  Disk2" + std::string(28, ' ') + "\n" +
                               "Disk3    03B12028  Disk3" + std::string(28, ' ') + "\n");
    EXPECT_EQ(Recorded(), (Volumes{{"Disk2", "02B12028"}, {"Disk3", "03B12028"}, {"Disk4", "04B12028"}}));
}

TEST_F(Report, ADevicePassedOverDoesNotShortenTheNextDevicesHeadings) {
    // Each passed-over device has its serial on a line of its own; the device
    // after it has three heading lines that must all be skipped.
    const std::vector<std::string> passedOver = {
        // another partition: its three lines are skipped
        "DEV#:   0  DEVICE NAME: Disk1 Part1  TYPE: 7315E20  POLICY: OPTIMIZED\nSERIAL: 01B12028\na\nb\nc\n",
        // another type: nothing is skipped
        "DEV#:   0  DEVICE NAME: Disk1 Part0  TYPE: 4242E20  POLICY: OPTIMIZED\nSERIAL: 01B12028\n",
    };
    for (const std::string& first : passedOver) {
        ClearHostVolumes(table_);
        std::string before = out_.Text();
        const std::string text = "Total Devices : 2\n" + first + PlainDevice("Disk3", "Part0", "7315E20", "03B12028") +
                                 PathLine(0, "Bus0/Disk3") + PathLine(1, "Bus0/Disk9");
        TakeReport(text, table_);
        PrintReportRows(text);
        EXPECT_EQ(out_.Text().substr(before.size()), "Disk3    03B12028  Disk3  Disk9" + std::string(24, ' ') + "\n")
            << first;
        EXPECT_EQ(Recorded(), (Volumes{{"Disk3", "03B12028"}}));
    }
}

// Values that do not fit, and lines that are not what they should be.

TEST_F(Report, ADeviceWhoseNameOrSerialDoesNotFitIsLeftOut) {
    const std::string name18 = "Disk12345678901234";
    const std::string name19 = name18 + "5";
    std::string text = "Total Devices : 4\n";
    text += PolicyDevice(name19, "Part0", "7315E20", "02B12028") + PathLine(0, "Bus0/Disk2") + "\n";
    text += PolicyDevice("Disk3", "Part0", "7315E20", "0123456789") + PathLine(0, "Bus0/Disk3") + "\n";
    text += PolicyDevice(name18, "Part0", "7315E20", "012345678") + PathLine(0, "Bus0/Disk4") + "\n";
    text += PlainDevice("Disk5", "Part0", "7345E20", "0123456789") + PathLine(0, "Bus0/Disk5");
    EXPECT_EQ(Parse(text), name18 + "012345678  Disk4" + std::string(28, ' ') + "\n");
    EXPECT_EQ(Recorded(), (Volumes{{name18, "012345678"}}));
}

TEST_F(Report, PathNamesAreCutToNineAndAWordWithoutSlashGivesNone) {
    std::string text = "Total Devices : 1\n" + PolicyDevice("Disk2", "Part0", "7315E20", "02B12028") +
                       PathLine(0, "Bus0/Harddisk123") + PathLine(1, "Bus0Disk3") + PathLine(2, "Bus0/") +
                       PathLine(3, "a/b/c") + PathLine(4, "/Disk5");
    EXPECT_EQ(Parse(text), "Disk2    02B12028  Harddisk1  b/c  Disk5" + std::string(20, ' ') + "\n");
}

TEST_F(Report, ADeviceWithoutPathLinesGetsItsSerialAndEmptyColumns) {
    std::string text = "Total Devices : 2\n" + PolicyDevice("Disk2", "Part0", "7315E20", "02B12028") + "\n" +
                       PlainDevice("Disk3", "Part0", "7315E20", "03B12028");
    EXPECT_EQ(Parse(text), "Disk2    02B12028" + std::string(32, ' ') + "\n" + "Disk3    03B12028" +
                               std::string(32, ' ') + "\n");
    EXPECT_EQ(Recorded(), (Volumes{{"Disk2", "02B12028"}, {"Disk3", "03B12028"}}));
}

TEST_F(Report, ShortHeaders) {
    std::string text = std::string("Total Devices : 5\n") +
                       // Nine words ending in "POLICY:": the serial line follows.
                       "DEV#:   0  DEVICE NAME: Disk1 Part0  TYPE: 7315E20  POLICY:\n" + "SERIAL: 01B12028\n" +
                       kRule + kTitles + PathLine(0, "Bus0/Disk1") + "\n" +
                       // Nine words without "POLICY:": no serial, so left out; its path
                       // lines are still read past, not taken for the next device's.
                       "DEV#:   0  DEVICE NAME: Disk2 Part0  TYPE: 7315E20  SERIAL:\n" + "x\n" + kRule + kTitles +
                       PathLine(0, "Bus0/Disk2") + "\n" +
                       // Six words: no type, no line skipped.
                       "DEV#:   0  DEVICE NAME: Disk3 Part0\n" +
                       // Five words: no partition, so three lines are skipped.
                       "DEV#:   0  DEVICE NAME: Disk4\n" +
                       PlainDevice("Disk8", "Part0", "7315E20", "88888888") +
                       PlainDevice("Disk5", "Part0", "7315E20", "05B12028") + PathLine(0, "Bus0/Disk5");
    EXPECT_EQ(Parse(text), "Disk1    01B12028  Disk1" + std::string(28, ' ') + "\n" + "Disk5    05B12028  Disk5" +
                               std::string(28, ' ') + "\n");
    EXPECT_EQ(Recorded(), (Volumes{{"Disk1", "01B12028"}, {"Disk5", "05B12028"}}));
}

TEST_F(Report, ALineIsReadInPiecesOfNinetyNineCharacters) {
    // A path line of exactly 99 characters is one read, so the path line
    // after it still counts; a longer one goes on as a line of its own,
    // which here is a path line too.
    std::string exact = PathLine(0, "Bus0/Disk2");
    exact.insert(exact.size() - 1, 99 - (exact.size() - 1), ' ');
    ASSERT_EQ(exact.size(), 100u);
    std::string longer = PathLine(2, "Bus0/Disk4");
    longer.insert(longer.size() - 1, 99 - (longer.size() - 1), ' ');
    longer.insert(longer.size() - 1, "5 Scsi Port5 Bus0/Disk5");
    std::string text = "Total Devices : 1\n" + PolicyDevice("Disk2", "Part0", "7315E20", "02B12028") + exact +
                       PathLine(1, "Bus0/Disk3") + longer;
    EXPECT_EQ(Parse(text), "Disk2    02B12028  Disk2  Disk3  Disk4  Disk5" + std::string(16, ' ') + "\n");
}

TEST_F(Report, CarriageReturnsBeforeLineFeedsAreDropped) {
    // Read as text: CR LF is one line end, so a path line of 99 characters
    // and CR LF is still one read, and the path line after it counts.
    std::string exact = PathLine(0, "Bus0/Disk2");
    exact.insert(exact.size() - 1, 99 - (exact.size() - 1), ' ');
    std::string text = "Total Devices : 2\n" + PolicyDevice("Disk2", "Part0", "7315E20", "02B12028") + exact +
                       PathLine(1, "Bus0/Disk3") + "\n" + PlainDevice("Disk3", "Part0", "7315E20", "03B12028");
    std::string crlf;
    for (char c : text) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    EXPECT_EQ(Parse(crlf), "Disk2    02B12028  Disk2  Disk3" + std::string(24, ' ') + "\n" + "Disk3    03B12028" +
                               std::string(32, ' ') + "\n");
}

// The parser alone: the devices it gives, nothing printed.
TEST_F(Report, TheReaderGivesEachDeviceWithItsPathsAndPrintsNothing) {
    std::string text = "Total Devices : 3\n" + PolicyDevice("Disk2", "Part0", "7315E20", "02B12028") +
                       PathLine(0, "Bus0/Disk2") + PathLine(1, "Bus0/Disk8") + "\n" +
                       PolicyDevice("Disk7", "Part0", "7345E20", "77777777") + PathLine(0, "Bus0/Disk7") + "\n" +
                       PolicyDevice("Disk9", "Part1", "7315E20", "99999999");
    ReportReader reader(text);
    ReportDevice device;
    ASSERT_TRUE(reader.Next(&device));
    EXPECT_EQ(device.diskName.view(), "Disk2");
    EXPECT_EQ(device.serial.view(), "02B12028");
    EXPECT_TRUE(device.listed);
    ASSERT_EQ(device.pathCount, 2);
    EXPECT_EQ(device.paths[0].view(), "Disk2");
    EXPECT_EQ(device.paths[1].view(), "Disk8");
    ASSERT_TRUE(reader.Next(&device));
    EXPECT_EQ(device.diskName.view(), "Disk7");
    EXPECT_EQ(device.serial.view(), "77777777");
    EXPECT_FALSE(device.listed);
    EXPECT_EQ(device.pathCount, 0) << "a 7345 device keeps no path names";
    EXPECT_FALSE(reader.Next(&device));
    EXPECT_FALSE(reader.Next(&device)) << "the end stays the end";
    EXPECT_EQ(out_.Text(), "");
}

}  // namespace
