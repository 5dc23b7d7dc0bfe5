// The decoder's votes of one information branch at 16 neighbouring
// positions at once, one position per vector lane.
//
// Each lane gets exactly the candidate list's outcome: candidates in order
// of first appearance, the received value's vote (weight w, value D) first
// when w != 0, ties to the earlier candidate, the margin the winner's count
// less the best count of another candidate (at least 0).
#ifndef VOK_CODEC_LANE_VOTES_H_
#define VOK_CODEC_LANE_VOTES_H_

#include <cstdint>

namespace vok::detail {

inline constexpr std::int32_t kLaneCount = 16;

// Largest |w| the lane votes take (their keys are count * 64 + priority in
// int32), and the threshold range beyond which any threshold acts alike.
inline constexpr std::int64_t kMaxLaneWeight = std::int64_t{1} << 20;
inline constexpr std::int64_t kMaxLaneThreshold = std::int64_t{1} << 30;

// Votes lane l (position l of the block) from cells[n][l], the syndrome of
// tap n for n < the number of voting taps, and own[l], the difference
// register. Returns the lanes whose vote corrects (margin > threshold and
// value not 0) as bits, and writes every lane's winning value to
// corrections[l].
// REQUIRES: |weight| <= kMaxLaneWeight, |threshold| <= kMaxLaneThreshold.
using LaneVote = std::uint32_t (*)(const std::int32_t* const* cells, const std::int32_t* own,
                                   std::int32_t weight, std::int32_t threshold,
                                   std::int32_t* corrections);

// The lane vote of `voting` taps (0 to kLaneCount) with AVX-512 where
// `avx512`, else with AVX2; nullptr where the processor has not that.
LaneVote laneVoteFor(std::int32_t voting, bool avx512);

}  // namespace vok::detail

#endif  // VOK_CODEC_LANE_VOTES_H_
