// The shift-and-exclusive-or generator that drives the channel.
//
// Two 32-bit words x and y; every draw advances them six steps and returns
// y / (2^31 - 1). The whole sequence follows from the seed, and only the low
// 21 bits of the seed matter.
#ifndef VOK_CHANNEL_RANDOM_GENERATOR_H_
#define VOK_CHANNEL_RANDOM_GENERATOR_H_

#include <cstdint>

namespace vok {

class RandomGenerator {
 public:
  // A generator that has not been seeded behaves as if seeded with 0.
  RandomGenerator() { seed(0); }

  // Restarts the sequence: x = the seed's 32-bit pattern, y = 7799.
  void seed(std::int32_t seed) {
    x_ = static_cast<std::uint32_t>(seed);
    y_ = kStartY;
  }

  // Advances six steps and returns y / B, a multiple of 1/2147483647 in [0, 1].
  double next() {
    for (int step = 0; step < 6; ++step) {
      const std::uint32_t newX = kMaskA & y_;
      const std::uint32_t newY = ((y_ >> 21) ^ ((x_ ^ y_) << 10)) & kMaskB;
      x_ = newX;
      y_ = newY;
    }
    return static_cast<double>(y_) / static_cast<double>(kMaskB);
  }

  // The raw state, for tests and for replaying a position.
  std::uint32_t x() const { return x_; }
  std::uint32_t y() const { return y_; }

  static constexpr std::uint32_t kMaskA = 0x1FFFFF;    // 2^21 - 1
  static constexpr std::uint32_t kMaskB = 0x7FFFFFFF;  // 2^31 - 1, divisor of every draw
  static constexpr std::uint32_t kStartY = 7799;

 private:
  std::uint32_t x_;
  std::uint32_t y_;
};

}  // namespace vok

#endif  // VOK_CHANNEL_RANDOM_GENERATOR_H_
