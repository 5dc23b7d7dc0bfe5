// Figures the benchmarks leave behind for the summary printed after the run
// (the fast decoder against the reference, side by side).
#ifndef VOK_BENCH_BENCH_RESULTS_H_
#define VOK_BENCH_BENCH_RESULTS_H_

#include <map>
#include <string>

namespace vok::bench {

// Nanoseconds per information symbol of the quickest repetition of each
// decoder benchmark, keyed by "N=<n> k=<k>", for the fast decoder, the same
// without AVX-512 (as on processors that lack it) and the reference.
// Each decoder case runs this many times in a row.
inline constexpr int kDecoderRepetitions = 3;

struct DecoderFigures {
  double fast = 0;
  double withoutAvx512 = 0;
  double reference = 0;
};
std::map<std::string, DecoderFigures>& decoderFigures();

}  // namespace vok::bench

#endif  // VOK_BENCH_BENCH_RESULTS_H_
