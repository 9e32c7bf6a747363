#pragma once
// A property every input must keep. A broken one is a finding: libFuzzer saves
// the input that broke it and stops.
#include <cstdio>
#include <cstdlib>

#define FUZZ_REQUIRE(condition, what)                                                              \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "property broken: %s (%s:%d)\n", what, __FILE__, __LINE__);       \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)
