// Runs every benchmark, then prints the fast decoder's speed-up over the
// straightforward reference measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench_results.h"

namespace vok::bench {

std::map<std::string, DecoderFigures>& decoderFigures() {
  static std::map<std::string, DecoderFigures> figures;
  return figures;
}

}  // namespace vok::bench

int main(int argc, char** argv) {
  // The repetitions of all cases run in a shuffled order, so that a burst
  // of the neighbours' load hits only some repetitions of each case.
  // Flags given later override this one.
  std::vector<char*> args(argv, argv + argc);
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  args.insert(args.begin() + 1, interleave);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  const auto& figures = vok::bench::decoderFigures();
  if (!figures.empty()) {
    std::printf("\nDecoder iteration, ns per information symbol (same run, quickest of %d):\n",
                vok::bench::kDecoderRepetitions);
    std::printf("%-20s %12s %12s %10s %15s\n", "case", "fast", "reference", "speed-up",
                "32-lane AVX2");
    for (const auto& [name, f] : figures) {
      const double ratio = f.fast > 0 && f.reference > 0 ? f.reference / f.fast : 0;
      std::printf("%-20s %12.2f %12.2f %9.1fx %15.2f\n", name.c_str(), f.fast, f.reference, ratio,
                  f.withoutAvx512);
    }
    // How the cost per symbol grows with the block, smallest to largest N.
    for (const char* k : {"0", "15"}) {
      const auto small = figures.find(std::string("N=30000 k=") + k);
      const auto large = figures.find(std::string("N=3000000 k=") + k);
      if (small == figures.end() || large == figures.end() || small->second.fast <= 0) continue;
      std::printf("growth N=30000 -> N=3000000, k=%s: fast %.2fx\n", k,
                  large->second.fast / small->second.fast);
    }
  }
  return 0;
}
