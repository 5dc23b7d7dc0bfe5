// The shift-and-exclusive-or generator that drives the channel.
//
// Two 32-bit words x and y; every draw advances them six steps and returns
// y / (2^31 - 1). The whole sequence follows from the seed, and only the low
// 21 bits of the seed matter.
//
// One step is linear over GF(2) on the bits of the state: new x = the low 21
// bits of y, new y = ((y >> 21) ^ ((x ^ y) << 10)) & (2^31 - 1). Only the
// low 21 bits of x ever reach the result (the others are shifted out or
// masked away, also in the first step after seeding, where x may hold the
// full seed), and y stays below 2^31. So the state is 52 bits, packed as
// x | y << 21, and six steps are one linear map of those bits: the XOR of
// one table entry per byte of the packed state (jump tables, built at
// compile time from the plain step). Draws in bulk run several states side
// by side, each jumping a multiple of six steps, so that their table
// look-ups overlap.
#ifndef VOK_CHANNEL_RANDOM_GENERATOR_H_
#define VOK_CHANNEL_RANDOM_GENERATOR_H_

#include <array>
#include <cstdint>

namespace vok {

namespace detail {

// One step of the generator on the 32-bit words, as the rule reads.
constexpr void generatorStep(std::uint32_t& x, std::uint32_t& y) {
  const std::uint32_t newX = 0x1FFFFFu & y;
  const std::uint32_t newY = ((y >> 21) ^ ((x ^ y) << 10)) & 0x7FFFFFFFu;
  x = newX;
  y = newY;
}

// The packed state x | y << 21 (x reduced to its 21 bits that matter).
constexpr std::uint64_t packState(std::uint32_t x, std::uint32_t y) {
  return std::uint64_t{x & 0x1FFFFFu} | (std::uint64_t{y} << 21);
}

// The map of `steps` generator steps on packed states, as seven tables of
// 256 entries: the image of a state is the XOR of the entries of its bytes.
class GeneratorJump {
 public:
  static constexpr int kBytes = 7;  // 52 state bits

  constexpr explicit GeneratorJump(int steps) : table_{} {
    // The image of each state bit, by the plain step.
    std::array<std::uint64_t, 8 * kBytes> column{};
    for (int bit = 0; bit < 52; ++bit) {
      const std::uint64_t state = std::uint64_t{1} << bit;
      auto x = static_cast<std::uint32_t>(state & 0x1FFFFFu);
      auto y = static_cast<std::uint32_t>(state >> 21);
      for (int step = 0; step < steps; ++step) generatorStep(x, y);
      column[bit] = packState(x, y);
    }
    for (int byte = 0; byte < kBytes; ++byte) {
      for (int value = 0; value < 256; ++value) {
        std::uint64_t image = 0;
        for (int bit = 0; bit < 8; ++bit) {
          if ((value >> bit) & 1) image ^= column[8 * byte + bit];
        }
        table_[byte][value] = image;
      }
    }
  }

  // REQUIRES: state < 2^52 (a packed state).
  std::uint64_t operator()(std::uint64_t s) const {
    return (table_[0][s & 0xFF] ^ table_[1][(s >> 8) & 0xFF]) ^
           (table_[2][(s >> 16) & 0xFF] ^ table_[3][(s >> 24) & 0xFF]) ^
           (table_[4][(s >> 32) & 0xFF] ^ table_[5][(s >> 40) & 0xFF]) ^ table_[6][s >> 48];
  }

 private:
  std::array<std::array<std::uint64_t, 256>, kBytes> table_;
};

// States run side by side in bulk draws.
inline constexpr int kGeneratorLanes = 4;
// One draw (six steps), and kGeneratorLanes draws at once.
inline constexpr GeneratorJump kDrawJump{6};
inline constexpr GeneratorJump kLanesJump{6 * kGeneratorLanes};

}  // namespace detail

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
    unpack(detail::kDrawJump(detail::packState(x_, y_)));
    return static_cast<double>(y_) / static_cast<double>(kMaskB);
  }

  // The numerators y of the next `count` draws (draw = y / B), leaving the
  // generator where `count` calls of next() would. Nothing for count <= 0.
  void nextNumerators(std::uint32_t* numerators, std::int32_t count) {
    if (count <= 0) return;
    std::uint64_t lane[detail::kGeneratorLanes];
    std::uint64_t state = detail::packState(x_, y_);
    for (auto& s : lane) s = state = detail::kDrawJump(state);
    std::int32_t i = 0;
    for (; i + detail::kGeneratorLanes <= count; i += detail::kGeneratorLanes) {
      for (int n = 0; n < detail::kGeneratorLanes; ++n) {
        numerators[i + n] = static_cast<std::uint32_t>(lane[n] >> 21);
        state = lane[n];
        lane[n] = detail::kLanesJump(lane[n]);
      }
    }
    // The last few draws, one lane each; `state` is that of draw i - 1.
    for (int n = 0; i < count; ++i, ++n) {
      state = lane[n];
      numerators[i] = static_cast<std::uint32_t>(state >> 21);
    }
    unpack(state);
  }

  // The raw state, for tests and for replaying a position.
  std::uint32_t x() const { return x_; }
  std::uint32_t y() const { return y_; }
  // The state as its 52 bits that matter, x | y << 21, and back.
  std::uint64_t packed() const { return detail::packState(x_, y_); }
  void setPacked(std::uint64_t state) { unpack(state); }

  static constexpr std::uint32_t kMaskA = 0x1FFFFF;    // 2^21 - 1
  static constexpr std::uint32_t kMaskB = 0x7FFFFFFF;  // 2^31 - 1, divisor of every draw
  static constexpr std::uint32_t kStartY = 7799;

 private:
  void unpack(std::uint64_t state) {
    x_ = static_cast<std::uint32_t>(state) & kMaskA;
    y_ = static_cast<std::uint32_t>(state >> 21);
  }

  std::uint32_t x_;
  std::uint32_t y_;
};

}  // namespace vok

#endif  // VOK_CHANNEL_RANDOM_GENERATOR_H_
