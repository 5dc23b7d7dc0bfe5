// The straightforward codec the fast one is checked and timed against.
#include "reference_decoder.h"

namespace vok::test {

ReferenceDecoder::ReferenceDecoder(const Codec& codec)
    : code_(codec.code()),
      schedule_(codec.schedule()),
      length_(codec.branchLength()),
      q_(codec.q()),
      u_(static_cast<std::size_t>(codec.nk()) * static_cast<std::size_t>(length_)),
      d_(u_.size()),
      s_(static_cast<std::size_t>(codec.nr()) * static_cast<std::size_t>(length_)),
      values_(static_cast<std::size_t>(code_.voteScratchCapacity())),
      counts_(values_.size()) {}

std::int32_t ReferenceDecoder::wrap(std::int64_t position) const {
  const std::int64_t r = position % length_;
  return static_cast<std::int32_t>(r < 0 ? r + length_ : r);
}

void ReferenceDecoder::encode(const std::int32_t* const* info, std::int32_t* const* check) const {
  for (std::int32_t x = 0; x < length_; ++x) {
    for (int j = 0; j < code_.nr; ++j) {
      std::int64_t sum = 0;
      for (int i = 0; i < code_.nk; ++i) {
        for (std::int32_t d : code_.taps[i][j].delays) sum += info[i][wrap(std::int64_t{x} + d)];
      }
      check[j][x] = static_cast<std::int32_t>(sum % q_);
    }
  }
}

void ReferenceDecoder::loadReceived(const std::int32_t* const* info,
                                    const std::int32_t* const* check) {
  for (int i = 0; i < code_.nk; ++i) {
    for (std::int32_t x = 0; x < length_; ++x) {
      u_[index(i, x)] = info[i][x];
      d_[index(i, x)] = 0;
    }
  }
  for (int j = 0; j < code_.nr; ++j) {
    for (std::int32_t x = 0; x < length_; ++x) s_[index(j, x)] = check[j][x];
  }
  for (std::int32_t x = 0; x < length_; ++x) {
    for (int j = 0; j < code_.nr; ++j) {
      std::int64_t sum = 0;
      for (int i = 0; i < code_.nk; ++i) {
        for (std::int32_t d : code_.taps[i][j].delays) {
          sum += u_[index(i, wrap(std::int64_t{x} + d))];
        }
      }
      std::int32_t& s = s_[index(j, x)];
      s = static_cast<std::int32_t>((q_ - s + sum) % q_);
    }
  }
}

void ReferenceDecoder::iterate(int k) {
  const int voters = schedule_.p[k];
  const int decoded = schedule_.i[k];
  const int weight = schedule_.w[k];
  const int threshold = schedule_.t[k];
  for (std::int32_t y = length_ - 1; y >= 0; --y) {
    for (int r = 0; r < decoded; ++r) {
      // Vote: the candidate list, searched linearly.
      for (std::size_t c = 0; c < values_.size(); ++c) {
        values_[c] = 0;
        counts_[c] = 0;
      }
      std::size_t n = 0;
      if (weight != 0) {
        values_[0] = d_[index(r, y)];
        counts_[0] = weight;
        n = 1;
      }
      for (int j = 0; j < voters; ++j) {
        for (std::int32_t d : code_.taps[r][j].delays) {
          const std::int32_t s = s_[index(j, wrap(std::int64_t{y} - d))];
          std::size_t c = 0;
          while (c < n && values_[c] != s) ++c;
          if (c < n) {
            ++counts_[c];
          } else {
            values_[n] = s;
            counts_[n] = 1;
            ++n;
          }
        }
      }
      std::int32_t winner = values_[0];
      std::int64_t winnerCount = counts_[0];
      for (std::size_t c = 0; c < n; ++c) {
        if (counts_[c] > winnerCount) {
          winner = values_[c];
          winnerCount = counts_[c];
        }
      }
      std::int64_t runnerUp = 0;
      for (std::size_t c = 0; c < n; ++c) {
        if (values_[c] != winner && counts_[c] > runnerUp) runnerUp = counts_[c];
      }
      const std::int64_t margin = winnerCount - runnerUp;
      // Apply.
      const std::int32_t e = winner;
      if (margin > threshold && e != 0) {
        for (int j = 0; j < code_.nr; ++j) {
          for (std::int32_t d : code_.taps[r][j].delays) {
            std::int32_t& s = s_[index(j, wrap(std::int64_t{y} - d))];
            s = (q_ + s - e) % q_;
          }
        }
        std::int32_t& dd = d_[index(r, y)];
        dd = (q_ + dd - e) % q_;
        std::int32_t& u = u_[index(r, y)];
        u = (q_ + u - e) % q_;
      }
    }
  }
}

}  // namespace vok::test
