#include "vote_paths.h"

#include "codec/byte_blocks.h"
#include "codec/vector_votes.h"

namespace vok::test {
namespace {

std::string noAvx512() {
  return detail::avx512Supported() ? "" : "no AVX-512 (F and BW) on this processor";
}

std::string noAvx2() { return detail::avx2Supported() ? "" : "no AVX2 on this processor"; }

std::string nothingMissing() { return ""; }

}  // namespace

const std::vector<VotePath>& votePaths() {
  static const std::vector<VotePath> paths = {
      {"Bytes64LanesAvx512", true, true, detail::kAvx512Width, noAvx512},
      {"Bytes32LanesAvx2", false, true, detail::kAvx2Width, noAvx2},
      {"OneByOne", false, false, 0, nothingMissing},
  };
  return paths;
}

std::string votePathLine(const VotePath& path, bool ran) {
  std::string line = std::string("vote path ") + path.name + ": ";
  return ran ? line + "ran" : line + "skipped: " + path.missing();
}

VotePathInForce::VotePathInForce(const VotePath& path)
    : savedAvx512_(detail::avx512Enabled()), savedBlocks_(detail::blockVotesEnabled()) {
  detail::avx512Enabled() = path.avx512;
  detail::blockVotesEnabled() = path.blockVotes;
}

VotePathInForce::~VotePathInForce() {
  detail::avx512Enabled() = savedAvx512_;
  detail::blockVotesEnabled() = savedBlocks_;
}

}  // namespace vok::test
