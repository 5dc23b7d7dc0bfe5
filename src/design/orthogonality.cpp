// Orthogonality of the votes on each information branch, found by listing
// the symbols of every voting check relative to the decided symbol and
// looking for symbols that more than one check holds.
#include "design/orthogonality.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

namespace vok::design {
namespace {

// A symbol relative to the decided one, the offset reduced modulo the
// branch length when there is one: two checks hold the same symbol exactly
// when their keys are equal.
using SymbolKey = std::pair<int, std::int64_t>;

std::int64_t reduce(std::int64_t offset, std::optional<std::int64_t> length) {
  if (!length) return offset;
  const std::int64_t r = offset % *length;
  return r < 0 ? r + *length : r;
}

std::vector<VoteCheck> voteChecks(const CodeDescription& code, int r) {
  std::vector<VoteCheck> checks;
  for (int j = 0; j < code.nr; ++j) {
    for (const std::int32_t d : code.taps[r][j].delays) checks.push_back(VoteCheck{j, d});
  }
  return checks;
}

// The symbols of `check` other than the decided one, once each, in the
// order of the tap table (information branch, then list order).
std::vector<SharedSymbol> otherSymbols(const CodeDescription& code, int r, const VoteCheck& check,
                                       std::optional<std::int64_t> length) {
  std::vector<SharedSymbol> symbols;
  std::set<SymbolKey> seen;
  for (int i = 0; i < code.nk; ++i) {
    for (const std::int32_t d : code.taps[i][check.branch].delays) {
      const std::int64_t offset = std::int64_t{d} - check.delay;
      const SymbolKey key{i, reduce(offset, length)};
      if (i == r && key.second == 0) continue;  // the decided symbol
      if (seen.insert(key).second) symbols.push_back(SharedSymbol{i, offset});
    }
  }
  return symbols;
}

BranchReport analyseBranch(const CodeDescription& code, int r, std::optional<std::int64_t> length) {
  BranchReport report;
  report.branch = r;
  const std::vector<VoteCheck> checks = voteChecks(code, r);
  report.votes = static_cast<int>(checks.size());

  // Colliding pairs by (first, second) index, so that the map's order is
  // the order of the votes.
  std::map<std::pair<std::size_t, std::size_t>, Collision> pairs;
  bool sameCheck = false;
  for (std::size_t a = 0; a < checks.size(); ++a) {
    for (std::size_t b = a + 1; b < checks.size(); ++b) {
      if (checks[a].branch == checks[b].branch &&
          reduce(checks[a].delay - checks[b].delay, length) == 0) {
        pairs.emplace(std::pair{a, b}, Collision{checks[a], checks[b], SharedSymbol{r, 0}, true});
        sameCheck = true;
      }
    }
  }

  std::vector<std::vector<SharedSymbol>> symbols;
  std::map<SymbolKey, std::vector<std::size_t>> holders;
  for (std::size_t c = 0; c < checks.size(); ++c) {
    symbols.push_back(otherSymbols(code, r, checks[c], length));
    for (const SharedSymbol& s : symbols.back()) {
      holders[SymbolKey{s.branch, reduce(s.offset, length)}].push_back(c);
    }
  }
  std::size_t multiplicity = 1;
  for (const auto& [key, held] : holders) multiplicity = std::max(multiplicity, held.size());
  // Each pair takes the first symbol its first check shares with it.
  for (std::size_t a = 0; a < checks.size(); ++a) {
    for (const SharedSymbol& s : symbols[a]) {
      for (const std::size_t b : holders[SymbolKey{s.branch, reduce(s.offset, length)}]) {
        if (b > a) pairs.emplace(std::pair{a, b}, Collision{checks[a], checks[b], s, false});
      }
    }
  }

  report.orthogonal = pairs.empty();
  report.collisionCount = static_cast<std::int64_t>(pairs.size());
  for (const auto& [indices, collision] : pairs) {
    if (report.collisions.size() == static_cast<std::size_t>(kListedCollisions)) break;
    report.collisions.push_back(collision);
  }
  // A check read twice turns an error of the decided symbol into a doubled
  // syndrome in both its votes; no count of errors is safe then.
  report.guarantee =
      sameCheck ? 0 : majorityGuarantee(report.votes, static_cast<int>(multiplicity));
  return report;
}

}  // namespace

int majorityGuarantee(int votes, int multiplicity) {
  // A wrong decided symbol with e - 1 other errors keeps at least
  // votes - m (e - 1) votes for its error, against at most m (e - 1) + 1 for
  // any other value (the received value's own vote included); a right one
  // with e other errors keeps votes - m e + 1 for "no change" against at
  // most m e, and a tie changes nothing.
  const std::int64_t j = votes;
  const std::int64_t m = multiplicity;
  int guarantee = 0;
  for (std::int64_t e = 1;; ++e) {
    const bool wrongOneCorrected = j > 2 * m * (e - 1) + 1;
    const bool rightOneKept = j + 1 >= 2 * m * e;
    if (!wrongOneCorrected || !rightOneKept) break;
    guarantee = static_cast<int>(e);
  }
  return guarantee;
}

CodeReport analyseCode(const CodeDescription& code, std::optional<std::int64_t> length) {
  CodeReport report;
  report.nk = code.nk;
  report.nr = code.nr;
  report.rate = static_cast<double>(code.nk) / static_cast<double>(code.nk + code.nr);
  report.length = length;
  bool anyTap = false;
  for (int i = 0; i < code.nk; ++i) {
    for (int j = 0; j < code.nr; ++j) {
      for (const std::int32_t d : code.taps[i][j].delays) {
        report.maxDelay = anyTap ? std::max<std::int64_t>(report.maxDelay, d) : d;
        report.minDelay = anyTap ? std::min<std::int64_t>(report.minDelay, d) : d;
        anyTap = true;
      }
    }
  }
  for (int r = 0; r < code.nk; ++r) {
    report.branches.push_back(analyseBranch(code, r, length));
    const BranchReport& branch = report.branches.back();
    report.orthogonal = report.orthogonal && branch.orthogonal;
    report.guarantee = r == 0 ? branch.guarantee : std::min(report.guarantee, branch.guarantee);
  }
  return report;
}

}  // namespace vok::design
