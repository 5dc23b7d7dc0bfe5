// The block seed rule and the random information block of a sweep.
#include "sim/sweep_seeding.h"

#include <cmath>
#include <random>

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

std::vector<std::int32_t> randomInformation(std::int32_t sweepSeed, std::int32_t count) {
  std::mt19937 engine(static_cast<std::uint32_t>(sweepSeed));
  std::vector<std::int32_t> symbols(static_cast<std::size_t>(count > 0 ? count : 0));
  for (std::int32_t& symbol : symbols) symbol = static_cast<std::int32_t>(engine() >> 24);
  return symbols;
}

}  // namespace vok::sim
