#include "experiment/transmission.h"

namespace vok {

template <typename Symbol>
void BranchBlock<Symbol>::assign(int nk, int nr, std::int32_t branchLength) {
  length = branchLength;
  symbols.assign(static_cast<std::size_t>(nk + nr) * static_cast<std::size_t>(length), 0);
  info.resize(static_cast<std::size_t>(nk));
  check.resize(static_cast<std::size_t>(nr));
  for (int i = 0; i < nk; ++i) info[static_cast<std::size_t>(i)] = branch(i);
  for (int j = 0; j < nr; ++j) check[static_cast<std::size_t>(j)] = branch(nk + j);
}

template <typename Symbol>
void BranchBlock<Symbol>::release() {
  std::vector<Symbol>().swap(symbols);
  info.clear();
  check.clear();
}

template <typename Symbol>
void encodeBlock(const Codec& codec, BranchBlock<Symbol>& block) {
  codec.encode(static_cast<const Symbol* const*>(block.info.data()), block.check.data());
}

template <typename Symbol>
void transmitBlock(QaryChannel& channel, float p0, const BranchBlock<Symbol>& sent,
                   BranchBlock<Symbol>& received, Codec& codec) {
  channel.setP0(p0);
  for (int k = 0; k < sent.branchCount(); ++k) {
    channel.transmit(sent.branch(k), received.branch(k), sent.length);
  }
  codec.loadReceived(static_cast<const Symbol* const*>(received.info.data()),
                     static_cast<const Symbol* const*>(received.check.data()));
}

template struct BranchBlock<std::uint8_t>;
template struct BranchBlock<std::int32_t>;
template void encodeBlock(const Codec&, BranchBlock<std::uint8_t>&);
template void encodeBlock(const Codec&, BranchBlock<std::int32_t>&);
template void transmitBlock(QaryChannel&, float, const BranchBlock<std::uint8_t>&,
                            BranchBlock<std::uint8_t>&, Codec&);
template void transmitBlock(QaryChannel&, float, const BranchBlock<std::int32_t>&,
                            BranchBlock<std::int32_t>&, Codec&);

}  // namespace vok
