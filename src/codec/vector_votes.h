// Whether the decoder's first look at each vote uses the processor's
// AVX-512 conflict detection (decided once from the processor; tests switch
// it off to check the scalar look against the same reference).
#ifndef VOK_CODEC_VECTOR_VOTES_H_
#define VOK_CODEC_VECTOR_VOTES_H_

namespace vok::detail {

// Whether this build and processor can use it.
bool vectorVotesSupported();

// Whether the processor also counts bits in vector registers, which lets
// the whole vote run there.
bool vectorCountsSupported();

// Whether it is used: true by default where supported; setting it true
// where it is not supported has no effect.
bool& vectorVotesEnabled();

// Whether the decoder, where it uses AVX-512, votes 16 positions of a
// branch at once: true by default; tests switch it off to check the votes
// taken one by one.
bool& blockVotesEnabled();

}  // namespace vok::detail

#endif  // VOK_CODEC_VECTOR_VOTES_H_
