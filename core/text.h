// A text field of fixed capacity: N bytes in place, the value and the zero
// after it, with the value's length kept beside them.
//
// Every text value of the invocation state, and the bounded values that steps
// build on the stack, live in one of these. N counts the terminating zero, so
// a Text<32> holds at most 31 characters. Assigning or appending a value that
// does not fit fails and leaves the field as it was: nothing is ever written
// past the end, and nothing is cut silently.
//
// Every byte past the value is zero, always. So a field starts out zero
// without running any code (the invocation state needs no constructor at
// start-up), and emptying or shortening a value writes only the bytes that
// held it: the pages of a large field that a run never uses are never
// touched.
#ifndef VY_CORE_TEXT_H
#define VY_CORE_TEXT_H

#include <cstddef>
#include <cstring>
#include <string_view>

template <std::size_t N>
class Text {
    static_assert(N >= 1, "a text field needs room for its terminator");

public:
    static constexpr std::size_t kCapacity = N;       // bytes, terminator included
    static constexpr std::size_t kMaxLength = N - 1;  // characters

    constexpr Text() : buf_(), len_(0) {}

    // Like the C string it came from, a value ends at its first zero byte.
    bool assign(std::string_view value) {
        value = value.substr(0, value.find('\0'));
        if (value.size() > kMaxLength) return false;
        std::memcpy(buf_, value.data(), value.size());
        // The rest of a longer value before it; the terminator and what
        // follows it are zero already.
        if (value.size() < len_) std::memset(buf_ + value.size(), 0, len_ - value.size());
        len_ = value.size();
        return true;
    }

    bool append(std::string_view value) {
        value = value.substr(0, value.find('\0'));
        if (value.size() > kMaxLength - len_) return false;
        std::memcpy(buf_ + len_, value.data(), value.size());
        len_ += value.size();
        return true;
    }

    bool append(char c) { return append(std::string_view(&c, 1)); }

    // Empties the field: every byte of it is zero again. An empty field is
    // not written at all.
    void clear() {
        if (len_ == 0) return;
        std::memset(buf_, 0, len_);
        len_ = 0;
    }

    const char* c_str() const { return buf_; }
    std::string_view view() const { return std::string_view(buf_, len_); }
    std::size_t size() const { return len_; }
    bool empty() const { return len_ == 0; }
    // A field is "given" when its first byte is not zero.
    bool given() const { return len_ != 0; }

private:
    char buf_[N];
    std::size_t len_;
};

#endif
