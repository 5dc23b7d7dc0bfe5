// The capacity of the Q-ary symmetric channel, and the P0 at which it falls
// to a code's rate: beyond that P0 no code of that rate can be decoded
// reliably, so it is the limit the decoder's threshold is measured against.
#ifndef VOK_SIM_SWEEP_CAPACITY_H_
#define VOK_SIM_SWEEP_CAPACITY_H_

namespace vok::sim {

// C(P0) = log2 Q - h(P0) - P0 * log2(Q - 1) in bits per symbol, where h is the
// binary entropy. REQUIRES: q >= 2, 0 <= p0 <= 1.
double qaryCapacityBits(double p0, int q);

// The P0 in [0, (Q - 1) / Q] with C(P0) = rate * log2 Q; C falls steadily
// over that range. Rates <= 0 give (Q - 1) / Q, rates >= 1 give 0.
// REQUIRES: q >= 2.
double capacityLimitP0(double rate, int q);

}  // namespace vok::sim

#endif  // VOK_SIM_SWEEP_CAPACITY_H_
