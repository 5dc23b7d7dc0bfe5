// How independent the votes on an information symbol are.
//
// A symbol of information branch r is decided from the syndromes of every
// check it enters: check branch j at position y - d for each delay d of
// taps[r][j]. The votes are orthogonal when no symbol other than the one
// decided lies in two of those checks; then one wrong symbol spoils at most
// one vote, and majority logic has a guarantee. Positions are cyclic with
// branch length L; without a length the code is judged as if L were
// unbounded, which holds for every L larger than twice its delay span.
#ifndef VOK_DESIGN_ORTHOGONALITY_H_
#define VOK_DESIGN_ORTHOGONALITY_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "codec/code_description.h"

namespace vok::design {

// Collisions listed per information branch; the rest are only counted.
inline constexpr int kListedCollisions = 10;

// One voting check of an information symbol: the check branch and the
// delay (as written in the code) with which the symbol enters it.
struct VoteCheck {
  int branch = 0;
  std::int64_t delay = 0;
  bool operator==(const VoteCheck&) const = default;
};

// A symbol relative to the decided one: its information branch and its
// position minus the decided symbol's position, as the first check of the
// collision sees it (with a branch length, the second check sees it at an
// offset equal modulo L).
struct SharedSymbol {
  int branch = 0;
  std::int64_t offset = 0;
  bool operator==(const SharedSymbol&) const = default;
};

// Two voting checks that have a symbol other than the decided one in
// common. `sameCheck`: the two are one check (their delays are equal, or
// equal modulo L), which shares all its symbols; `symbol` is then the
// decided symbol itself, which enters that check twice.
struct Collision {
  VoteCheck first;
  VoteCheck second;
  SharedSymbol symbol;
  bool sameCheck = false;
  bool operator==(const Collision&) const = default;
};

struct BranchReport {
  int branch = 0;
  int votes = 0;  // syndromes voting on one symbol when every check branch votes
  bool orthogonal = true;
  std::int64_t collisionCount = 0;    // colliding pairs of checks in all
  std::vector<Collision> collisions;  // the first kListedCollisions, in vote order
  // The number of wrong symbols among the decided one and the other symbols
  // of its checks that one vote corrects for sure (threshold 0, the received
  // value voting once). floor(votes / 2) for orthogonal votes.
  int guarantee = 0;
};

struct CodeReport {
  int nk = 0;
  int nr = 0;
  double rate = 0;
  std::int64_t maxDelay = 0;  // the largest delay, 0 for a code without taps
  std::int64_t minDelay = 0;
  std::optional<std::int64_t> length;  // the branch length judged; none: unbounded
  bool orthogonal = true;
  std::vector<BranchReport> branches;  // one per information branch
  int guarantee = 0;                   // the smallest of the branches'
};

// REQUIRES: 1 <= code.nk, code.nr <= kMaxBranches; length, when given, >= 1.
CodeReport analyseCode(const CodeDescription& code, std::optional<std::int64_t> length);

// The guarantee of `votes` checks on a symbol when no other symbol lies in
// more than `multiplicity` of them (1: orthogonal).
// REQUIRES: votes >= 0, multiplicity >= 1.
int majorityGuarantee(int votes, int multiplicity);

}  // namespace vok::design

#endif  // VOK_DESIGN_ORTHOGONALITY_H_
