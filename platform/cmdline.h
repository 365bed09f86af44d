// The contract between a launcher and every child it starts: the Windows C
// runtime's rules for turning an argument vector into one command line and a
// command line back into argv.
//
// On Windows the system does the splitting; the POSIX port uses
// SplitCommandLine so that a child there receives exactly the argv that the
// Windows C runtime would have given it.
#ifndef VY_PLATFORM_CMDLINE_H
#define VY_PLATFORM_CMDLINE_H

#include <string>
#include <string_view>
#include <vector>

namespace cmdline {

// The entries of a null-terminated vector joined with single blanks, with no
// quoting added: an empty entry leaves two blanks in a row.
std::string JoinArguments(const char* const* argv);

// Splits a command line into arguments as the C runtime does:
// - blanks and tabs outside double quotes separate arguments;
// - a double quote opens or closes a quoted part, which may sit inside a word;
// - inside a quoted part, two double quotes in a row give one literal quote;
// - 2n backslashes before a double quote give n backslashes, and the quote
//   opens or closes a quoted part; 2n+1 backslashes give n backslashes and a
//   literal quote;
// - backslashes not followed by a double quote are taken literally.
// The first argument follows the same rules.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The argument in double quotes, written so that SplitCommandLine gives it
// back whole: a double quote inside it is preceded by a backslash, and every
// run of backslashes that comes before a double quote or before the closing
// quote is doubled. Other backslashes stay as they are.
std::string QuoteArgument(std::string_view argument);

// True when the argument holds a blank, a tab or a double quote, so that it
// would not reach a child whole without quoting.
bool NeedsQuoting(std::string_view argument);

}  // namespace cmdline

#endif
