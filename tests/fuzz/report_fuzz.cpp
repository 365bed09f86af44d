// The multipath driver's device report, read by ReportReader alone.
//
// Input: the first byte is passed over (the seed corpus keeps its form);
// the rest is the report.
//
// Invariants: the reader ends; it gives at most as many devices as the
// report has device headers; each has a disk name of 1 to 18 and a serial of
// 1 to 9 characters, without white space, both taken from the report; a
// listed device has at most 32 path names of 1 to 9 characters each, taken
// from the report; a device that is not listed has none; every path name
// past the count is empty.
#include <cstdint>
#include <string_view>

#include "tests/fuzz/fuzz_support.h"
#include "volumes/report.h"

namespace {

constexpr std::size_t kLongestDiskName = 18;
constexpr std::size_t kLongestSerial = 9;

std::size_t Occurrences(std::string_view text, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t pos = text.find(what); pos != std::string_view::npos; pos = text.find(what, pos + 1)) ++n;
    return n;
}

void CheckWord(std::string_view word, std::size_t longest, std::string_view report, const char* name,
               std::size_t i) {
    FUZZ_CHECK(!word.empty() && word.size() <= longest, "device %zu: %s of %zu characters", i, name, word.size());
    for (char c : word) FUZZ_CHECK(!fuzz::IsCWhite(c) && c != '\0', "device %zu: %s holds white space", i, name);
    FUZZ_CHECK(report.find(word) != std::string_view::npos, "device %zu: %s \"%.*s\" is not in the report", i, name,
               static_cast<int>(word.size()), word.data());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view report(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t headers = Occurrences(report, "DEV#:");

    ReportReader reader(report);
    ReportDevice device;
    std::size_t devices = 0;
    while (reader.Next(&device)) {
        ++devices;
        FUZZ_CHECK(devices <= headers, "%zu devices, more than the report's %zu headers", devices, headers);
        fuzz::CheckText(device.diskName, "disk name");
        fuzz::CheckText(device.serial, "serial");
        CheckWord(device.diskName.view(), kLongestDiskName, report, "disk name", devices);
        CheckWord(device.serial.view(), kLongestSerial, report, "serial", devices);
        FUZZ_CHECK(device.pathCount >= 0 && device.pathCount <= kReportPaths, "device %zu: %d path names", devices,
                   device.pathCount);
        FUZZ_CHECK(device.listed || device.pathCount == 0, "device %zu is not listed but has path names", devices);
        for (int i = 0; i < kReportPaths; ++i) {
            fuzz::CheckText(device.paths[i], "path name");
            if (i >= device.pathCount) {
                FUZZ_CHECK(device.paths[i].empty(), "device %zu: path name %d past the count", devices, i);
                continue;
            }
            CheckWord(device.paths[i].view(), kReportPathLength, report, "path name", devices);
        }
    }
    FUZZ_CHECK(!reader.Next(&device), "a device after the end");
    return 0;
}
