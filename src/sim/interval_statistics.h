// Confidence intervals for the rates a simulation reports.
//
// A block error rate counts independent blocks, so a binomial interval fits
// it. Symbol errors are not independent: a block the decoder does not finish
// keeps hundreds of wrong symbols, one it finishes keeps none. Their rate is
// therefore treated as the mean of one value per block (the block's share
// of wrong symbols), with the blocks as the independent samples.
#ifndef VOK_SIM_INTERVAL_STATISTICS_H_
#define VOK_SIM_INTERVAL_STATISTICS_H_

#include <cstdint>

namespace vok::sim {

// The two-sided 95 % normal quantile.
inline constexpr double kZ95 = 1.959963984540054;

struct Interval {
  double low = 0.0;
  double high = 0.0;
};

// The Wilson score interval of `failures` in `trials` at quantile z, within
// 0..1. REQUIRES: trials >= 1; 0 <= failures <= trials; z > 0.
Interval wilsonInterval(std::int64_t failures, std::int64_t trials, double z = kZ95);

// The one-sided 95 % upper bound on a rate when none of `blocks` blocks
// failed: 1 - 0.05^(1/B), about 3/B. Since a failed block holds at most all
// its symbols wrong, it bounds the symbol error rate too.
// REQUIRES: blocks >= 1.
double zeroFailureBound(std::int64_t blocks);

// The 95 % interval of the symbol error rate with blocks as the samples:
// block b has e_b wrong symbols of `symbolsPerBlock`; `errors` is the sum of
// e_b and `errorSquares` the sum of e_b^2 over the `blocks` blocks. The
// normal interval of the mean share, mean +- z s / sqrt(B) with s the sample
// deviation, cut to 0..1; when no symbol is wrong, 0 to zeroFailureBound(B).
// REQUIRES: blocks >= 1; symbolsPerBlock >= 1; the sums belong to such blocks.
Interval blockMeanInterval(std::int64_t errors, double errorSquares, std::int64_t blocks,
                           std::int32_t symbolsPerBlock);

}  // namespace vok::sim

#endif  // VOK_SIM_INTERVAL_STATISTICS_H_
