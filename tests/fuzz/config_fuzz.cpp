// ReadCLICfg, the CLI.CFG reader, on a real file: the input is written as
// CLI.CFG into a scratch folder that the install path names.
//
// Invariants: the result is 0, 63 or 66; every Java settings field is within
// its capacity; each stored value holds printable ASCII only (32 to 126) and,
// except the class path, at most 97 characters; the class path is a run of
// non-empty values, each after a list separator. An independent model of the
// file format gives the result, the message and the four fields exactly.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/launcher.h"
#include "platform/files.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr std::size_t kPiece = 99;
// A piece of 99 characters that begins with a key of at least one
// character and "=" leaves at most 97 for the value.
constexpr std::size_t kLongestValue = 97;
constexpr std::size_t kClassPath = 1023;

struct Settings {
    std::string jre, install, classPath, options;
    std::vector<std::string> classPathValues;
};

bool IsAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsPrintable(char c) { return c >= 32 && c <= 126; }

// The format of CLI.CFG, as its reader must take it.
int Model(std::string_view bytes, Settings& s, std::string& out) {
    // Text mode: a carriage return right before a line feed is dropped.
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    const std::string formatError = "vyRunJob: The CLI.CFG file format is incorrect";
    for (const std::string& piece : fuzz::Pieces(text, kPiece)) {
        if (piece.empty() || !IsAlnum(piece[0])) continue;
        const std::size_t equals = piece.find('=');
        if (equals == std::string::npos) {
            out = formatError;
            return 66;
        }
        const std::string key = piece.substr(0, equals);
        std::string value = piece.substr(equals + 1);
        std::size_t end = 0;
        while (end < value.size() && IsPrintable(value[end])) ++end;
        value.resize(end);
        std::string* field = key == "JAVA_JRE"            ? &s.jre
                             : key == "JAVA_INSTALL"      ? &s.install
                             : key == "JAVA_CLASSPATH"    ? &s.classPath
                             : key == "JAVA_EXEC_OPTIONS" ? &s.options
                                                          : nullptr;
        if (field == nullptr) {
            out = formatError;
            return 66;
        }
        if (value.empty()) continue;
        if (field == &s.classPath) {
            if (s.classPath.size() + 1 + value.size() > kClassPath) {
                out = "vyRunJob: The JAVA_CLASSPATH values of CLI.CFG add up to more than 1023 characters\n";
                return 66;
            }
            s.classPath += platform::kListSeparator;
            s.classPath += value;
            s.classPathValues.push_back(value);
        } else {
            *field = value;
        }
    }
    return 0;
}

void CheckValue(const Text<1024>& field, const std::string& expected, const char* name) {
    fuzz::CheckText(field, name);
    for (char c : field.view()) FUZZ_CHECK(IsPrintable(c), "%s holds the byte %d", name, c & 0xff);
    FUZZ_CHECK(field.view() == expected, "%s is \"%s\", the file says \"%s\"", name, field.c_str(), expected.c_str());
}

void CheckSingleValue(const Text<1024>& field, const std::string& expected, const char* name) {
    CheckValue(field, expected, name);
    FUZZ_CHECK(field.size() <= kLongestValue, "%s holds %zu characters", name, field.size());
}

fuzz::ScratchFile& ConfigFile() {
    static fuzz::ScratchFile file("CLI.CFG");
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ScratchFile& file = ConfigFile();
    file.Write(data, size);

    fuzz::Capture capture;
    InitGlobals();
    g.programType = kVyRunJob;
    g.installPath.assign(file.folder());
    // Something for the reader to empty first.
    g.java.launcherChoice.assign("stale");
    g.java.classPath.assign(":stale");
    const int code = ReadCLICfg(g.java);
    const std::string out = capture.Text();

    Settings expected;
    std::string expectedOut;
    const int expectedCode =
        Model(std::string_view(reinterpret_cast<const char*>(data), size), expected, expectedOut);

    FUZZ_CHECK(code == 0 || code == 63 || code == 66, "ReadCLICfg returned %d", code);
    FUZZ_CHECK(code == expectedCode, "ReadCLICfg returned %d, the format says %d", code, expectedCode);
    FUZZ_CHECK(out == expectedOut, "ReadCLICfg printed \"%s\", the format says \"%s\"", out.c_str(),
               expectedOut.c_str());
    CheckSingleValue(g.java.launcherChoice, expected.jre, "JAVA_JRE");
    CheckSingleValue(g.java.javaInstall, expected.install, "JAVA_INSTALL");
    CheckSingleValue(g.java.javaOptions, expected.options, "JAVA_EXEC_OPTIONS");
    CheckValue(g.java.classPath, expected.classPath, "JAVA_CLASSPATH");

    // The class path is its values in file order, each of 1 to 97
    // characters after one list separator.
    std::string joined;
    for (const std::string& value : expected.classPathValues) {
        FUZZ_CHECK(!value.empty() && value.size() <= kLongestValue, "a class-path value of %zu characters",
                   value.size());
        joined += platform::kListSeparator;
        joined += value;
    }
    FUZZ_CHECK(g.java.classPath.view() == joined, "the class path \"%s\" is not its values \"%s\"",
               g.java.classPath.c_str(), joined.c_str());
    return 0;
}
