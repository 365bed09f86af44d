// ParseReport, the multipath driver's device report.
//
// Input: bit 0 of the first byte is the quiet flag, the rest is the report.
//
// Invariants: the count is at most 100 and at most the number of device
// headers in the report; exactly the first `count` entries are in use; each
// has a disk name of 1 to 18 and a serial of 1 to 9 characters, without
// white space, both taken from the report; entries past the count are empty.
// The printed rows (none when quiet) are the listed devices in table order:
// each begins with the disk name of a table entry, padded to nine columns,
// then its serial; continuation rows begin with twenty blanks.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/state.h"
#include "tests/fuzz/fuzz_support.h"
#include "volumes/volumes.h"

namespace {

constexpr std::size_t kLongestDiskName = 18;
constexpr std::size_t kLongestSerial = 9;

std::size_t Occurrences(std::string_view text, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t pos = text.find(what); pos != std::string_view::npos; pos = text.find(what, pos + 1)) ++n;
    return n;
}

void CheckWord(std::string_view word, std::size_t longest, std::string_view report, const char* name, int i) {
    FUZZ_CHECK(!word.empty() && word.size() <= longest, "entry %d: %s of %zu characters", i, name, word.size());
    for (char c : word) FUZZ_CHECK(!fuzz::IsCWhite(c) && c != '\0', "entry %d: %s holds white space", i, name);
    FUZZ_CHECK(report.find(word) != std::string_view::npos, "entry %d: %s \"%.*s\" is not in the report", i, name,
               static_cast<int>(word.size()), word.data());
}

// The beginning of a device row for this entry.
std::string RowStart(const HostVolume& entry) {
    std::string start = entry.diskName.c_str();
    while (start.size() < 9) start += ' ';
    return start + entry.serial.c_str() + "  ";
}

HostVolumeTable table;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view report(reinterpret_cast<const char*>(data) + 1, size - 1);

    fuzz::Capture capture;
    InitGlobals();
    g.programType = kVyShowLuns;
    g.quietFlag = data[0] & 1;
    ClearHostVolumes(table);
    ParseReport(report, table, !g.quietFlag);
    const std::string out = capture.Text();

    FUZZ_CHECK(table.count <= kHostVolumeEntries, "count %u", table.count);
    FUZZ_CHECK(table.count <= Occurrences(report, "DEV#:"), "count %u, more than the report's headers",
               table.count);
    for (int i = 0; i < kHostVolumeEntries; ++i) {
        const HostVolume& entry = table.entries[i];
        fuzz::CheckText(entry.diskName, "disk name");
        fuzz::CheckText(entry.serial, "serial");
        if (static_cast<unsigned>(i) >= table.count) {
            FUZZ_CHECK(entry.inUse == 0 && entry.diskName.empty() && entry.serial.empty(),
                       "entry %d past the count %u is in use", i, table.count);
            continue;
        }
        FUZZ_CHECK(entry.inUse == 1, "entry %d below the count %u is not in use", i, table.count);
        CheckWord(entry.diskName.view(), kLongestDiskName, report, "disk name", i);
        CheckWord(entry.serial.view(), kLongestSerial, report, "serial", i);
    }

    if (g.quietFlag) {
        FUZZ_CHECK(out.empty(), "quiet, yet printed \"%s\"", out.c_str());
        return 0;
    }
    FUZZ_CHECK(out.empty() || out.back() == '\n', "the output does not end a line");
    // Walk the rows and the table together: every device row belongs to the
    // next entries, in order (7345 devices are recorded but have no row).
    // Once the table is full, later devices still get rows.
    unsigned next = 0;
    std::size_t pos = 0;
    while (pos < out.size()) {
        const std::size_t end = out.find('\n', pos);
        const std::string_view row(out.data() + pos, end - pos);
        pos = end + 1;
        if (row.substr(0, 1) == " ") {
            FUZZ_CHECK(row.substr(0, 20) == std::string(20, ' '), "a continuation row \"%.*s\"",
                       static_cast<int>(row.size()), row.data());
            continue;
        }
        while (next < table.count && row.substr(0, RowStart(table.entries[next]).size()) != RowStart(table.entries[next])) {
            ++next;
        }
        if (next == table.count) {
            FUZZ_CHECK(table.count == kHostVolumeEntries, "the row \"%.*s\" belongs to no entry",
                       static_cast<int>(row.size()), row.data());
            break;
        }
        ++next;
    }
    return 0;
}
