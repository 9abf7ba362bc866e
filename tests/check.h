// A small check library shared by the native and the Win32 tests: every check counts, a failed
// one prints where and what, and check_report() prints the closing "N passed, N failed" line.
#pragma once
#include <cstdio>
#include <cstring>
#include <string>

namespace check_detail {
inline int passed = 0;
inline int failed = 0;
inline void fail(const char* file, int line, const std::string& what) {
    ++failed;
    std::printf("FAIL %s:%d: %s\n", file, line, what.c_str());
    std::fflush(stdout);
}
inline std::string show(const std::string& s) {
    return "\"" + s + "\"";
}
inline std::string show(const char* s) {
    return s ? show(std::string(s)) : "(null)";
}
template <class T> std::string show(const T& v) {
    return std::to_string(v);
}
} // namespace check_detail

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (cond)                                                                                  \
            ++check_detail::passed;                                                                \
        else                                                                                       \
            check_detail::fail(__FILE__, __LINE__, #cond);                                         \
    } while (0)

// Compares two values of one kind (numbers with numbers, texts with texts) and shows both on
// failure.
#define CHECK_EQ(a, b)                                                                             \
    do {                                                                                           \
        auto&& check_a_ = (a);                                                                     \
        auto&& check_b_ = (b);                                                                     \
        if (check_a_ == check_b_)                                                                  \
            ++check_detail::passed;                                                                \
        else                                                                                       \
            check_detail::fail(__FILE__, __LINE__,                                                 \
                               std::string(#a " == " #b ": ") + check_detail::show(check_a_) +     \
                                   " vs " + check_detail::show(check_b_));                         \
    } while (0)

// Prints the closing line and gives the process's exit code.
inline int check_report() {
    std::printf("%d passed, %d failed\n", check_detail::passed, check_detail::failed);
    std::fflush(stdout);
    return check_detail::failed == 0 && check_detail::passed > 0 ? 0 : 1;
}
