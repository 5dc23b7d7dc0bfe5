// Construction of self-orthogonal codes: nk information and nr check
// branches, every information branch voting `votes` times, all delays at
// most a bound, the largest delay as small as the search finds.
//
// Each attempt places the taps one at a time in an order drawn at random,
// each at the smallest delay that keeps the code self-orthogonal (now and
// then the next one), and gives up when a tap finds no room below the best
// largest delay so far. Two symbols share a check exactly when the
// difference of their delays in that check branch does; the code is
// self-orthogonal when no such difference, taken with the two information
// branches, occurs twice. The result holds for every branch length larger
// than twice its largest delay. Attempts follow from the seed alone, so
// the same seed and number of attempts give the same code.
#ifndef VOK_DESIGN_CODE_SEARCH_H_
#define VOK_DESIGN_CODE_SEARCH_H_

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "codec/code_description.h"

namespace vok::design {

struct SearchRequest {
  int nk = 8;
  int nr = 8;
  int votes = 16;
  std::int32_t maxDelay = 1000;
  std::uint64_t seed = 1;
  std::int64_t maxAttempts = std::numeric_limits<std::int64_t>::max();
  // Each tap at a random delay that fits rather than the smallest, and the
  // first code found is the result: delays spread over 0..maxDelay, so that
  // the decoder's votes meet again only over long paths.
  bool randomDelays = false;
  // layout[r][j]: the votes of information branch r in check branch j, each
  // row adding up to `votes`. Empty: the votes spread as evenly as they go,
  // over the check branches of each information branch and over the
  // information branches of each check branch.
  std::vector<std::vector<int>> layout;
};

// Where the search stands; handed to the caller before every attempt.
struct SearchProgress {
  std::int64_t attempts = 0;              // made so far
  std::optional<std::int32_t> bestDelay;  // largest delay of the best code so far
  std::int64_t foundAt = 0;               // the attempt (1-based) that found it
};

struct SearchOutcome {
  std::optional<CodeDescription> code;  // none: no code found
  SearchProgress progress;
  // No code of these dimensions can have a smaller largest delay (the
  // search stopped there), or, without a code, none fits the bound at all.
  bool atLowerBound = false;
};

// A largest delay no self-orthogonal code of the request's dimensions and
// votes (and layout) can go below: the differences of one branch's delays
// within each check branch must all differ and lie in -D..D.
std::int32_t largestDelayLowerBound(const SearchRequest& request);

// Runs attempts until `stop(progress)` returns true, maxAttempts are made,
// the lower bound is reached, or (randomDelays) a code is found.
// REQUIRES: 1 <= nk, nr <= kMaxBranches; 1 <= votes <= 64; 0 <= maxDelay <= 100000;
// layout empty or nk rows of nr counts >= 0 adding up to votes.
SearchOutcome searchCode(const SearchRequest& request,
                         const std::function<bool(const SearchProgress&)>& stop);

}  // namespace vok::design

#endif  // VOK_DESIGN_CODE_SEARCH_H_
