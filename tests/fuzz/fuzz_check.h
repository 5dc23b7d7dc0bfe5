// The harnesses' assertion: a failed check prints where and aborts, which
// the fuzzer reports as a crash with the input that caused it.
#ifndef VOK_TESTS_FUZZ_FUZZ_CHECK_H_
#define VOK_TESTS_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                            \
  do {                                                                              \
    if (!(cond)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                 \
    }                                                                               \
  } while (0)

#endif  // VOK_TESTS_FUZZ_FUZZ_CHECK_H_
