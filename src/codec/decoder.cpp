// The iterative threshold decoder: one pass of majority votes over the
// syndromes, with every correction pushed at once into U, D and S.
#include "codec/codec.h"

#include <cstddef>

namespace vok {

void Codec::iterate(int k) {
  const int voters = schedule_.p[k];   // check branches that vote
  const int decoded = schedule_.i[k];  // information branches decoded
  const int weight = schedule_.w[k];   // weight of the received value's vote
  const int threshold = schedule_.t[k];
  const std::size_t length = static_cast<std::size_t>(length_);
  const std::size_t capacity = voteValues_.size();
  std::int32_t* values = voteValues_.data();
  std::int64_t* counts = voteCounts_.data();

  for (std::int32_t y = length_ - 1; y >= 0; --y) {
    for (int r = 0; r < decoded; ++r) {
      // Vote.
      for (std::size_t c = 0; c < capacity; ++c) {
        values[c] = 0;
        counts[c] = 0;
      }
      std::size_t n = 0;
      std::int32_t& own = differences_[r * length + static_cast<std::size_t>(y)];
      if (weight != 0) {
        values[0] = own;
        counts[0] = weight;
        n = 1;
      }
      for (int j = 0; j < voters; ++j) {
        const std::int32_t* s = syndromes_.data() + j * length;
        for (std::int32_t d : reduced_.taps[r][j].delays) {
          const std::int32_t value = s[y >= d ? y - d : y - d + length_];
          std::size_t c = 0;
          while (c < n && values[c] != value) ++c;
          if (c < n) {
            ++counts[c];
          } else {
            values[n] = value;
            counts[n] = 1;
            ++n;
          }
        }
      }
      std::int32_t winner = values[0];
      std::int64_t winnerCount = counts[0];
      for (std::size_t c = 0; c < n; ++c) {
        if (counts[c] > winnerCount) {
          winner = values[c];
          winnerCount = counts[c];
        }
      }
      std::int64_t runnerUpCount = 0;
      for (std::size_t c = 0; c < n; ++c) {
        if (values[c] != winner && counts[c] > runnerUpCount) runnerUpCount = counts[c];
      }
      const std::int64_t margin = winnerCount - runnerUpCount;

      // Apply.
      const std::int32_t e = winner;
      if (margin > threshold && e != 0) {
        for (int j = 0; j < code_.nr; ++j) {
          std::int32_t* s = syndromes_.data() + j * length;
          for (std::int32_t d : reduced_.taps[r][j].delays) {
            std::int32_t& x = s[y >= d ? y - d : y - d + length_];
            x = (q_ + x - e) % q_;
          }
        }
        own = (q_ + own - e) % q_;
        std::int32_t& u = decisions_[r * length + static_cast<std::size_t>(y)];
        u = (q_ + u - e) % q_;
      }
    }
  }
}

}  // namespace vok
