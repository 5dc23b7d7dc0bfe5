// Where the randomness of a sweep comes from: the fixed rule that gives each
// block its own channel seed, and the random information block.
//
// The rule depends only on the sweep seed, the point's P0 and the block's
// index, so a sweep gives the same counts for any number of threads, shards
// or order of execution, and any single block can be replayed with
// `vok-sim run --p0 P0 --seed <block seed>`.
#ifndef VOK_SIM_SWEEP_SEEDING_H_
#define VOK_SIM_SWEEP_SEEDING_H_

#include <cstdint>
#include <optional>
#include <vector>

namespace vok::sim {

// The generator uses only the low 21 bits of a seed, so block seeds are taken
// modulo 2^21 and are distinct for up to 2^21 blocks of one point.
inline constexpr std::int64_t kBlockSeedModulus = std::int64_t{1} << 21;
inline constexpr std::int64_t kPointSeedStride = 1009;

// m = round(10^6 * P0), the point's part of the rule.
// REQUIRES: p0 finite with |p0| <= 10^6.
std::int64_t pointKey(float p0);

// kst = (S + 1009 * round(10^6 * P0) + block) mod 2^21, in 0..2^21 - 1.
// REQUIRES: as pointKey; block >= 0.
std::int32_t blockSeed(std::int32_t sweepSeed, float p0, std::int64_t block);

// Two points whose block seeds meet: block `block` of the point `later` (and
// every block after it) uses the seed of block 0 (and so on) of `earlier`.
struct SeedOverlap {
  float earlier = 0.0f;
  float later = 0.0f;
  std::int64_t block = 0;
};

// The overlap that starts at the lowest block among the points' blocks
// 0..blocks-1 (seeds taken as the rule gives them), or nullopt when no two
// points share a seed. The sweep seed shifts all points alike, so it does not
// matter. REQUIRES: as pointKey for every point; 0 <= blocks <= 2^21.
std::optional<SeedOverlap> firstSeedOverlap(const std::vector<float>& points, std::int64_t blocks);

// `count` information symbols 0..255: the top 8 bits of successive outputs
// of std::mt19937 seeded with the sweep seed's 32-bit pattern. The decoder
// works on syndromes only, so the content does not change any count; it is
// random so that nothing rests on that.
std::vector<std::int32_t> randomInformation(std::int32_t sweepSeed, std::int32_t count);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_SEEDING_H_
