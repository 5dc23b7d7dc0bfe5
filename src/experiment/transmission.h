// One transmission, the step the window's experiment and every block of a
// sweep share: the sent branches pass through the channel into the received
// ones, which the decoder takes, and decoding runs to its end by one stop
// rule. Keeping the order and the rule here keeps a sweep block exactly one
// transmission of the window.
#ifndef VOK_EXPERIMENT_TRANSMISSION_H_
#define VOK_EXPERIMENT_TRANSMISSION_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "channel/qary_channel.h"
#include "codec/codec.h"

namespace vok {

// The branches of a block stored one after another, nk information branches
// and then nr check branches of `length` symbols each, with the pointers the
// codec takes. Symbol is std::uint8_t (the window) or std::int32_t (a sweep).
template <typename Symbol>
struct BranchBlock {
  std::vector<Symbol> symbols;
  std::vector<Symbol*> info;
  std::vector<Symbol*> check;
  std::int32_t length = 0;

  // Makes nk + nr branches of zeros.
  void assign(int nk, int nr, std::int32_t branchLength);
  // Frees the storage; the block is then empty.
  void release();

  // Branch k: information branches 0..nk-1, then the check branches.
  Symbol* branch(int k) { return symbols.data() + static_cast<std::size_t>(k) * length; }
  const Symbol* branch(int k) const {
    return symbols.data() + static_cast<std::size_t>(k) * length;
  }
  int branchCount() const { return static_cast<int>(info.size() + check.size()); }
};

// Encodes the information branches of `block` into its check branches.
template <typename Symbol>
void encodeBlock(const Codec& codec, BranchBlock<Symbol>& block);

// Sends `sent` through `channel` at `p0` into `received` (the same shape),
// the information branches first and then the check branches, which fixes the
// random numbers each symbol gets, and loads the result into `codec`.
template <typename Symbol>
void transmitBlock(QaryChannel& channel, float p0, const BranchBlock<Symbol>& sent,
                   BranchBlock<Symbol>& received, Codec& codec);

// Runs the iterations from `k` on to the end of decoding, leaving `k` at the
// next one: the first iteration of a transmission (k == 0) always runs, each
// later one only while `goOn()` says the one before left work to do, and none
// beyond `itert`. `iterate(k)` runs iteration k.
template <typename Iterate, typename GoOn>
void decodeToEnd(int& k, int itert, Iterate&& iterate, GoOn&& goOn) {
  while (k < itert && (k == 0 || goOn())) {
    iterate(k);
    ++k;
  }
}

}  // namespace vok

#endif  // VOK_EXPERIMENT_TRANSMISSION_H_
