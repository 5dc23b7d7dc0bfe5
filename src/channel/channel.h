// The channel family: an abstract `Channel` with the symbol error probability
// P0, the seed kst and the generator it owns, and the operations every
// channel offers.
#ifndef VOK_CHANNEL_CHANNEL_H_
#define VOK_CHANNEL_CHANNEL_H_

#include <cstdint>
#include <cstdio>
#include <memory>

#include "channel/random_generator.h"

namespace vok {

class Channel {
 public:
  Channel();
  virtual ~Channel();

  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  // Writes "\nВероятность ошибки: P0=%6.2e\n" (Windows-1251 bytes).
  virtual void printSummary(std::FILE* stream) const = 0;

  // Writes into dst[0..count) the received form of src[0..count). src and
  // dst may be the same array. Takes exactly one draw per symbol; count <= 0
  // writes nothing and takes no draw.
  // REQUIRES: symbols of src in 0..Q-1.
  virtual void transmit(const std::int32_t* src, std::int32_t* dst, std::int32_t count) = 0;

  // Writes the parameter block: title, P0 and kst lines (Windows-1251 bytes).
  virtual void printParameters(std::FILE* stream) const;

  // Seeds the generator with kst, restarting its sequence. Always true.
  virtual bool reseed();

  // No check is made on P0; see the concrete channel for what odd values do.
  void setP0(float p0) { p0_ = p0; }
  // Takes effect at the next reseed().
  void setSeed(std::int32_t seed) { kst_ = seed; }

  float p0() const { return p0_; }
  std::int32_t seed() const { return kst_; }

 protected:
  RandomGenerator& generator() { return *generator_; }

 private:
  std::unique_ptr<RandomGenerator> generator_;
  float p0_ = 0.0f;
  std::int32_t kst_ = 0;
};

}  // namespace vok

#endif  // VOK_CHANNEL_CHANNEL_H_
