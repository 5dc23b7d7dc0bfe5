// A straightforward encoder, syndrome former and threshold decoder, written
// step by step as the algorithms read (candidate list with linear search,
// scratch cleared for every vote, each position reduced modulo L where it is
// used). The production Codec is checked against
// it bit for bit, and the benchmarks time both.
#ifndef VOK_TESTS_CODEC_REFERENCE_DECODER_H_
#define VOK_TESTS_CODEC_REFERENCE_DECODER_H_

#include <cstdint>
#include <vector>

#include "codec/codec.h"

namespace vok::test {

class ReferenceDecoder {
 public:
  // Takes the code, the bounded schedule, L and Q of a loaded codec.
  // REQUIRES: codec.loaded().
  explicit ReferenceDecoder(const Codec& codec);

  void encode(const std::int32_t* const* info, std::int32_t* const* check) const;
  void loadReceived(const std::int32_t* const* info, const std::int32_t* const* check);
  void iterate(int k);

  const std::int32_t* decision(int i) const { return &u_[index(i, 0)]; }
  const std::int32_t* difference(int i) const { return &d_[index(i, 0)]; }
  const std::int32_t* syndrome(int j) const { return &s_[index(j, 0)]; }

 private:
  std::size_t index(int branch, std::int32_t x) const {
    return static_cast<std::size_t>(branch) * static_cast<std::size_t>(length_) +
           static_cast<std::size_t>(x);
  }
  // position mod L as a non-negative residue; every position y - d and
  // x + d goes through it, with the delays as the code gives them.
  std::int32_t wrap(std::int64_t position) const;

  CodeDescription code_;
  DecoderSchedule schedule_;
  std::int32_t length_;
  std::int32_t q_;
  std::vector<std::int32_t> u_, d_, s_;
  std::vector<std::int32_t> values_;
  std::vector<std::int64_t> counts_;
};

}  // namespace vok::test

#endif  // VOK_TESTS_CODEC_REFERENCE_DECODER_H_
