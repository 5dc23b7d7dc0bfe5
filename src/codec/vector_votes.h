// Which of the decoder's vector paths run. The byte registers' block pass
// takes 64 positions per vector with AVX-512 (F and BW) or 32 with AVX2,
// chosen at run time from the processor; without AVX2 every vote is taken
// one by one. Tests and the benchmarks switch paths off to check and time
// each one.
#ifndef VOK_CODEC_VECTOR_VOTES_H_
#define VOK_CODEC_VECTOR_VOTES_H_

#include "common/processor_features.h"

// 1 where the build can hold x86 vector code: the vector paths are
// compiled, and chosen at run time from the processor.
#define VOK_VECTOR_VOTES VOK_X86_VECTORS

namespace vok::detail {

// Whether this build and processor have AVX-512 F and BW (the 64-lane
// pass), and AVX2 (the 32-lane pass). Each is asked of the processor once.
bool avx512Supported();
bool avx2Supported();

// Whether the 64-lane pass is used where supported: true by default;
// setting it where it is not supported has no effect.
bool& avx512Enabled();

// Whether the block passes are used at all: true by default; off, every
// vote is taken one by one.
bool& blockVotesEnabled();

// The width of the block pass the decoder uses now with byte registers
// (64, 32), or 0 when it votes one by one.
int blockVoteWidth();

}  // namespace vok::detail

#endif  // VOK_CODEC_VECTOR_VOTES_H_
