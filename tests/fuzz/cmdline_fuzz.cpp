// Command-line joining, quoting and splitting (platform/cmdline.h): the rules
// by which every child of a launcher gets its argv.
//
// Input: an argument vector, its entries separated by zero bytes; the same
// bytes are also taken as one command line.
//
// Invariants:
// - each argument quoted and the results joined with blanks split back into
//   exactly the original vector (empty arguments included);
// - one quoted argument splits back into exactly that one argument;
// - arguments without blank, tab or double quote, none of them empty, joined
//   with single blanks and no quoting, split back into the original vector;
// - splitting any text never crashes, gives at most one argument per run of
//   characters other than blank and tab, and never more characters than the
//   text holds; without double quotes, blanks and tabs alone separate the
//   arguments and everything else is taken literally.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cmdline.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

std::string Show(const std::vector<std::string>& v) {
    std::string s = "[";
    for (const std::string& a : v) s += "<" + a + ">";
    return s + "]";
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splitting by blanks and tabs alone.
std::vector<std::string> Fields(std::string_view text) { return fuzz::SplitAt(text, IsBlank); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    std::vector<std::string> args;
    if (size > 0) {
        std::size_t start = 0;
        for (;;) {
            std::size_t zero = text.find('\0', start);
            args.emplace_back(text.substr(start, zero == std::string_view::npos ? std::string_view::npos : zero - start));
            if (zero == std::string_view::npos) break;
            start = zero + 1;
        }
    }

    // Quoted, joined, split: the same vector.
    std::string line;
    for (const std::string& a : args) {
        const std::string quoted = cmdline::QuoteArgument(a);
        const std::vector<std::string> one = cmdline::SplitCommandLine(quoted);
        FUZZ_CHECK(one.size() == 1 && one[0] == a, "<%s> quoted as %s splits into %s", a.c_str(), quoted.c_str(),
                   Show(one).c_str());
        if (!line.empty()) line += ' ';
        line += quoted;
    }
    const std::vector<std::string> back = cmdline::SplitCommandLine(line);
    FUZZ_CHECK(back == args, "%s joined as %s splits into %s", Show(args).c_str(), line.c_str(), Show(back).c_str());

    // Plain arguments need no quoting: joined with blanks they come back.
    bool plain = !args.empty();
    for (const std::string& a : args) plain = plain && !a.empty() && !cmdline::NeedsQuoting(a);
    if (plain) {
        std::vector<const char*> argv;
        for (const std::string& a : args) argv.push_back(a.c_str());
        argv.push_back(nullptr);
        const std::string joined = cmdline::JoinArguments(argv.data());
        const std::vector<std::string> split = cmdline::SplitCommandLine(joined);
        FUZZ_CHECK(split == args, "%s joined as %s splits into %s", Show(args).c_str(), joined.c_str(),
                   Show(split).c_str());
    }

    // Any text at all.
    const std::vector<std::string> split = cmdline::SplitCommandLine(text);
    const std::vector<std::string> fields = Fields(text);
    std::size_t characters = 0;
    for (const std::string& a : split) characters += a.size();
    FUZZ_CHECK(split.size() <= fields.size(), "%zu arguments from %zu runs of non-blanks", split.size(),
               fields.size());
    FUZZ_CHECK(characters <= text.size(), "%zu characters from a text of %zu", characters, text.size());
    if (text.find('"') == std::string_view::npos) {
        FUZZ_CHECK(split == fields, "without quotes %s split into %s", Show(fields).c_str(), Show(split).c_str());
    }
    return 0;
}
