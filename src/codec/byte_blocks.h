// The decoder's block pass over byte registers (Q = 256): the votes of one
// information branch at a vector's width of neighbouring positions (32 with
// AVX2, 64 with AVX-512) are taken side by side, one position per byte lane,
// and give exactly the candidate list's outcome: candidates in order of
// first appearance, the received value's vote (weight w, value D) first
// when w != 0, ties to the earlier candidate, the margin the winner's count
// less the best count of another candidate (at least 0).
//
// A correction changes syndromes that later votes of the same block read
// (at lower positions, or at the same position for a later branch). The
// block's corrections are therefore found as a fixed point: each vote reads
// the syndromes as they stood before the block, less the corrections of the
// votes before it in the decoder's order (conflict lists built with the
// code say which), and a branch is voted again while a correction it reads
// changes. Every vote depends only on earlier ones, so the fixed point is
// unique and equals voting one symbol after another, whatever order the
// branches are voted in within the block. They go in an order chosen with
// the code so that few votes read a correction not yet made (a branch voted
// after those it reads needs no second vote). Every correction is kept in
// a padded copy as it is made: AVX-512 votes read a correction moved
// between lanes from there at a shifted offset (on such processors a load
// across a recent store costs little), AVX2 votes move it in registers.
// Then the corrections are applied to U, D and S a whole vector at a time.
#ifndef VOK_CODEC_BYTE_BLOCKS_H_
#define VOK_CODEC_BYTE_BLOCKS_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "codec/code_description.h"

namespace vok::detail {

// Most voting taps a branch may have for the block pass.
inline constexpr std::int32_t kMaxBlockTaps = 16;
// Largest |w| the byte lanes take (their counts are int8), and the bound
// beyond which any threshold acts alike (margins lie within -|w|..16 + |w|).
inline constexpr std::int32_t kMaxByteWeight = 32;
inline constexpr std::int32_t kByteThresholdBound = 64;
// Widths of the two block passes, in positions.
inline constexpr std::int32_t kAvx2Width = 32;
inline constexpr std::int32_t kAvx512Width = 64;

// The vote of voting tap n at lane l reads, within the block, the correction
// of branch `source` at lane l + shift (shift 0: the same position, from an
// earlier branch).
struct ByteConflict {
  std::uint8_t source = 0;
  std::uint8_t shift = 0;
};

// One vector of a check branch's cells that a block's corrections change,
// at offset + bottom (bottom: the block's lowest position), and the
// corrections it takes: parts[firstPart .. next chunk's firstPart), from
// the branches in `sources` (bits).
struct ByteApplyChunk {
  std::int64_t offset = 0;
  std::int32_t firstPart = 0;
  std::uint32_t sources = 0;
};

// A block pass keeps branch r's corrections of a block, lane l at position
// bottom + l, at bytes r * 3 * width + width + l of one buffer, 0 around
// them; this is where lane l of a vector read there starts when it takes
// branch `source`'s corrections moved by `shift` lanes (lane l + shift, 0
// outside the block).
// REQUIRES: -width <= shift <= width.
constexpr std::int32_t paddedCorrectionsAt(std::int32_t width, int source, std::int32_t shift) {
  return source * 3 * width + width + shift;
}

// Branch `source`'s corrections enter a chunk moved by `shift` lanes (the
// chunk's lane l takes the correction of lane l + shift, shift in
// -width..0): a vector read at paddedCorrectionsAt(width, source, shift).
struct ByteApplyPart {
  std::uint16_t at = 0;
};
static_assert(paddedCorrectionsAt(kAvx512Width, kMaxBranches - 1, kAvx512Width) <= 0xffff,
              "a part's offset must fit its 16 bits");

struct ByteBranchPlan {
  const std::int64_t* offsets = nullptr;  // per tap: j * L - d
  const std::int32_t* delays = nullptr;   // per tap: d in 0..L-1
  std::int32_t voting = 0;                // taps of the voting check branches
  std::int32_t total = 0;                 // taps of all check branches
  // Voting tap n's conflicts: conflicts[conflictStart[n] .. conflictStart[n + 1]),
  // those with a source voted before this branch in the block's order up to
  // earlierEnd[n].
  std::array<std::int32_t, kMaxBlockTaps + 1> conflictStart{};
  std::array<std::int32_t, kMaxBlockTaps> earlierEnd{};
  // The sources of voting tap n's conflicts, as bits.
  std::array<std::uint32_t, kMaxBlockTaps> tapSources{};
  // Bits by place in the block's order: the branches whose votes read this
  // branch's corrections, and those of them voted before it or itself (to
  // vote again when it corrects something). Indexed by the highest lane
  // whose correction changed: a vote reads it only where one of its
  // conflicts with this branch has a shift of at most that lane.
  std::array<std::uint32_t, kAvx512Width> readers{};
  std::array<std::uint32_t, kAvx512Width> readersBefore{};
  // The same readers by branch (bits), and the shifts (bits) at which each
  // reads this branch's corrections.
  std::uint32_t readerBranches = 0;
  std::array<std::uint64_t, kMaxBranches> shiftsTo{};
};

// Everything one block pass needs. Registers branch after branch, L bytes.
struct ByteBlockPlan {
  std::uint8_t* decisions = nullptr;
  std::uint8_t* differences = nullptr;
  std::uint8_t* syndromes = nullptr;
  std::int32_t length = 0;
  int decoded = 0;             // branches 0..decoded-1, each at most kMaxBlockTaps voting taps
  std::int32_t weight = 0;     // |w| <= kMaxByteWeight
  std::int32_t threshold = 0;  // clamped into +-kByteThresholdBound
  const ByteConflict* conflicts = nullptr;
  // Blocks with bottom >= chunkedFrom read no tap across the wrap: their
  // corrections go into S chunk by chunk, every cell once (chunks[0 ..
  // chunkCount), parts of chunk c up to chunks[c + 1].firstPart). Below,
  // tap by tap.
  const ByteApplyChunk* chunks = nullptr;
  const ByteApplyPart* parts = nullptr;
  std::int32_t chunkCount = 0;
  std::int32_t chunkedFrom = 0;
  std::array<ByteBranchPlan, kMaxBranches> branches{};
  // The branches in the order a block votes them.
  std::array<std::uint8_t, kMaxBranches> order{};
  // Where each check branch's cells are first read as positions fall: at
  // leadOffsets[n] + y. Fetched ahead of the blocks.
  std::array<std::int64_t, kMaxBranches> leadOffsets{};
  int leadCount = 0;
};

// A sorting network for `count` values: Batcher's odd-even merge sort of
// 16 (or 32), less the comparators that reach beyond the first `count` (the
// values beyond are as if the largest there are, and never move).
// REQUIRES: count <= kMaxBlockTaps + 1.
struct SortingNetwork {
  std::array<std::array<std::uint8_t, 2>, 96> pairs{};
  std::size_t size = 0;
};
constexpr SortingNetwork sortingNetwork(std::int32_t count) {
  SortingNetwork network;
  const std::int32_t n = count <= 16 ? 16 : 32;
  for (std::int32_t p = 1; p < n; p *= 2) {
    for (std::int32_t k = p; k >= 1; k /= 2) {
      for (std::int32_t j = k % p; j + k < n; j += 2 * k) {
        for (std::int32_t i = 0; i < std::min(k, n - j - k); ++i) {
          const std::int32_t a = i + j;
          const std::int32_t b = i + j + k;
          if (a / (2 * p) == b / (2 * p) && b < count) {
            network.pairs[network.size++] = {static_cast<std::uint8_t>(a),
                                             static_cast<std::uint8_t>(b)};
          }
        }
      }
    }
  }
  return network;
}
// Decodes the blocks of `width` positions from `high` down while a whole
// block lies at or above `low`; returns the highest position left undone,
// and sets `corrected` when any symbol was corrected (else leaves it).
// REQUIRES: plan.length >= width; the syndromes are followed by at least
// width spare bytes (a chunk may reach past the last check branch).
using ByteBlockPass = std::int32_t (*)(const ByteBlockPlan& plan, std::int32_t high,
                                       std::int32_t low, bool& corrected);

// The pass of `width` (kAvx2Width or kAvx512Width); nullptr where the
// processor lacks the instructions.
ByteBlockPass byteBlockPassFor(std::int32_t width);

}  // namespace vok::detail

#endif  // VOK_CODEC_BYTE_BLOCKS_H_
