#pragma once
// What the fuzz targets share: a finding aborts with its reason, so libFuzzer
// stores the input that caused it.
#include <cstdio>
#include <cstdlib>

#define QV_FUZZ_CHECK(cond)                                                              \
    do {                                                                                 \
        if (!(cond)) {                                                                   \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)
