// Helpers shared by the fuzz targets: a failed invariant aborts with a
// message (so that libFuzzer keeps the input), the bounded text fields are
// checked against their capacity, and the invocation state's messages are
// captured in memory.
#ifndef VY_TESTS_FUZZ_FUZZ_SUPPORT_H
#define VY_TESTS_FUZZ_FUZZ_SUPPORT_H

#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/state.h"

namespace fuzz {

[[noreturn]] inline void Fail(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

inline void Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::fputs("invariant broken: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
    std::abort();
}

#define FUZZ_CHECK(condition, ...)              \
    do {                                        \
        if (!(condition)) ::fuzz::Fail(__VA_ARGS__); \
    } while (0)

// A field never holds more than its capacity allows, its size is where its
// terminating zero is, and nothing in it is a zero byte.
template <std::size_t N>
void CheckText(const Text<N>& field, const char* name) {
    FUZZ_CHECK(field.size() <= Text<N>::kMaxLength, "%s holds %zu characters, more than %zu", name, field.size(),
               Text<N>::kMaxLength);
    FUZZ_CHECK(field.c_str()[field.size()] == '\0', "%s is not terminated at its size %zu", name, field.size());
    FUZZ_CHECK(std::strlen(field.c_str()) == field.size(), "%s has a zero byte inside (strlen %zu, size %zu)", name,
               std::strlen(field.c_str()), field.size());
    FUZZ_CHECK(field.view() == std::string_view(field.c_str()), "%s: its view and its text differ", name);
}

// Points g.out at a buffer in memory for the lifetime of the object.
class Capture {
public:
    Capture() {
        file_ = open_memstream(&buffer_, &size_);
        if (file_ == nullptr) Fail("open_memstream failed");
        g.out = file_;
    }
    ~Capture() {
        g.out = nullptr;
        std::fclose(file_);
        std::free(buffer_);
    }
    std::string Text() {
        std::fflush(file_);
        return std::string(buffer_, size_);
    }

private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    FILE* file_ = nullptr;
};

// White space as the C library's formatted input knows it in the "C" locale.
inline bool IsCWhite(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The non-empty runs of a text between the characters that isSeparator
// accepts.
template <typename IsSeparator>
std::vector<std::string> SplitAt(std::string_view text, IsSeparator isSeparator) {
    std::vector<std::string> runs;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isSeparator(text[i])) ++i;
        std::size_t start = i;
        while (i < text.size() && !isSeparator(text[i])) ++i;
        if (i > start) runs.emplace_back(text.substr(start, i - start));
    }
    return runs;
}

// The words of a text, split at white space.
inline std::vector<std::string> Words(std::string_view text) { return SplitAt(text, IsCWhite); }

// What fgets with a buffer of limit+1 bytes gives, piece by piece: up to
// limit characters, ending after a line feed; each piece seen as a C string.
inline std::vector<std::string> Pieces(std::string_view text, std::size_t limit) {
    std::vector<std::string> pieces;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && end - pos < limit) {
            if (text[end++] == '\n') break;
        }
        std::string_view piece = text.substr(pos, end - pos);
        pieces.emplace_back(piece.substr(0, piece.find('\0')));
        pos = end;
    }
    return pieces;
}

// A file of this process for a target to write its input to, in a folder
// under /dev/shm when there is one (no disk writes), removed at exit.
class ScratchFile {
public:
    explicit ScratchFile(const char* name) {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        folder_ = std::string(base) + "/vyfuzz-" + std::to_string(getpid());
        mkdir(folder_.c_str(), 0700);
        path_ = folder_ + "/" + name;
    }
    ~ScratchFile() {
        unlink(path_.c_str());
        rmdir(folder_.c_str());
    }
    const std::string& folder() const { return folder_; }
    const std::string& path() const { return path_; }

    void Write(const std::uint8_t* data, std::size_t size) {
        FILE* file = std::fopen(path_.c_str(), "wb");
        if (file == nullptr) Fail("cannot create %s", path_.c_str());
        if (size > 0 && std::fwrite(data, 1, size, file) != size) Fail("cannot write %s", path_.c_str());
        if (std::fclose(file) != 0) Fail("cannot close %s", path_.c_str());
    }

private:
    std::string folder_;
    std::string path_;
};

}  // namespace fuzz

#endif
