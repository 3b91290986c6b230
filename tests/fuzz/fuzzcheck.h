#pragma once
// A failed property check aborts, which libFuzzer records as a crash with its input.

#include <cstdio>
#include <cstdlib>

#define KVX_FUZZ_CHECK(condition)                                                                  \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
