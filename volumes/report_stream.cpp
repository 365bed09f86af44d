// ParseReport for a report in a stream. In a file of its own, so that the
// programs, which never call it, do not carry the stream library.
#include <istream>
#include <iterator>
#include <string>

#include "volumes/volumes.h"

void ParseReport(std::istream& report, HostVolumeTable& table) {
    const std::string text((std::istreambuf_iterator<char>(report)), std::istreambuf_iterator<char>());
    ParseReport(std::string_view(text), table);
}
