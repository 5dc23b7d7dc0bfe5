// The Q-ary symmetric channel: each symbol arrives unchanged with probability
// 1 - P0 and otherwise as one of the other Q - 1 values, all equally likely.
//
// One draw decides both whether and how a symbol is hit: a draw r <= P0 is
// an error, and its float rounding picks the error value n, the smallest
// n >= 1 with n * d >= r_f, where d = P0 / (Q - 1) rounded to float. n is not
// capped at Q - 1: where float rounding makes (Q - 1) * d < P0, a draw can
// give n = Q and leave the symbol unchanged.
#ifndef VOK_CHANNEL_QARY_CHANNEL_H_
#define VOK_CHANNEL_QARY_CHANNEL_H_

#include <cstdint>
#include <cstdio>

#include "channel/channel.h"
#include "channel/error_value_table.h"

namespace vok {

class QaryChannel final : public Channel {
 public:
  QaryChannel() = default;

  void printSummary(std::FILE* stream) const override;
  // dst[i] = (src[i] + n) mod Q. A NaN P0 corrupts nothing.
  void transmit(const std::int32_t* src, std::int32_t* dst, std::int32_t count) override;
  // The same for byte symbols, with the same draws. REQUIRES: Q <= 256.
  void transmit(const std::uint8_t* src, std::uint8_t* dst, std::int32_t count);
  // The base block, then "Канал с Q=%d ортогональными сигналами\n".
  void printParameters(std::FILE* stream) const override;

  // REQUIRES: q >= 2.
  void setQ(std::int32_t q) { q_ = q; }
  std::int32_t q() const { return q_; }

 private:
  template <typename Symbol>
  void transmitSymbols(const Symbol* src, Symbol* dst, std::int32_t count);

  std::int32_t q_ = 256;
  // The error value by numerator for the current P0 and Q, rebuilt when
  // they change.
  detail::ErrorValueTable errorValues_;
};

}  // namespace vok

#endif  // VOK_CHANNEL_QARY_CHANNEL_H_
