#pragma once

// A fuzz target stops at the first result that breaks its rule.

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void mismatch(const char *what) {
    std::fprintf(stderr, "mismatch: %s\n", what);
    std::abort();
}

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond))                                                                               \
            mismatch(#cond);                                                                       \
    } while (0)
