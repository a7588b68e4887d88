// What a fuzz target asserts about the function under test: a broken
// property ends the run as a finding, with the condition printed.
#ifndef QUILLON_TESTS_FUZZ_FUZZ_CHECK_H_
#define QUILLON_TESTS_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                 \
  do {                                                                                        \
    if (!(condition)) {                                                                       \
      std::fprintf(stderr, "%s:%d: FUZZ_CHECK(%s) failed\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                           \
    }                                                                                         \
  } while (0)

#endif  // QUILLON_TESTS_FUZZ_FUZZ_CHECK_H_
