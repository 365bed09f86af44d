// vyShowLuns's listing of what discovery found: the report's rows, read from
// its text again, or the inquiry's list.
#include <string_view>

#include "core/launcher.h"
#include "volumes/report.h"
#include "volumes/volumes.h"

namespace {

constexpr std::size_t kListNameWidth = 16;  // the disk name column of the inquiry's list
constexpr std::size_t kRowNameWidth = 9;    // the disk name column of a report row
constexpr int kPathNamesPerLine = 8;

void PrintReportHeading() {
    Print(" Vpath    Serial    Volume Names\n");
    Print("-------  --------  --------------\n");
}

// A listed device's row: the disk name padded to nine columns, the serial
// and eight path names, then a continuation line for each further eight.
// A column without a path name holds two blanks.
void PrintReportRow(const ReportDevice& device) {
    const auto path = [&device](int i) { return i < device.pathCount ? device.paths[i].c_str() : "  "; };
    Print("%s", device.diskName.c_str());
    for (std::size_t width = device.diskName.size(); width < kRowNameWidth; ++width) Print(" ");
    Print("%s  %s  %s  %s  %s  %s  %s  %s  %s\n", device.serial.c_str(), path(0), path(1), path(2), path(3),
          path(4), path(5), path(6), path(7));
    for (int first = kPathNamesPerLine; first < kReportPaths && device.pathCount > first;
         first += kPathNamesPerLine) {
        Print("                    %s  %s  %s  %s  %s  %s  %s  %s \n", path(first), path(first + 1),
              path(first + 2), path(first + 3), path(first + 4), path(first + 5), path(first + 6),
              path(first + 7));
    }
}

}  // namespace

void PrintReportRows(std::string_view report) {
    ReportReader reader(report);
    ReportDevice device;
    while (reader.Next(&device)) {
        if (device.listed) PrintReportRow(device);
    }
}

void PrintVolumeList(const HostVolumeTable& table) {
    Print("disk name     7315 serial number\n");
    Print("------------  ------------------\n");
    for (unsigned i = 0; i < table.count; ++i) {
        const HostVolume& entry = table.entries[i];
        Print("%s", entry.diskName.c_str());
        for (std::size_t width = entry.diskName.size(); width < kListNameWidth; ++width) Print(" ");
        Print("%s\n", entry.serial.c_str());
    }
}

int ListVolumes(const Discovery& found, bool quiet) {
    const bool fromReport = found.source == VolumeSource::kReport;
    if (!quiet && fromReport) {
        PrintReportHeading();
        PrintReportRows(found.report);
    }
    TraceHostVolumes(found.table);
    if (found.table.count == 0) {
        // The list program's name, whichever program lists.
        if (!quiet) Print("vyShowLuns: No 7315 volumes found\n");
        return kExitNoVolumes;
    }
    if (!quiet && !fromReport) PrintVolumeList(found.table);
    return kExitOk;
}
