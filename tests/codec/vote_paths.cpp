#include "vote_paths.h"

#include "codec/lane_votes.h"
#include "codec/vector_votes.h"

namespace vok::test {
namespace {

std::string noAvx512() {
  return detail::vectorVotesSupported() ? "" : "no AVX-512 (F and CD) on this processor";
}

std::string noAvx2() {
  return detail::laneVoteFor(0, false) != nullptr ? "" : "no AVX2 on this processor";
}

std::string nothingMissing() { return ""; }

// The one-by-one AVX-512 votes decide a whole vote in vector registers only
// where the processor also counts bits there.
std::string wholeVectorVotes() {
  return detail::vectorCountsSupported()
             ? "whole votes in vector registers ran"
             : "whole votes in vector registers skipped: no AVX-512 VPOPCNTDQ on this processor";
}

}  // namespace

const std::vector<VotePath>& votePaths() {
  static const std::vector<VotePath> paths = {
      {"Avx512Blocks", true, true, noAvx512, nullptr},
      {"Avx512OneByOne", true, false, noAvx512, wholeVectorVotes},
      {"Avx2Blocks", false, true, noAvx2, nullptr},
      {"Scalar", false, false, nothingMissing, nullptr},
  };
  return paths;
}

std::string votePathLine(const VotePath& path, bool ran) {
  std::string line = std::string("vote path ") + path.name + ": ";
  if (!ran) return line + "skipped: " + path.missing();
  line += "ran";
  if (path.detail != nullptr) line += " (" + path.detail() + ")";
  return line;
}

VotePathInForce::VotePathInForce(const VotePath& path)
    : savedVector_(detail::vectorVotesEnabled()), savedBlocks_(detail::blockVotesEnabled()) {
  detail::vectorVotesEnabled() = path.vectorVotes;
  detail::blockVotesEnabled() = path.blockVotes;
}

VotePathInForce::~VotePathInForce() {
  detail::vectorVotesEnabled() = savedVector_;
  detail::blockVotesEnabled() = savedBlocks_;
}

}  // namespace vok::test
