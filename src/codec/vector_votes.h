// Which of the decoder's vector paths run: AVX-512 votes (decided once from
// the processor) and votes of 16 positions at once. Tests switch them off
// to check every path against the same reference.
#ifndef VOK_CODEC_VECTOR_VOTES_H_
#define VOK_CODEC_VECTOR_VOTES_H_

// 1 where the build can hold x86 vector code (GCC or clang on x86-64): the
// vector paths are compiled, and chosen at run time from the processor.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VOK_VECTOR_VOTES 1
#else
#define VOK_VECTOR_VOTES 0
#endif

namespace vok::detail {

// Whether this build and processor can use the AVX-512 votes (AVX-512 F
// and CD).
bool vectorVotesSupported();

// Whether this build and processor can use AVX2 (for the block votes).
bool avx2Supported();

// Whether the processor also counts bits in vector registers, which lets
// the whole vote run there.
bool vectorCountsSupported();

// Whether it is used: true by default where supported; setting it true
// where it is not supported has no effect.
bool& vectorVotesEnabled();

// Whether the decoder votes 16 positions of a branch at once where the
// processor has AVX-512 or AVX2 (with AVX-512 only while the vector votes
// are on): true by default; tests switch it off to check the votes taken
// one by one.
bool& blockVotesEnabled();

}  // namespace vok::detail

#endif  // VOK_CODEC_VECTOR_VOTES_H_
