// White-space-separated words, as the C library's formatted input reads
// them: the security file's first line, the volume list file's lines, the
// multipath report's fields. And the length of one read of a line.
#ifndef VY_CORE_WORDS_H
#define VY_CORE_WORDS_H

#include <cstddef>
#include <string_view>

// CLI.CFG and the multipath report are read in pieces of at most 99
// characters of a line; the rest of a longer line is a further piece.
constexpr std::size_t kLongestRead = 99;

inline bool IsWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The next word of the text, after any white space before it; the text is
// left just behind the word. Empty when no word is left.
inline std::string_view NextWord(std::string_view& text) {
    std::size_t start = 0;
    while (start < text.size() && IsWhite(text[start])) ++start;
    std::size_t end = start;
    while (end < text.size() && !IsWhite(text[end])) ++end;
    std::string_view word = text.substr(start, end - start);
    text.remove_prefix(end);
    return word;
}

#endif
