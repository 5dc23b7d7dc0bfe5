// The block seed rule and the random information block of a sweep.
#include "sim/sweep_seeding.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>

namespace vok::sim {

std::int64_t pointKey(float p0) { return std::llround(static_cast<double>(p0) * 1e6); }

std::int32_t blockSeed(std::int32_t sweepSeed, float p0, std::int64_t block) {
  const std::int64_t sum = (static_cast<std::int64_t>(sweepSeed) % kBlockSeedModulus) +
                           (pointKey(p0) % kBlockSeedModulus) * kPointSeedStride +
                           block % kBlockSeedModulus;
  std::int64_t seed = sum % kBlockSeedModulus;
  if (seed < 0) seed += kBlockSeedModulus;
  return static_cast<std::int32_t>(seed);
}

std::optional<SeedOverlap> firstSeedOverlap(const std::vector<float>& points, std::int64_t blocks) {
  // Each point's seeds are a run of `blocks` steps around the circle of 2^21
  // seeds from its offset; two runs meet when the gap from one offset to the
  // next is shorter than the run. Neighbours on the circle have the smallest
  // gaps, so looking at them finds the first overlap.
  std::vector<std::pair<std::int32_t, float>> offsets;
  offsets.reserve(points.size());
  for (float p0 : points) offsets.emplace_back(blockSeed(0, p0, 0), p0);
  std::sort(offsets.begin(), offsets.end());
  std::optional<SeedOverlap> first;
  const std::size_t n = offsets.size();
  for (std::size_t k = 0; n >= 2 && k < n; ++k) {
    const auto& [from, reusing] = offsets[k];
    const auto& [to, reused] = offsets[(k + 1) % n];
    std::int64_t gap = static_cast<std::int64_t>(to) - from;
    if (gap < 0 || (gap == 0 && k + 1 == n)) gap += kBlockSeedModulus;
    if (gap < blocks && (!first || gap < first->block)) {
      // Block `gap` of the point at `from` has the seed of block 0 at `to`.
      first = SeedOverlap{reused, reusing, gap};
    }
  }
  return first;
}

std::vector<std::int32_t> randomInformation(std::int32_t sweepSeed, std::int32_t count) {
  std::mt19937 engine(static_cast<std::uint32_t>(sweepSeed));
  std::vector<std::int32_t> symbols(static_cast<std::size_t>(count > 0 ? count : 0));
  for (std::int32_t& symbol : symbols) symbol = static_cast<std::int32_t>(engine() >> 24);
  return symbols;
}

}  // namespace vok::sim
