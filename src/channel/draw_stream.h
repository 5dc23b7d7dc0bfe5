// Many consecutive draws of the channel's generator at a fraction of the cost
// of jumping its state draw by draw.
//
// The generator's steps lay down one stream of bits: a state (x, y) packed
// as x | y << 21 is 52 consecutive bits of it, each step appends 21 bits and
// moves the window on by 21, and bit p of the stream is bit p - 52 XOR bit
// p - 31. Squaring that rule k times gives bit p = bit p - 52 * 2^k XOR bit
// p - 31 * 2^k. Six squarings make both lags whole numbers of 64-bit words
// (52 and 31 words back), which is how the stream starts; nine make them
// whole numbers of 8-word vectors (416 and 248 words back), far enough that
// a vector's stores have long reached the cache when a later vector reads
// them: from the 416th word on (counted from the state's first bit) the
// stream is made 8 words at a time. Draw n's numerator y is then bits
// 126 (n + 1) + 21 .. + 51 of the stream.
#ifndef VOK_CHANNEL_DRAW_STREAM_H_
#define VOK_CHANNEL_DRAW_STREAM_H_

#include <cstdint>

#include "channel/random_generator.h"

namespace vok {

class DrawStream {
 public:
  // Most draws one take() hands out.
  static constexpr std::int32_t kBatch = 1024;
  // Fewer draws than this are cheaper through RandomGenerator::nextNumerators
  // than the stream's start-up.
  static constexpr std::int32_t kWorthwhile = 512;
  // The lags of the vector rule in words, and the words it makes at once.
  static constexpr int kFarLag = 416;
  static constexpr int kNearLag = 248;
  static constexpr int kVectorWords = 8;

  // Draws from `generator`, leaving it where the draws taken so far would.
  // The generator must not be drawn from by other means meanwhile.
  explicit DrawStream(RandomGenerator& generator);

  DrawStream(const DrawStream&) = delete;
  DrawStream& operator=(const DrawStream&) = delete;

  // The numerators of the next `count` draws. Nothing for count <= 0.
  // REQUIRES: count <= kBatch.
  void take(std::uint32_t* numerators, std::int32_t count);

 private:
  // The words of history the vector rule reaches back.
  static constexpr int kHistory = kFarLag;
  // Words a batch of draws spans (126 bits each).
  static constexpr int kBatchWords = kBatch * 126 / 64;
  // The words past a batch a draw or the state after it may read: the base
  // lies up to 63 bits into its word, and each read takes two words.
  static constexpr int kReach = 3;
  static constexpr int kWords = kHistory + kBatchWords + kReach + kVectorWords - 1;

  // Makes the stream at least up to word `end` (exclusive) by the vector
  // rule, whole vectors at a time.
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
