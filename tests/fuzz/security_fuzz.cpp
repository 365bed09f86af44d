// GetPwd, the security file check, on a real file: the input is written as
// the file that /a names.
//
// Invariants: the result is 0, 23, 24 or 25; an independent reading of the
// file decides which: 24 for an empty file (a byte-order mark at its start
// does not count), else 0 exactly when the first 79 characters of the first
// line after the mark (up to a zero byte) hold two words separated by white
// space, else 25. The message is the one of the code, the security
// line is the line read, and the file is closed again.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/launcher.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr std::size_t kLookedAt = 79;

struct Verdict {
    int code;
    std::string line;
};

Verdict Judge(std::string_view bytes) {
    // A UTF-8 byte-order mark at the start is not part of the file's text.
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (bytes.empty()) return {24, ""};
    std::string_view line = bytes.substr(0, kLookedAt);
    std::size_t feed = line.find('\n');
    if (feed != std::string_view::npos) line = line.substr(0, feed + 1);
    line = line.substr(0, line.find('\0'));
    return {fuzz::Words(line).size() >= 2 ? 0 : 25, std::string(line)};
}

fuzz::ScratchFile& SecurityFile() {
    static fuzz::ScratchFile file("security.txt");
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ScratchFile& file = SecurityFile();
    file.Write(data, size);

    fuzz::Capture capture;
    InitGlobals();
    g.programType = kVyRunJob;
    g.securityFilePath.assign(file.path());
    const int code = GetPwd();
    const std::string out = capture.Text();

    const Verdict verdict = Judge(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string expectedOut =
        verdict.code == 0 ? "" : "vyRunJob: format of security file " + file.path() + " is incorrect\n";

    FUZZ_CHECK(code == 0 || code == 23 || code == 24 || code == 25, "GetPwd returned %d", code);
    FUZZ_CHECK(code == verdict.code, "GetPwd returned %d for a file that should give %d", code, verdict.code);
    FUZZ_CHECK(out == expectedOut, "GetPwd printed \"%s\", expected \"%s\"", out.c_str(), expectedOut.c_str());
    fuzz::CheckText(g.securityLine, "security line");
    FUZZ_CHECK(g.securityLine.view() == verdict.line, "the security line is \"%s\", the file's is \"%s\"",
               g.securityLine.c_str(), verdict.line.c_str());
    return 0;
}
