// Many consecutive draws of the channel's generator at a fraction of the cost
// of jumping its state draw by draw.
//
// The generator's steps lay down one stream of bits: a state (x, y) packed
// as x | y << 21 is 52 consecutive bits of it, each step appends 21 bits and
// moves the window on by 21, and bit p of the stream is bit p - 52 XOR bit
// p - 31. Squaring that rule six times gives bit p = bit p - 52 * 64 XOR bit
// p - 31 * 64, both whole numbers of 64-bit words back: from the 52nd word
// on (counted from the state's first bit, where the repeated rule starts to
// hold), each word of the stream is one XOR of two earlier words. Draw n's
// numerator y is then bits 126 (n + 1) + 21 .. + 51 of the stream.
#ifndef VOK_CHANNEL_DRAW_STREAM_H_
#define VOK_CHANNEL_DRAW_STREAM_H_

#include <cstdint>

#include "channel/random_generator.h"

namespace vok {

class DrawStream {
 public:
  // Most draws one take() hands out.
  static constexpr std::int32_t kBatch = 256;
  // Fewer draws than this are cheaper through RandomGenerator::nextNumerators
  // than the stream's start-up.
  static constexpr std::int32_t kWorthwhile = 512;

  // Draws from `generator`, leaving it where the draws taken so far would.
  // The generator must not be drawn from by other means meanwhile.
  explicit DrawStream(RandomGenerator& generator);

  DrawStream(const DrawStream&) = delete;
  DrawStream& operator=(const DrawStream&) = delete;

  // The numerators of the next `count` draws. Nothing for count <= 0.
  // REQUIRES: count <= kBatch.
  void take(std::uint32_t* numerators, std::int32_t count);

 private:
  // Words of history the word rule reaches back, and those a batch of draws
  // spans (126 bits each).
  static constexpr int kHistory = 52;
  static constexpr int kBatchWords = kBatch * 126 / 64;
  // The words past a batch a draw or the state after it may read: the base
  // lies up to 63 bits into its word, and each read takes two words.
  static constexpr int kReach = 3;
  static constexpr int kWords = kHistory + kBatchWords + kReach;

  // Makes the stream up to word `end` (exclusive) by the word rule.
  void fill(int end);
  // The 64 stream bits from bit `at` of words_.
  std::uint64_t bitsAt(std::int64_t at) const;
  // The numerator whose 31 bits start at bit `at` of words_.
  std::uint32_t numeratorAt(std::int64_t at) const;

  RandomGenerator& generator_;
  // Stream words. The state the next draw starts from begins at bit base_
  // of word kHistory (base_ < 64); the words before it are history.
  std::uint64_t words_[kWords] = {};
  int base_ = 0;
  // Words of words_ made so far.
  int filled_ = 0;
};

}  // namespace vok

#endif  // VOK_CHANNEL_DRAW_STREAM_H_
