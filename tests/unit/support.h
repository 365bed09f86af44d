// Helpers shared by the unit tests: captured program output, a scratch
// folder, and setting or removing environment variables for one test.
#ifndef VY_TESTS_UNIT_SUPPORT_H
#define VY_TESTS_UNIT_SUPPORT_H

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "core/launcher.h"
#include "core/state.h"

namespace support {

inline void SetVariable(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    // "NAME=" removes the variable; an empty value cannot be set this way.
    _putenv((name + "=" + value.value_or("")).c_str());
#else
    if (value) {
        setenv(name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(name.c_str());
    }
#endif
}

inline std::optional<std::string> Variable(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    if (v == nullptr) return std::nullopt;
    return std::string(v);
}

// Sets variables for the lifetime of the object and restores them after.
class Environment {
public:
    void Set(const std::string& name, const std::optional<std::string>& value) {
        if (saved_.find(name) == saved_.end()) saved_[name] = Variable(name);
        SetVariable(name, value);
    }
    ~Environment() {
        for (const auto& [name, value] : saved_) SetVariable(name, value);
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

// Sends the invocation state's messages to a temporary file.
class CapturedOutput {
public:
    CapturedOutput() : file_(std::tmpfile()) { g.out = file_; }
    ~CapturedOutput() {
        g.out = nullptr;
        if (file_ != nullptr) std::fclose(file_);
    }
    std::string Text() {
        std::fflush(file_);
        std::rewind(file_);
        std::string text;
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, file_)) > 0) text.append(buf, n);
        return text;
    }

private:
    FILE* file_;
};

// A fresh, short folder under the system's temporary directory, its name
// holding the process id: the unit tests of other builds on the machine may
// run at the same time, and must not share it.
inline std::filesystem::path ScratchFolder(const std::string& name) {
#ifdef _WIN32
    const int id = _getpid();
#else
    const int id = static_cast<int>(getpid());
#endif
    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("vyu-" + std::to_string(id) + "-" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// InitParameter on the given arguments (after the program's name) as the
// given program: its result and what it printed.
struct Parsed {
    int code;
    std::string output;
};

inline Parsed Parse(int type, std::vector<std::string> args) {
    CapturedOutput out;
    InitGlobals();
    g.programType = type;
    std::vector<char*> argv = {const_cast<char*>("prog")};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int code = InitParameter(static_cast<int>(argv.size()) - 1, argv.data());
    return {code, out.Text()};
}

#ifdef _WIN32
constexpr char kSep = '\\';
constexpr char kList = ';';
#else
constexpr char kSep = '/';
constexpr char kList = ':';
#endif

}  // namespace support

#endif
