// The randomised first-fit construction of self-orthogonal codes.
#include "design/code_search.h"

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

namespace vok::design {
namespace {

// How many votes information branch r casts in check branch j: the votes
// spread as evenly as they go, the remainders of successive branches on
// successive check branches so that the check branches stay even too.
int votesIn(const SearchRequest& request, int r, int j) {
  if (!request.layout.empty()) return request.layout[r][j];
  const int base = request.votes / request.nr;
  const int extra = request.votes % request.nr;
  const int shifted = ((j - r * extra) % request.nr + request.nr) % request.nr;
  return base + (shifted < extra ? 1 : 0);
}

// The taps placed so far and the delay differences they use: entry
// (a, b, delta) is set when some check branch holds a tap of branch a at a
// delay d and one of branch b at d + delta.
class Placement {
 public:
  explicit Placement(const SearchRequest& request)
      : nk_(request.nk),
        maxDelay_(request.maxDelay),
        used_(static_cast<std::size_t>(request.nk) * request.nk * (2 * request.maxDelay + 1)),
        columns_(request.nr) {}

  // Places a tap of branch r in check branch j at delay d when that keeps
  // the code self-orthogonal; otherwise changes nothing.
  bool tryPlace(int r, int j, std::int32_t d) {
    const std::size_t mark = marked_.size();
    for (const auto& [i, other] : columns_[j]) {
      if ((i == r && other == d) || !use(r, i, other - d) || !use(i, r, d - other)) {
        rollBack(mark);
        return false;
      }
    }
    columns_[j].emplace_back(r, d);
    return true;
  }

  // Removes the tap placed last in check branch j, whose differences were
  // marked from `mark` on.
  void removeLast(int j, std::size_t mark) {
    columns_[j].pop_back();
    rollBack(mark);
  }

  std::size_t mark() const { return marked_.size(); }

  void clear() {
    rollBack(0);
    for (auto& column : columns_) column.clear();
  }

  CodeDescription code(int nr) const {
    CodeDescription code;
    code.nk = nk_;
    code.nr = nr;
    for (int j = 0; j < nr; ++j) {
      for (const auto& [r, d] : columns_[j]) code.taps[r][j].delays.push_back(d);
      for (int r = 0; r < nk_; ++r)
        std::sort(code.taps[r][j].delays.begin(), code.taps[r][j].delays.end());
    }
    return code;
  }

 private:
  bool use(int a, int b, std::int32_t delta) {
    const std::size_t k =
        (static_cast<std::size_t>(a) * nk_ + b) * (2 * maxDelay_ + 1) + (delta + maxDelay_);
    if (used_[k] != 0) return false;
    used_[k] = 1;
    marked_.push_back(k);
    return true;
  }

  void rollBack(std::size_t mark) {
    while (marked_.size() > mark) {
      used_[marked_.back()] = 0;
      marked_.pop_back();
    }
  }

  int nk_;
  std::int32_t maxDelay_;
  std::vector<std::uint8_t> used_;
  std::vector<std::size_t> marked_;
  std::vector<std::vector<std::pair<int, std::int32_t>>> columns_;
};

// A draw below n from the generator; the same on every platform, unlike the
// standard distributions.
std::size_t below(std::mt19937_64& random, std::size_t n) { return random() % n; }

// One attempt with every delay at most `bound`; the largest delay used, or
// nothing when some tap found no room.
std::optional<std::int32_t> attempt(std::int32_t bound, bool randomDelays,
                                    std::vector<std::pair<int, int>>& slots,
                                    std::mt19937_64& random, Placement& placement) {
  for (std::size_t k = slots.size(); k > 1; --k) std::swap(slots[k - 1], slots[below(random, k)]);
  placement.clear();
  const auto span = static_cast<std::size_t>(bound) + 1;
  std::int32_t largest = 0;
  for (const auto& [r, j] : slots) {
    // First fit takes mostly the smallest delay that fits, a quarter of the
    // time the next one (pure first fit repeats itself too often); random
    // fit the first that fits from a random start on, cyclically.
    int skip = !randomDelays && below(random, 4) == 0 ? 1 : 0;
    const std::size_t start = randomDelays ? below(random, span) : 0;
    std::optional<std::int32_t> placed;
    for (std::size_t k = 0; k < span && !placed; ++k) {
      const auto d = static_cast<std::int32_t>((start + k) % span);
      const std::size_t mark = placement.mark();
      if (!placement.tryPlace(r, j, d)) continue;
      if (skip > 0) {
        placement.removeLast(j, mark);
        --skip;
        continue;
      }
      placed = d;
    }
    if (!placed) return std::nullopt;
    largest = std::max(largest, *placed);
  }
  return largest;
}

}  // namespace

std::int32_t largestDelayLowerBound(const SearchRequest& request) {
  // Without a layout the votes spread evenly, which makes both sums below
  // as small as any spread can, so the bound holds for every code of these
  // dimensions.
  std::int64_t bound = 0;
  for (int r = 0; r < request.nk; ++r) {
    std::int64_t pairs = 0;
    std::int64_t most = 0;
    for (int j = 0; j < request.nr; ++j) {
      const std::int64_t c = votesIn(request, r, j);
      pairs += c * (c - 1);
      most = std::max(most, c);
    }
    bound = std::max({bound, (pairs + 1) / 2, most - 1});
  }
  return static_cast<std::int32_t>(bound);
}

SearchOutcome searchCode(const SearchRequest& request,
                         const std::function<bool(const SearchProgress&)>& stop) {
  SearchOutcome outcome;
  const std::int32_t lowest = largestDelayLowerBound(request);
  if (lowest > request.maxDelay) {
    outcome.atLowerBound = true;
    return outcome;
  }
  std::vector<std::pair<int, int>> slots;
  for (int r = 0; r < request.nk; ++r) {
    for (int j = 0; j < request.nr; ++j) {
      for (int n = votesIn(request, r, j); n > 0; --n) slots.emplace_back(r, j);
    }
  }
  std::mt19937_64 random(request.seed);
  Placement placement(request);
  SearchProgress& progress = outcome.progress;
  while (progress.attempts < request.maxAttempts && !stop(progress)) {
    const std::int32_t bound = progress.bestDelay ? *progress.bestDelay - 1 : request.maxDelay;
    ++progress.attempts;
    const std::optional<std::int32_t> largest =
        attempt(bound, request.randomDelays, slots, random, placement);
    if (!largest) continue;
    progress.bestDelay = *largest;
    progress.foundAt = progress.attempts;
    outcome.code = placement.code(request.nr);
    outcome.atLowerBound = *largest <= lowest;
    if (outcome.atLowerBound || request.randomDelays) break;
  }
  return outcome;
}

}  // namespace vok::design
