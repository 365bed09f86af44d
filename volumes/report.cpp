// The multipath driver's device report.
//
// The report lists one block per device: a header line that begins with
// "DEV#:", sometimes a line with the serial, a few lines of headings, and
// one line per path. Only the fields named below are relied on:
//
//   DEV#: <n> DEVICE NAME: <disk> <partition> TYPE: <type> <label> <serial>
//
// where <label> "POLICY:" means that the serial is the second word of the
// next line instead. A path line begins with its path number; its fourth
// word is "<adapter>/<disk>".
#include "volumes/report.h"

#include "core/words.h"

namespace {

// The report's lines, at most kLongestRead characters a read, from the
// position given, which each read moves on. A line end right after the 99th
// character belongs to the read, so a line of 99 characters is read whole.
// A carriage return right before a line feed is not part of the line, as
// text-mode reading on Windows drops it.
class LineReader {
public:
    LineReader(std::string_view text, std::size_t& pos) : text_(text), pos_(pos) {}

    // False at the end of the report, and at every read after it. The line
    // points into the report.
    //
    // The tool ends every line. A report that ends inside a line was cut
    // short (the disk it was written to filled up, say): that last piece may
    // hold half a disk name or serial, which would name another volume, so
    // it is not read.
    bool Next(std::string_view* line) {
        if (pos_ >= text_.size()) return false;
        const std::size_t start = pos_;
        std::size_t end = start;
        while (end < text_.size() && !IsLineEnd(end) && end - start < kLongestRead) ++end;
        if (end == text_.size()) {
            pos_ = end;
            return false;
        }
        // A line end right after the 99th character belongs to this read.
        if (text_[end] == '\n') {
            pos_ = end + 1;
        } else if (IsLineEnd(end)) {
            pos_ = end + 2;
        } else {
            pos_ = end;
        }
        // As a C string, the line ends at a zero byte.
        std::string_view read = text_.substr(start, end - start);
        *line = read.substr(0, read.find('\0'));
        return true;
    }

    // Reads n lines; true when the last of them was there.
    bool Skip(int n, std::string_view* line) {
        bool have = true;
        for (int i = 0; i < n; ++i) have = Next(line);
        return have;
    }

private:
    // A line feed, or a carriage return and the line feed after it.
    bool IsLineEnd(std::size_t i) const {
        return text_[i] == '\n' || (text_[i] == '\r' && i + 1 < text_.size() && text_[i + 1] == '\n');
    }

    std::string_view text_;
    std::size_t& pos_;
};

// Word n (from 1) of a line. Empty when the line has fewer words.
std::string_view Token(std::string_view line, int n) {
    std::string_view word;
    for (int i = 0; i < n; ++i) word = NextWord(line);
    return word;
}

bool IsPathLine(std::string_view line) {
    std::string_view first = Token(line, 1);
    return !first.empty() && first[0] >= '0' && first[0] <= '9';
}

// The text after the first "/" of the path line's fourth word, cut to nine
// characters. A word without "/", or with nothing after it, gives no name;
// names beyond the 32nd are dropped.
void AddPath(ReportDevice* device, std::string_view pathLine) {
    std::string_view word = Token(pathLine, 4);
    std::size_t slash = word.find('/');
    if (slash == std::string_view::npos || slash + 1 == word.size() || device->pathCount == kReportPaths) return;
    device->paths[device->pathCount++].assign(word.substr(slash + 1, kReportPathLength));
}

}  // namespace

bool ReportReader::Next(ReportDevice* device) {
    LineReader reader(report_, pos_);
    std::string_view& line = line_;
    if (!started_) {
        started_ = true;
        if (!reader.Next(&line)) return false;  // the first line sums up the report
    }

    // The line that ended a device's path lines may itself be the next
    // device's header: it is examined before another line is read.
    for (;;) {
        if (!pending_ && !reader.Next(&line)) return false;
        pending_ = false;
        if (Token(line, 1) != "DEV#:") continue;

        std::string_view diskName = Token(line, 5);
        std::string_view partition = Token(line, 6);
        std::string_view type = Token(line, 8);
        std::string_view serial = Token(line, 10);
        // Belongs to this header alone: a device that is passed over must
        // not change how many lines the next one skips.
        bool serialLine = false;
        if (Token(line, 9) == "POLICY:") {
            std::string_view next;
            serial = reader.Next(&next) ? Token(next, 2) : std::string_view();
            serialLine = true;
        }

        if (partition != "Part0") {
            reader.Skip(3, &line);
            continue;
        }
        std::string_view family = type.substr(0, 4);
        if (family != "7315" && family != "7345") continue;
        const bool listed = family == "7315";

        // The headings between the header and the first path line.
        bool have = reader.Skip(serialLine ? 3 : 4, &line);
        for (auto& path : device->paths) path.clear();
        device->pathCount = 0;
        while (have && IsPathLine(line)) {
            if (listed) AddPath(device, line);
            have = reader.Next(&line);
        }
        pending_ = have;

        // A disk name or serial that is missing or does not fit its field
        // would name another volume: such a device is left out entirely.
        if (diskName.empty() || serial.empty() || !device->diskName.assign(diskName) ||
            !device->serial.assign(serial)) {
            continue;
        }
        device->listed = listed;
        return true;
    }
}
