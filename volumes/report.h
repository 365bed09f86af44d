// The multipath driver's device report, read into the devices it names: the
// report's text in, one device at a time out. Nothing is printed or stored
// here; discovery adds the devices to the host volume table, and vyShowLuns's
// listing reads them again to print their rows.
#ifndef VY_VOLUMES_REPORT_H
#define VY_VOLUMES_REPORT_H

#include <cstddef>
#include <string_view>

#include "core/text.h"

constexpr int kReportPaths = 32;                // path names a device keeps
constexpr std::size_t kReportPathLength = 9;    // a path name is cut to this

// A device of type 7315 or 7345 on partition Part0 whose disk name and
// serial fit their fields.
struct ReportDevice {
    Text<19> diskName;
    Text<10> serial;
    // Type 7315: listed with its path names. Type 7345: counts as found,
    // not listed, and has no path names.
    bool listed = false;
    // The disk names of its paths, in report order.
    Text<kReportPathLength + 1> paths[kReportPaths];
    int pathCount = 0;
};

// Reads the report, as text read in text mode, from its beginning. The
// report must outlive the reader.
class ReportReader {
public:
    explicit ReportReader(std::string_view report) : report_(report) {}

    // The next device of the report; false at its end.
    bool Next(ReportDevice* device);

private:
    std::string_view report_;
    std::size_t pos_ = 0;     // where the next line begins
    std::string_view line_;   // the line read last
    bool started_ = false;    // the first line, which sums up the report, is read
    bool pending_ = false;    // line_ is still to be examined as a header
};

#endif
